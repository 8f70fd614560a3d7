// The launch command and the launcher's system helper routines with real
// child processes (the stand-in, Nox.exe). The helpers' declared functions go
// through a loader that hands out spying wrappers for some of them, so the
// tests can see the calls (handles closed, wait shapes) and make them fail.
#include <windows.h>
// After windows.h, whose types it uses.
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "app/system_helpers.h"
#include "commands/library.h"
#include "runtime/call.h"
#include "runtime/dll_binding.h"
#include "runtime/win32/dll_call_win32.h"
#include "runtime/win32/kernel.h"
#include "runtime/win32/libraries.h"
#include "tests/support/driver.h"
#include "tests/support/kernel_access.h"

using namespace vantor;
using namespace vantor::testing;
using vantor::app::delay;
using vantor::app::delay_due_time;
using vantor::app::delay_unit_factor;
using vantor::app::find_process_id;
using vantor::app::find_window;
using vantor::app::terminate_process;

namespace {

constexpr DWORD kWaitMs = 10000;
const char* const kClass = "Qt5QWindowIcon";

std::string quoted(const std::string& path) {
    return "\"" + path + "\"";
}

// ---- spying declared functions ----------------------------------------------------

struct Spy {
    bool fail_timer = false;    // CreateWaitableTimerW gives null
    bool fail_wait = false;     // MsgWaitForMultipleObjects gives WAIT_FAILED
    bool fail_snapshot = false; // CreateToolhelp32Snapshot gives INVALID_HANDLE_VALUE
    bool no_owner = false;      // GetWindowThreadProcessId finds no owner, as for a gone window
    std::vector<HANDLE> timers;
    std::vector<LONGLONG> due_times;
    struct Wait {
        DWORD count, timeout, mask;
    };
    std::vector<Wait> waits;
    std::vector<HANDLE> closed;
    std::vector<HANDLE> opened;          // OpenProcess results
    std::map<HANDLE, DWORD> opened_pids; // the process each was opened for
    std::vector<DWORD> terminated;       // the processes TerminateProcess was asked to end
};
Spy g_spy;

HANDLE WINAPI spy_create_timer(LPSECURITY_ATTRIBUTES attributes, BOOL manual, LPCWSTR name) {
    if (g_spy.fail_timer)
        return nullptr;
    HANDLE h = CreateWaitableTimerW(attributes, manual, name);
    g_spy.timers.push_back(h);
    return h;
}
BOOL WINAPI spy_set_timer(HANDLE timer, const LARGE_INTEGER* due, LONG period,
                          PTIMERAPCROUTINE routine, LPVOID argument, BOOL resume) {
    g_spy.due_times.push_back(due->QuadPart);
    return SetWaitableTimer(timer, due, period, routine, argument, resume);
}
DWORD WINAPI spy_msg_wait(DWORD count, const HANDLE* handles, BOOL all, DWORD ms, DWORD mask) {
    g_spy.waits.push_back({count, ms, mask});
    if (g_spy.fail_wait)
        return WAIT_FAILED;
    return MsgWaitForMultipleObjects(count, handles, all, ms, mask);
}
BOOL WINAPI spy_close(HANDLE h) {
    g_spy.closed.push_back(h);
    return CloseHandle(h);
}
HANDLE WINAPI spy_open_process(DWORD access, BOOL inherit, DWORD pid) {
    HANDLE h = OpenProcess(access, inherit, pid);
    g_spy.opened.push_back(h);
    g_spy.opened_pids[h] = pid;
    return h;
}
BOOL WINAPI spy_terminate(HANDLE process, UINT code) {
    g_spy.terminated.push_back(g_spy.opened_pids[process]);
    return TerminateProcess(process, code);
}
DWORD WINAPI spy_window_owner(HWND window, DWORD* pid) {
    return g_spy.no_owner ? 0 : GetWindowThreadProcessId(window, pid);
}
HANDLE WINAPI spy_snapshot(DWORD flags, DWORD pid) {
    if (g_spy.fail_snapshot)
        return INVALID_HANDLE_VALUE;
    return CreateToolhelp32Snapshot(flags, pid);
}

// The Win32 loader, except that an export it finds under one of the spied
// names is replaced by the wrapper (so the library search is unchanged).
class SpyLoader final : public DllLoader {
  public:
    void* load(const char* path) override { return win32_dll_loader().load(path); }
    void* get_proc(void* module, const char* name) override {
        void* real = win32_dll_loader().get_proc(module, name);
        if (!real)
            return nullptr;
        static const std::map<std::string, void*> wrappers = {
            {"CreateWaitableTimerW", reinterpret_cast<void*>(&spy_create_timer)},
            {"SetWaitableTimer", reinterpret_cast<void*>(&spy_set_timer)},
            {"MsgWaitForMultipleObjects", reinterpret_cast<void*>(&spy_msg_wait)},
            {"CloseHandle", reinterpret_cast<void*>(&spy_close)},
            {"OpenProcess", reinterpret_cast<void*>(&spy_open_process)},
            {"TerminateProcess", reinterpret_cast<void*>(&spy_terminate)},
            {"CreateToolhelp32Snapshot", reinterpret_cast<void*>(&spy_snapshot)},
            {"GetWindowThreadProcessId", reinterpret_cast<void*>(&spy_window_owner)},
        };
        auto it = wrappers.find(name);
        return it == wrappers.end() ? real : it->second;
    }
    void* get_proc_ordinal(void* module, uint16_t ordinal) override {
        return win32_dll_loader().get_proc_ordinal(module, ordinal);
    }
    void release(void* module) override { win32_dll_loader().release(module); }
};

// Whether `h` is still an open handle of this process. Asked right after the
// routine under test returned, so no other handle can have taken its value.
bool still_open(HANDLE h) {
    DWORD flags = 0;
    return GetHandleInformation(h, &flags) != FALSE;
}

// ---- a window that notes the messages it gets -------------------------------------------

constexpr UINT kMsgPosted = WM_USER + 1;
constexpr UINT kMsgSent = WM_USER + 2;

struct Noted {
    UINT msg;
    double ms;
    bool inside_delay;
};
std::vector<Noted> g_noted;
std::atomic<bool> g_inside_delay{false};
// Set as a delay begins: another thread then posts into it.
HANDLE g_delay_begun = CreateEventA(nullptr, FALSE, FALSE, nullptr);

LRESULT CALLBACK noting_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kMsgPosted || msg == kMsgSent) {
        g_noted.push_back({msg, now_ms(), g_inside_delay.load()});
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

HWND make_noting_window() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = noting_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VantorNotingWindow";
    RegisterClassA(&wc);
    return CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                           wc.hInstance, nullptr);
}

// Milliseconds that delay(duration, unit) took, noting that it ran.
double timed_delay(int32_t duration, int32_t unit, bool* result = nullptr) {
    const double start = now_ms();
    g_inside_delay = true;
    SetEvent(g_delay_begun);
    const bool r = delay(duration, unit);
    g_inside_delay = false;
    if (result)
        *result = r;
    return now_ms() - start;
}

// Milliseconds that delay(duration) took while another thread posted kMsgPosted
// to a noting window as the delay began.
double timed_delay_with_post(int32_t duration, bool* result) {
    HWND window = make_noting_window();
    ResetEvent(g_delay_begun);
    std::thread other([window] {
        WaitForSingleObject(g_delay_begun, kWaitMs);
        PostMessageA(window, kMsgPosted, 0, 0);
    });
    const double ms = timed_delay(duration, 0, result);
    other.join();
    DestroyWindow(window);
    return ms;
}

void drain_queue() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

// ---- the runtime as the helpers meet it -------------------------------------------------------

// The runtime pieces the helpers reach: the libraries' request entry
// (pending messages, program file name) and the declared-function tables
// with the launcher's ten declarations.
class HelperTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_spy = Spy{};
        g_noted.clear();
        drain_queue();
        kSupportLibraries[0]->notify(1, uint32_t(reinterpret_cast<uintptr_t>(&runtime_request)), 0);
        directory_ = program_directory();
        directory_.pop_back();
        create_dll_tables(tables_, app::kDeclaredFunctionCount, app::kDeclaredLibraries,
                          app::kDeclaredExports);
        attach_dll_tables(&tables_, directory_.c_str(), &loader_);
        saved_program_file_ = kernel().program_file();
    }
    void TearDown() override {
        app::set_abandon_check(nullptr);
        vantor::testing::KernelTestAccess::state().program_file = saved_program_file_;
        attach_dll_tables(nullptr, nullptr);
        release_dll_tables(tables_, loader_);
        kSupportLibraries[0]->notify(6, 0, 0);
        drain_queue();
    }

    SpyLoader loader_;
    DllTables tables_{};
    std::string directory_;
    std::string saved_program_file_;
};

// ---- launch command
// ------------------------------------------------------------------------------

TypedValue launch(const char* line, std::vector<TypedValue> rest = {}) {
    std::vector<TypedValue> args{make_text(line)};
    args.insert(args.end(), rest.begin(), rest.end());
    return call_command(cmd_launch, int32_t(args.size()), args.data());
}

// The start entry of the stand-in whose command line is `line`.
LogEntry start_of(const StandinLog& log, const std::string& line) {
    const DWORD begin = GetTickCount();
    do {
        for (const LogEntry& e : entries_of(log.entries(), "start")) {
            if (e.rest("cmd") == line)
                return e;
        }
        Sleep(10);
    } while (GetTickCount() - begin < kWaitMs);
    return {};
}

TEST(LaunchCommand, FalseWhenProgramCannotBeStarted) {
    const char* lines[] = {"", nullptr, "Z:\\no\\such\\program.exe",
                           "Z:\\no\\such\\program.exe -clone:Nox_1", "   "};
    for (const char* line : lines) {
        const TypedValue r = launch(line, {make_bool(false)});
        EXPECT_EQ(type::Bool, r.type) << "line: " << (line ? line : "(null)");
        EXPECT_EQ(0u, r.low) << "line: " << (line ? line : "(null)");
    }
}

TEST(LaunchCommand, CommandLineReachesProgramUnaltered) {
    StandinLog log;
    // Blanks doubled and trailing, quotes inside: passed on byte for byte.
    const std::string lines[] = {
        quoted(standin_exe()) + " -clone:Nox_1  -resolution:x -dpi: \"a b\" ",
        quoted(standin_exe()) + " -clone:Nox_2 -performance:low -root:false -cpu:1 -memory:1024",
    };
    for (const std::string& line : lines) {
        const TypedValue r = launch(line.c_str());
        EXPECT_EQ(make_bool(true).low, r.low);
        EXPECT_EQ(line, start_of(log, line).rest("cmd"));
    }
}

TEST(LaunchCommand, UnquotedPathWithBlanksIsNotQuoted) {
    // A program path with a blank, unquoted: the system tries "<dir>\Program"
    // first and runs the decoy there. That the decoy gets the whole line shows
    // that the command added no quotes.
    StandinLog log;
    const std::string dir = log.directory();
    const std::string nox_dir = dir + "Program Files\\Nox\\";
    ASSERT_TRUE(CreateDirectoryA((dir + "Program Files").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(nox_dir.c_str(), nullptr));
    ASSERT_TRUE(CopyFileA(standin_exe().c_str(), (nox_dir + "Nox.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(decoy_exe().c_str(), (dir + "Program.exe").c_str(), FALSE));

    const std::string line = nox_dir + "Nox.exe -clone:Nox_1";
    EXPECT_EQ(1u, launch(line.c_str()).low);
    const LogEntry start = start_of(log, line);
    EXPECT_EQ("Program.exe", start.field("exe")) << "cmd: " << start.rest("cmd");
}

TEST(LaunchCommand, WaitFlagWaitsForTheEnd) {
    StandinLog log;
    ScopedEnv exit_after("VANTOR_STANDIN_EXIT_AFTER_MS", "300");
    const std::string waited = quoted(standin_exe()) + " -clone:Nox_1";
    EXPECT_EQ(1u, launch(waited.c_str(), {make_bool(true)}).low);
    const double returned = now_ms();
    const LogEntry start = start_of(log, waited);
    auto exits = log.wait_for("exit", 1, 0, start.pid);
    ASSERT_EQ(1u, exits.size()) << "the launch returned before the program had ended";
    EXPECT_LE(exits[0].ms, returned);

    // Without the flag it returns while the program still runs.
    const std::string unwaited = quoted(standin_exe()) + " -clone:Nox_2";
    EXPECT_EQ(1u, launch(unwaited.c_str(), {make_bool(false)}).low);
    const LogEntry second = start_of(log, unwaited);
    EXPECT_TRUE(log.wait_for("exit", 1, 0, second.pid).empty())
        << "the launch without wait flag returned after the program's end";
}

TEST(LaunchCommand, ShowModeReachesProgramClamped) {
    struct Case {
        bool given;
        int32_t mode;
        unsigned show; // the start-up record's show value
        const char* visible;
        const char* iconic;
        const char* zoomed;
    } cases[] = {
        {false, 0, SW_SHOWNORMAL, "1", "0", "0"},   {true, -5, SW_HIDE, "0", "0", "0"},
        {true, 0, SW_HIDE, "0", "0", "0"},          {true, 1, SW_HIDE, "0", "0", "0"},
        {true, 2, SW_SHOWNORMAL, "1", "0", "0"},    {true, 3, SW_SHOWMINIMIZED, "1", "1", "0"},
        {true, 4, SW_SHOWMAXIMIZED, "1", "0", "1"}, {true, 5, SW_SHOWNOACTIVATE, "1", "0", "0"},
        {true, 6, SW_MINIMIZE, "1", "1", "0"},      {true, 9, SW_MINIMIZE, "1", "1", "0"},
    };
    StandinLog log;
    int clone = 0;
    for (const Case& c : cases) {
        const std::string line = quoted(standin_exe()) + " -clone:Nox_" + std::to_string(++clone);
        const TypedValue mode = c.given ? make_int(c.mode) : kOmitted;
        ASSERT_EQ(1u, launch(line.c_str(), {make_bool(false), mode}).low);
        const LogEntry start = start_of(log, line);
        const std::string where = "mode " + (c.given ? std::to_string(c.mode) : "omitted");
        EXPECT_EQ(std::to_string(STARTF_USESHOWWINDOW), start.field("flags")) << where;
        EXPECT_EQ(std::to_string(c.show), start.field("show")) << where;
        auto shown = log.wait_for("window", 1, kWaitMs, start.pid);
        ASSERT_EQ(1u, shown.size()) << where;
        EXPECT_EQ(c.visible, shown[0].field("visible")) << where;
        EXPECT_EQ(c.iconic, shown[0].field("iconic")) << where;
        EXPECT_EQ(c.zoomed, shown[0].field("zoomed")) << where;
    }
}

// ---- delay
// -----------------------------------------------------------------------------------------

TEST(DelayDueTime, UnitFactorsAndTruncation) {
    struct Case {
        int32_t duration, unit;
        int64_t due;
    } cases[] = {
        {200, 0, -2000000},
        {2, 1, -20000000},
        {1, 2, -600000000},
        {1, 3, -36000000000},
        {5, 7, -350000},
        {0, 0, 0},
        {0, 3, 0},
        {-3, 0, 30000},
        {7, -1, 70000},
        {100, 1000, -1000000000},
        {INT32_MAX, 3, INT64_MIN},
        {INT32_MIN, 3, INT64_MIN}, // beyond 64 bits
        {INT32_MAX, 1, -21474836470000000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.due, delay_due_time(c.duration, c.unit))
            << "duration " << c.duration << ", unit " << c.unit;
    }
    EXPECT_EQ(1, delay_unit_factor(0));
    EXPECT_EQ(1000, delay_unit_factor(1));
    EXPECT_EQ(60000, delay_unit_factor(2));
    EXPECT_EQ(3600000, delay_unit_factor(3));
    EXPECT_EQ(4, delay_unit_factor(4));
    EXPECT_EQ(-2, delay_unit_factor(-2));
}

using Delay = HelperTest;

TEST_F(Delay, WaitsItsDurationOnTimerThatItCloses) {
    bool result = false;
    const double ms = timed_delay(200, 0, &result);
    EXPECT_TRUE(result);
    EXPECT_GE(ms, 199.0) << "the delay returned before its timer";
    EXPECT_LT(ms, 5000.0);
    ASSERT_EQ(1u, g_spy.timers.size());
    ASSERT_EQ(1u, g_spy.due_times.size());
    EXPECT_EQ(-2000000, g_spy.due_times[0]);
    ASSERT_FALSE(g_spy.waits.empty());
    EXPECT_EQ(1u, g_spy.waits[0].count);
    EXPECT_EQ(INFINITE, g_spy.waits[0].timeout);
    EXPECT_EQ(0xFFu, g_spy.waits[0].mask);
    EXPECT_FALSE(still_open(g_spy.timers[0])) << "timer handle left open";

    const double factor7 = timed_delay(5, 7);
    EXPECT_GE(factor7, 34.0) << "5 units of factor 7";
    EXPECT_EQ(-350000, g_spy.due_times.back());
}

TEST_F(Delay, OmittedDurationEndsAtFirstWakeUp) {
    bool result = false;
    const double ms = timed_delay(0, 0, &result);
    EXPECT_TRUE(result);
    EXPECT_LT(ms, 200.0);
    EXPECT_EQ(1u, g_spy.waits.size()) << "an already due timer needs one wait";
    ASSERT_EQ(1u, g_spy.due_times.size());
    EXPECT_EQ(0, g_spy.due_times[0]);
}

TEST_F(Delay, MessagesArrivingDuringDelayAreHandledInside) {
    HWND window = make_noting_window();
    ASSERT_NE(nullptr, window);
    ResetEvent(g_delay_begun);
    std::thread other([window] {
        WaitForSingleObject(g_delay_begun, kWaitMs);
        PostMessageA(window, kMsgPosted, 0, 0);
        SendMessageA(window, kMsgSent, 0, 0); // returns once handled
    });
    const double start = now_ms();
    const double ms = timed_delay(300, 0);
    other.join();
    const double end = start + ms;
    ASSERT_EQ(2u, g_noted.size()) << "messages not handled during the delay";
    for (const Noted& n : g_noted) {
        EXPECT_TRUE(n.inside_delay) << "message " << n.msg;
        EXPECT_LT(n.ms, end) << "message " << n.msg;
    }
    EXPECT_GE(ms, 299.0) << "a message ended the delay early";
    DestroyWindow(window);
}

TEST_F(Delay, QuitMessageStaysQueued) {
    HWND window = make_noting_window();
    PostMessageA(window, kMsgPosted, 0, 0);
    PostQuitMessage(7);
    const double ms = timed_delay(200, 0);
    EXPECT_GE(ms, 199.0);
    EXPECT_EQ(1u, g_noted.size()) << "the message posted before the quit request";
    EXPECT_LE(g_spy.waits.size(), 10u) << "the pending quit request kept waking the delay";
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(UINT(WM_QUIT), msg.message);
    EXPECT_EQ(7u, msg.wParam);
    DestroyWindow(window);
}

// A delay whose timer or wait failed: it still lasted `duration` ms, not much
// more, and reported that it ran to its end.
void expect_full_duration(int32_t duration, double ms, bool result) {
    EXPECT_TRUE(result);
    EXPECT_GE(ms, duration - 1.0);
    EXPECT_LT(ms, 5000.0);
}

TEST_F(Delay, EndsAfterItsDurationWhenTimerCannotBeCreated) {
    g_spy.fail_timer = true;
    bool result = false;
    const double ms = timed_delay_with_post(200, &result);
    expect_full_duration(200, ms, result);
    ASSERT_EQ(1u, g_noted.size()) << "no message pumping in the fallback";
    EXPECT_TRUE(g_noted[0].inside_delay);
    EXPECT_EQ(0, std::count(g_spy.closed.begin(), g_spy.closed.end(), nullptr))
        << "CloseHandle called for the missing timer";
}

TEST_F(Delay, EndsAfterItsDurationWhenWaitFails) {
    g_spy.fail_wait = true;
    bool result = false;
    const double ms = timed_delay(150, 0, &result);
    expect_full_duration(150, ms, result);
    EXPECT_LT(g_spy.waits.size(), 100u) << "the fallback spins";
    ASSERT_EQ(1u, g_spy.timers.size());
    EXPECT_FALSE(still_open(g_spy.timers[0])) << "timer handle left open";
}

bool g_abandon = false;

TEST_F(Delay, AbandonCheckEndsItEarly) {
    g_abandon = false;
    app::set_abandon_check([] { return g_abandon || !g_noted.empty(); });
    bool result = true;
    const double ms = timed_delay_with_post(5000, &result);
    EXPECT_FALSE(result);
    EXPECT_LT(ms, 2500.0) << "the delay was not abandoned";
    ASSERT_EQ(1u, g_spy.timers.size());
    EXPECT_FALSE(still_open(g_spy.timers[0])) << "timer handle left open";

    // Already abandoned: nothing is waited for.
    g_spy = Spy{};
    EXPECT_FALSE(delay(5000));
    EXPECT_TRUE(g_spy.timers.empty());
    EXPECT_TRUE(g_spy.waits.empty());
}

// ---- windows and processes
// ----------------------------------------------------------------------------

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
    EXPECT_EQ(0u, find_window(0, 0, kClass, "夜神模拟器")) << "title prefix matched";
    EXPECT_EQ(0u, find_window(0, 0, kClass, "夜神模拟器33"));
    EXPECT_EQ(0u, find_window(0, 0, "Qt5QWindow", "夜神模拟器3")) << "class prefix matched";
    EXPECT_EQ(0u, find_window(0, found, kClass, "夜神模拟器3")) << "a second window after it";

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
