// Start-up, shutdown and runtime errors, observed from outside: each scenario
// runs kernel_probe.exe in its own process and checks its log, its error box
// and its exit code.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/automation.h"

using namespace vantor::testing;

namespace {

ProbeRun run_probe(const std::string& mode, bool expect_box, const std::string& extra = "") {
    ProbeRun run = vantor::testing::run_probe("kernel_probe", mode, expect_box, extra);
    EXPECT_TRUE(run.started) << mode;
    EXPECT_EQ(run.box_found, expect_box) << "error box in mode " << mode;
    return run;
}

// The error box of runtime error 6, the stack error of a declared call.
const char* const kStackErrorBox =
    "运行时出错!\r\n\r\n错误代码：6\r\n\r\n错误信息：调用DLL命令后发现堆栈错误\r\n";

bool has_line(const ProbeRun& r, const std::string& line) {
    return std::find(r.log.begin(), r.log.end(), line) != r.log.end();
}

} // namespace

// Runs that end normally: the libraries notified at start, what the mode logs,
// the end sequence (exit routines once each in registration order, then the
// libraries notified), then what the mode logs after it.
TEST(Kernel, NormalRunsLogTheirStateBetweenStartAndTheEndSequence) {
    const struct {
        const char* mode;
        std::vector<std::string> during, after;
    } rows[] = {
        {"startup",
         {"dir-is-cwd 1", "file kernel_probe.exe", "dir-slash 1", "hidden-owner 1 toolwindow 1",
          "main-thread 1", "ole 1 from-system 1", "id-counter 89758", "windows 0", "kind 3",
          "unknown-request 0", "constant-copy constant 1", "loop-skipped"},
         {}},
        // Libraries loaded on first use are released after the end sequence.
        {"on-demand",
         {"before winmm 0 comdlg32 0", "found 1 1 again 1", "loaded winmm 1 comdlg32 1"},
         {"before-release winmm 1", "after-end winmm 0 comdlg32 0"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.mode);
        ProbeRun r = run_probe(row.mode, false);
        EXPECT_EQ(r.exit_code, 0u);
        std::vector<std::string> expected = {"notify Baselib 1 request-entry", "notify Uilib 1"};
        expected.insert(expected.end(), row.during.begin(), row.during.end());
        for (const char* line :
             {"exit A on main", "exit B", "notify Baselib 6 0", "notify Uilib 6"})
            expected.push_back(line);
        expected.insert(expected.end(), row.after.begin(), row.after.end());
        EXPECT_EQ(joined(r.log), joined(expected));
    }
}

TEST(Kernel, ArchiveIsReadIntoTheWindowTable) {
    ProbeRun r = run_probe("archive", false, VANTOR_TEST_ARCHIVE);
    EXPECT_EQ(r.exit_code, 0u);
    EXPECT_TRUE(has_line(r, "windows 1")) << joined(r.log);
    EXPECT_TRUE(has_line(r, "launcher-window 1")) << joined(r.log);
}

// Error 6 raised by number, and by a declared call that leaves the stack
// unbalanced: the box, the exit routines skipped, the end sequence run, -1.
TEST(Kernel, ErrorSixShowsBoxSkipsExitRoutinesAndEndsWithMinusOne) {
    const struct {
        const char* mode;
        const char* never; // a line the probe must not reach
    } rows[] = {{"error", "exit B"}, {"stack-error", "not reached"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.mode);
        ProbeRun r = run_probe(row.mode, true);
        EXPECT_EQ(r.box_text, kStackErrorBox);
        EXPECT_EQ(r.exit_code, 0xFFFFFFFFu);
        EXPECT_FALSE(has_line(r, row.never)) << joined(r.log);
        EXPECT_TRUE(has_line(r, "notify Baselib 6 0")) << joined(r.log); // end sequence ran
    }
}

TEST(Kernel, RequestErrorShowsMessageWithoutCodeLine) {
    ProbeRun r = run_probe("request-error", true);
    EXPECT_EQ(r.box_text, "运行时出错!\r\n\r\n错误信息：自定义错误\r\n");
    EXPECT_EQ(r.exit_code, 0xFFFFFFFFu);
}

TEST(Kernel, CheckedAllocationFailureIsFatalUncheckedReturnsNull) {
    ProbeRun r = run_probe("alloc-error", true);
    EXPECT_EQ(r.box_text, "运行时出错!\r\n\r\n错误信息：分配 2147483632 字节内存失败!\r\n");
    EXPECT_EQ(r.exit_code, 0xFFFFFFFFu);
    ProbeRun u = run_probe("unchecked-alloc", false);
    EXPECT_TRUE(has_line(u, "unchecked 0")) << joined(u.log);
    EXPECT_EQ(u.exit_code, 0u);
}

TEST(Kernel, NullArgumentsFindNothingOrAreNotNumeric) {
    ProbeRun r = run_probe("null-arguments", true);
    EXPECT_TRUE(has_line(r, "find-without-handle 0")) << joined(r.log);
    EXPECT_EQ(r.box_text, "运行时出错!\r\n\r\n错误信息：欲转换数据类型不是数值\r\n");
    EXPECT_EQ(r.exit_code, 0xFFFFFFFFu);
    EXPECT_FALSE(has_line(r, "not reached"));
}

TEST(Kernel, StartupFailingBeforeTheLibrariesStartEndsNoneOfThem) {
    ProbeRun r = run_probe("tables-fail", true);
    EXPECT_EQ(r.box_text, "运行时出错!\r\n\r\n错误信息：分配 12 字节内存失败!\r\n");
    EXPECT_EQ(r.exit_code, 0xFFFFFFFFu);
    for (const std::string& line : r.log)
        EXPECT_EQ(line.rfind("notify", 0), std::string::npos) << joined(r.log);
    EXPECT_FALSE(has_line(r, "not reached"));
}

TEST(Kernel, DamagedArchiveIsAStartupError) {
    ProbeRun r = run_probe("bad-archive", true);
    EXPECT_EQ(r.box_text, "运行时出错!\r\n\r\n错误信息：载入窗口模板数据段出错!\r\n");
    EXPECT_EQ(r.exit_code, 0xFFFFFFFFu);
    EXPECT_FALSE(has_line(r, "not reached"));
}

TEST(Kernel, EndRequestFromAnotherThreadRunsTheEndOnTheMainThread) {
    ProbeRun r = run_probe("thread-end", false);
    EXPECT_EQ(r.exit_code, 7u);
    EXPECT_TRUE(has_line(r, "exit A on main")) << joined(r.log);
    EXPECT_FALSE(has_line(r, "not reached"));
}

TEST(Kernel, ProcessingPendingMessagesLeavesQuitQueued) {
    ProbeRun r = run_probe("quit-left", false);
    EXPECT_TRUE(has_line(r, "quit-waiting 1")) << joined(r.log);
    EXPECT_TRUE(has_line(r, "loop 5")) << joined(r.log);
    EXPECT_EQ(r.exit_code, 5u); // the process ends with the code of the last WM_QUIT
}

TEST(Kernel, IdleRoutineDroppedOnceItsWindowIsGone) {
    ProbeRun r = run_probe("idle", false);
    EXPECT_TRUE(has_line(r, "idle-entries 1")) << joined(r.log);
    EXPECT_TRUE(has_line(r, "idle-calls 1 entries 0")) << joined(r.log);
}

TEST(Kernel, IdleWalkVisitsEachEntryOnceWhenARoutineRemovesAnother) {
    ProbeRun r = run_probe("idle-walk", false);
    std::vector<std::string> calls;
    for (const std::string& line : r.log) {
        if (line.rfind("idle ", 0) == 0)
            calls.push_back(line);
    }
    EXPECT_EQ(calls, (std::vector<std::string>{"idle C", "idle B"})) << joined(r.log);
}

TEST(Kernel, UnknownExportNamesLibraryAndFunction) {
    ProbeRun r = run_probe("unknown-export", true);
    EXPECT_EQ(r.box_text,
              "运行时出错!"
              "\r\n\r\n错误信息：无法找到指定DLL库文件“kernel32”中的输出命令“NoSuchExport”\r\n");
    EXPECT_EQ(r.exit_code, 0xFFFFFFFFu);
    ProbeRun s = run_probe("unknown-system-export", true);
    EXPECT_EQ(
        s.box_text,
        "运行时出错!\r\n\r\n错误信息：无法找到指定DLL库文件中的输出命令“NoSuchExportAnywhere”\r\n");
}

TEST(Kernel, FindFileWithFilesOnlyNeverReturnsADirectory) {
    ProbeRun r = run_probe("find-file", false);
    EXPECT_EQ(joined(std::vector<std::string>(r.log.begin(), r.log.end())).find("found sub"),
              std::string::npos)
        << joined(r.log);
    EXPECT_TRUE(has_line(r, "found a.txt")) << joined(r.log);
    EXPECT_TRUE(has_line(r, "handle-closed 1")) << joined(r.log);
    EXPECT_TRUE(has_line(r, "directories 3")) << joined(r.log); // ".", ".." and "sub"
}
