// What ends the process, observed from outside: each scenario runs
// forms_probe.exe and checks its error box, its exit code and its log.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/automation.h"

using namespace vantor::testing;

namespace {

struct ProbeRun {
    DWORD exit_code = 0;
    std::vector<std::string> log;
    std::string box_text;
};

ProbeRun run_probe(const std::string& mode, bool expect_box) {
    ProbeRun run;
    std::string dir = program_directory();
    Process p;
    EXPECT_TRUE(start_process("\"" + dir + "forms_probe.exe\" " + mode, p));
    if (!p.process) return run;
    if (expect_box) {
        HWND box = find_top_window(p.pid, "错误", 15000);
        EXPECT_NE(box, nullptr) << "no error box in mode " << mode;
        if (box) {
            run.box_text = message_box_text(box);
            press_button(box, IDOK);
        }
    }
    run.exit_code = p.wait(15000);
    if (run.exit_code == STILL_ACTIVE) p.kill();
    run.log = lines_of(read_file(dir + "forms_probe." + mode + ".log"));
    return run;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string s;
    for (const auto& l : lines) s += l + "\n";
    return s;
}

std::string box(const std::string& message) { return "运行时出错!\r\n\r\n错误信息：" + message + "\r\n"; }

}  // namespace

TEST(FormsFatal, RuntimeErrorsOfPropertiesEventsAndUnitLookups) {
    struct Row {
        const char* mode;
        const char* message;
    };
    const Row rows[] = {
        {"kind-read-closed", "指定窗口尚未载入"},
        {"kind-write-closed", "指定窗口尚未载入"},
        {"unknown-window", "未载入欲访问窗口组件所在的窗口"},
        {"event-window", "未找到引发事件的窗口"},
        {"event-unit", "未找到引发事件的窗口组件"},
        {"event-invalid", "引发事件的窗口组件无效"},
        {"find-unit", "指定窗口或窗口组件不存在或尚未载入"},
        {"startup-window", "载入启动窗口失败"},
    };
    for (const Row& r : rows) {
        ProbeRun run = run_probe(r.mode, true);
        EXPECT_EQ(run.box_text, box(r.message)) << r.mode;
        EXPECT_EQ(run.exit_code, 0xFFFFFFFFu) << r.mode;
        EXPECT_EQ(std::count(run.log.begin(), run.log.end(), "not reached"), 0) << r.mode;
        if (std::string(r.mode) == "kind-read-closed") {
            EXPECT_EQ(joined(run.log), "left 270\n") << "a fixed property still reads the record";
        }
    }
}

TEST(FormsFatal, LastWindowEndsTheProgramOnlyAfterTheStartRoutine) {
    ProbeRun run = run_probe("lifecycle", false);
    const std::vector<std::string> expected = {
        "loaded 1",
        "closed during start routine, quit posted 0",
        "closing",
        "loop ended, windows open 0",
    };
    EXPECT_EQ(joined(run.log), joined(expected));
    EXPECT_EQ(run.exit_code, 0u);
}
