// The launcher's window and process helpers with real child processes (the
// stand-in, Nox.exe): the window search, process ids by name, and
// termination by id and of a window's owner.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/system_helpers.h"
#include "tests/e2e/helper_fixture.h"
#include "tests/support/driver.h"

using namespace vantor;
using namespace vantor::testing;
using vantor::app::delay;
using vantor::app::find_process_id;
using vantor::app::find_window;

namespace {

using WindowSearch = HelperTest;

TEST_F(WindowSearch, FindsStandinByClassAndExactTitle) {
    StandinLog log;
    Program nox;
    ASSERT_TRUE(nox.start(quoted(standin_exe()) + " -clone:Nox_3"));
    uint32_t found = 0;
    for (int i = 0; i < 200 && !found; ++i) {
        delay(50);
        found = find_window(kClass, "夜神模拟器3");
    }
    ASSERT_NE(0u, found) << "stand-in window not found";
    DWORD owner = 0;
    GetWindowThreadProcessId(reinterpret_cast<HWND>(uintptr_t(found)), &owner);
    EXPECT_EQ(nox.pid(), owner);
    const struct {
        const char* class_name;
        const char* title;
        const char* why;
    } misses[] = {{kClass, "夜神模拟器", "a title prefix"},
                  {kClass, "夜神模拟器33", "a longer title"},
                  {"Qt5QWindow", "夜神模拟器3", "a class prefix"}};
    for (const auto& m : misses)
        EXPECT_EQ(0u, find_window(m.class_name, m.title)) << "found: " << m.why;

    nox.kill();
    EXPECT_EQ(0u, find_window(kClass, "夜神模拟器3")) << "window of a terminated process";
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

// Each stand-in copy is named by the first of a pair and sought by the second.
TEST_F(Processes, WholeNameMatchesWithCaseIgnored) {
    const char* const matches[][2] = {
        {"NOX.EXE", "Nox.exe"}, {"nox.exe", "Nox.exe"}, {"Nox.exe", "NOX.exe"}};
    const char* const misses[][2] = {{"Nox.exe", "Nox"},
                                     {"Nox.exe", "ox.exe"},
                                     {"Nox.exe", "Nox.exe "},
                                     {"Nox.exe", ""},
                                     {"Nox.exe", "Other.exe"}};
    StandinLog log;
    auto check = [&](const char* image, const char* wanted, bool match) {
        const std::string where = std::string(image) + " sought as \"" + wanted + "\"";
        Program nox;
        EXPECT_TRUE(nox.start(quoted(standin_copy(log, image)))) << where;
        EXPECT_EQ(1u, log.wait_for("start", 1, kWaitMs, nox.pid()).size()) << where;
        EXPECT_EQ(1u, process_ids(image).size()) << where << ": listed under another name";
        EXPECT_EQ(match ? nox.pid() : 0u, find_process_id(wanted)) << where;
    };
    for (const auto& m : matches)
        check(m[0], m[1], true);
    for (const auto& m : misses)
        check(m[0], m[1], false);
    Program nox;
    ASSERT_TRUE(nox.start(quoted(standin_exe())));
    ASSERT_EQ(1u, log.wait_for("start", 1, kWaitMs, nox.pid()).size());
    EXPECT_EQ(0u, find_process_id(standin_exe().c_str())) << "a full path matched";
    EXPECT_EQ(0u, find_process_id(nullptr));
    g_spy.fail_snapshot = true;
    EXPECT_EQ(0u, find_process_id("Nox.exe")) << "without a snapshot";
}

TEST_F(TwoProcesses, FirstListedIsFoundAndChosenOneCheckedAndTerminatedById) {
    ASSERT_NO_FATAL_FAILURE(start_two());
    Program& first = *first_;
    Program& second = *second_;

    EXPECT_EQ(first.pid(), find_process_id("nox.exe"));
    EXPECT_EQ(second.pid(), find_process_id("nox.exe", second.pid()));
    EXPECT_EQ(0u, find_process_id("Nox.exe", GetCurrentProcessId())) << "another name";

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

} // namespace
