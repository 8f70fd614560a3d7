// The launcher's window and process helpers with real child processes (the
// stand-in, Nox.exe): the window search, process ids by name, and
// termination by name, by id and of a window's owner.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/system_helpers.h"
#include "tests/e2e/helper_fixture.h"
#include "tests/support/driver.h"
#include "tests/support/kernel_access.h"

using namespace vantor;
using namespace vantor::testing;
using vantor::app::delay;
using vantor::app::find_process_id;
using vantor::app::find_window;
using vantor::app::terminate_process;

namespace {

using WindowSearch = HelperTest;

TEST_F(WindowSearch, FindsStandinByClassAndExactTitle) {
    StandinLog log;
    Program nox;
    ASSERT_TRUE(nox.start(quoted(standin_exe()) + " -clone:Nox_3"));
    uint32_t found = 0;
    for (int i = 0; i < 200 && !found; ++i) {
        delay(50);
        found = find_window(0, 0, kClass, "夜神模拟器3");
    }
    ASSERT_NE(0u, found) << "stand-in window not found";
    DWORD owner = 0;
    GetWindowThreadProcessId(reinterpret_cast<HWND>(uintptr_t(found)), &owner);
    EXPECT_EQ(nox.pid(), owner);
    const struct {
        uint32_t after;
        const char* class_name;
        const char* title;
        const char* why;
    } misses[] = {{0, kClass, "夜神模拟器", "a title prefix"},
                  {0, kClass, "夜神模拟器33", "a longer title"},
                  {0, "Qt5QWindow", "夜神模拟器3", "a class prefix"},
                  {found, kClass, "夜神模拟器3", "a second window after it"}};
    for (const auto& m : misses)
        EXPECT_EQ(0u, find_window(0, m.after, m.class_name, m.title)) << "found: " << m.why;

    nox.kill();
    EXPECT_EQ(0u, find_window(0, 0, kClass, "夜神模拟器3")) << "window of a terminated process";
}

using Processes = HelperTest;

// A copy of the stand-in under `name` in a directory of its own below `log`'s.
std::string standin_copy(const StandinLog& log, const std::string& name) {
    static int n = 0;
    const std::string dir = log.directory() + "copy" + std::to_string(++n) + "\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    const std::string path = dir + name;
    EXPECT_TRUE(CopyFileA(standin_exe().c_str(), path.c_str(), FALSE)) << path;
    return path;
}

class TwoProcesses : public HelperTest {
  protected:
    // Starts two stand-ins and tells them apart by the order the system lists
    // them in.
    void start_two() {
        ASSERT_TRUE(a_.start(quoted(standin_exe()) + " -clone:Nox_1"));
        ASSERT_TRUE(b_.start(quoted(standin_exe()) + " -clone:Nox_2"));
        ASSERT_EQ(2u, log_.wait_for("start", 2, kWaitMs).size());
        const std::vector<DWORD> listed = process_ids("Nox.exe");
        ASSERT_EQ(2u, listed.size());
        first_ = listed[0] == a_.pid() ? &a_ : &b_;
        second_ = listed[0] == a_.pid() ? &b_ : &a_;
        ASSERT_EQ(listed[1], second_->pid());
    }

    StandinLog log_;
    Program a_, b_;
    Program* first_ = nullptr;
    Program* second_ = nullptr;
};

TEST_F(Processes, WholeNameMatchesWithCaseIgnoredUnlessExact) {
    struct Case {
        const char* image;
        const char* wanted;
        bool exact;
        bool match;
    } cases[] = {
        {"NOX.EXE", "Nox.exe", false, true},   {"nox.exe", "Nox.exe", false, true},
        {"Nox.exe", "NOX.exe", false, true},   {"Nox.exe", "Nox.exe", true, true},
        {"NOX.EXE", "Nox.exe", true, false},   {"nox.exe", "Nox.exe", true, false},
        {"Nox.exe", "Nox", false, false},      {"Nox.exe", "ox.exe", false, false},
        {"Nox.exe", "Nox.exe ", false, false}, {"Nox.exe", "", false, false},
    };
    StandinLog log;
    for (const Case& c : cases) {
        const std::string where = std::string(c.image) + " sought as \"" + c.wanted + "\", exact " +
                                  (c.exact ? "true" : "false");
        Program nox;
        ASSERT_TRUE(nox.start(quoted(standin_copy(log, c.image)))) << where;
        ASSERT_EQ(1u, log.wait_for("start", 1, kWaitMs, nox.pid()).size()) << where;
        ASSERT_EQ(1u, process_ids(c.image).size()) << where << ": listed under another name";
        EXPECT_EQ(c.match ? nox.pid() : 0u, find_process_id(c.wanted, c.exact)) << where;
    }
    Program nox;
    ASSERT_TRUE(nox.start(quoted(standin_exe())));
    ASSERT_EQ(1u, log.wait_for("start", 1, kWaitMs, nox.pid()).size());
    EXPECT_EQ(0u, find_process_id(standin_exe().c_str(), false)) << "a full path matched";
    EXPECT_EQ(0u, find_process_id(nullptr, false));
}

TEST_F(Processes, TerminateEndsMatchingProcessAndClosesItsHandle) {
    struct Case {
        const char* image;
        bool exact;
        bool terminated;
    } cases[] = {{"NOX.EXE", false, true},
                 {"nox.exe", false, true},
                 {"Nox.exe", true, true},
                 {"nox.exe", true, false}};
    StandinLog log;
    for (const Case& c : cases) {
        const std::string where = std::string(c.image) + ", exact " + (c.exact ? "true" : "false");
        g_spy = Spy{};
        Program nox;
        ASSERT_TRUE(nox.start(quoted(standin_copy(log, c.image)))) << where;
        ASSERT_EQ(1u, log.wait_for("start", 1, kWaitMs, nox.pid()).size()) << where;
        const bool terminated = terminate_process("Nox.exe", c.exact);
        const bool left_open = !g_spy.opened.empty() && still_open(g_spy.opened[0]);
        EXPECT_EQ(c.terminated, terminated) << where;
        if (c.terminated) {
            EXPECT_EQ(0u, nox.wait_exit(kWaitMs)) << where << ": exit code of the terminated";
            ASSERT_EQ(1u, g_spy.opened.size()) << where;
            EXPECT_FALSE(left_open) << where << ": process handle left open";
        } else {
            EXPECT_TRUE(nox.running()) << where;
            EXPECT_TRUE(g_spy.terminated.empty())
                << where << ": termination asked without a process";
        }
    }
}

TEST_F(TwoProcesses, TerminateEndsOnlyTheFirstListed) {
    ASSERT_NO_FATAL_FAILURE(start_two());
    Program& first = *first_;
    Program& second = *second_;

    EXPECT_TRUE(terminate_process("Nox.exe"));
    EXPECT_EQ(0u, first.wait_exit(kWaitMs)) << "the first listed was not terminated";
    EXPECT_EQ(std::vector<DWORD>{first.pid()}, g_spy.terminated) << "the processes terminated";
    EXPECT_TRUE(second.running()) << "the second listed was terminated too";
}

TEST_F(TwoProcesses, ChosenProcessIsCheckedAndTerminatedById) {
    ASSERT_NO_FATAL_FAILURE(start_two());
    Program& first = *first_;
    Program& second = *second_;

    EXPECT_EQ(second.pid(), find_process_id("nox.exe", false, second.pid()));
    EXPECT_EQ(0u, find_process_id("nox.exe", true, second.pid())) << "exact case";
    EXPECT_EQ(0u, find_process_id("Nox.exe", false, GetCurrentProcessId())) << "another name";

    EXPECT_TRUE(app::terminate_process_id(second.pid()));
    EXPECT_EQ(0u, second.wait_exit(kWaitMs)) << "the chosen process was not terminated";
    ASSERT_EQ(1u, g_spy.opened.size());
    EXPECT_FALSE(still_open(g_spy.opened[0])) << "process handle left open";
    EXPECT_FALSE(app::terminate_process_id(0));
    EXPECT_EQ(std::vector<DWORD>{second.pid()}, g_spy.terminated) << "the processes terminated";
    EXPECT_TRUE(first.running()) << "another process of that name was terminated";
}

// The launch sequence's termination: the owner of the instance window it
// found, and nothing when the instance ended before its owner was looked up,
// even though an instance the user started (listed first) runs under that name.
TEST_F(Processes, WindowOwnerIsTerminatedOnlyWhileItCanBeTold) {
    StandinLog log;
    Program user, own;
    ASSERT_TRUE(user.start(quoted(standin_exe()) + " -clone:Nox_9"));
    ASSERT_NE(nullptr, wait_top_window(user.pid(), kClass, "夜神模拟器9", kWaitMs));
    ASSERT_TRUE(own.start(quoted(standin_exe()) + " -clone:Nox_1"));
    HWND window = wait_top_window(own.pid(), kClass, "夜神模拟器1", kWaitMs);
    ASSERT_NE(nullptr, window);
    const auto handle = uint32_t(reinterpret_cast<uintptr_t>(window));

    g_spy.no_owner = true; // the race, forced: the owner lookup reports none
    EXPECT_FALSE(app::terminate_window_owner(handle, "Nox.exe"));
    g_spy.no_owner = false;
    EXPECT_FALSE(app::terminate_window_owner(handle, "Other.exe")) << "owner of another name";
    EXPECT_TRUE(g_spy.terminated.empty());

    EXPECT_TRUE(app::terminate_window_owner(handle, "nox.exe"));
    EXPECT_EQ(0u, own.wait_exit(kWaitMs)) << "the window's owner was not terminated";
    // The race for real: the window's handle outlived its process.
    EXPECT_FALSE(app::terminate_window_owner(handle, "Nox.exe"));
    EXPECT_EQ(std::vector<DWORD>{own.pid()}, g_spy.terminated) << "the processes terminated";
    EXPECT_TRUE(user.running()) << "the instance the user started was terminated";
}

TEST_F(Processes, UnknownNameReturnsFalseAndChangesNothing) {
    StandinLog log;
    Program nox;
    ASSERT_TRUE(nox.start(quoted(standin_exe())));
    ASSERT_EQ(1u, log.wait_for("start", 1, kWaitMs, nox.pid()).size());
    EXPECT_FALSE(terminate_process("no-such-image.exe"));
    EXPECT_FALSE(terminate_process(""));
    EXPECT_TRUE(g_spy.terminated.empty());
    EXPECT_TRUE(nox.running());

    g_spy.fail_snapshot = true;
    EXPECT_EQ(0u, find_process_id("Nox.exe", false)) << "without a snapshot";
    EXPECT_FALSE(terminate_process("Nox.exe"));
    EXPECT_TRUE(nox.running());
}

TEST_F(Processes, OmittedNameMeansProgramsOwnFileName) {
    StandinLog log;
    Program nox;
    ASSERT_TRUE(nox.start(quoted(standin_exe())));
    ASSERT_EQ(1u, log.wait_for("start", 1, kWaitMs, nox.pid()).size());
    // The program's own file name as the runtime reports it; here it names the
    // stand-in instead of this test program.
    vantor::testing::KernelTestAccess::state().program_file = "nox.EXE";
    EXPECT_TRUE(terminate_process());
    EXPECT_EQ(0u, nox.wait_exit(kWaitMs));
}

} // namespace
