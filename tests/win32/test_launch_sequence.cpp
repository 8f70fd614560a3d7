// The launch sequence in-process: the application's interface table is
// replaced by one that plays the emulator (its instances' windows and
// processes) and notes, as a line each, the launches, window looks, delays,
// terminations and message boxes the sequence asks for. Delays are real waits
// on the system's timer, shortened by a factor.
#include <windows.h>
// After windows.h, whose types it uses.
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/launch_sequence.h"
#include "app/launcher.h"
#include "app/system_helpers.h"
#include "app/win32/notices.h"
#include "commands/library.h"
#include "runtime/allocator.h"
#include "runtime/call.h"
#include "runtime/win32/interface.h"
#include "runtime/win32/system_text.h"
#include "tests/support/sequence.h"
#include "tests/support/win32.h"

using namespace vantor;
using namespace vantor::testing;
using vantor::app::WaitLimits;

namespace {

constexpr uint32_t kFirstWindow = 0x1000; // instance i's window: kFirstWindow + i
constexpr uint32_t kFirstPid = 1000;      // instance i's process: kFirstPid + i
constexpr uint32_t kSnapshot = 0x7F00;    // handles the fake hands out
constexpr uint32_t kProcessHandle = 0x7F10;
constexpr int kNever = -1;
constexpr int64_t kTimerUnitsPerMs = 10000; // the timer counts 100-ns units

// The emulator and the runtime as the sequence meets them through the table.
struct FakeInterface {
    std::map<uint32_t, std::string> boxes; // edit box unit -> content
    std::string image = "Nox.exe";         // the instances' process image name
    int looks_until_shown = 1;             // looks before an instance's window is found
    int looks_until_gone = 1;              // looks after its termination before it is gone
    bool launch_ok = true;
    double delay_scale = 0; // a delay waits this fraction of its length
    std::function<void(const std::string& line)> on_launch;

    struct Instance {
        int looks = 0;
        bool terminated = false;
        int looks_after = 0;
    };
    std::map<int, Instance> instances;
    std::set<int> running_before; // instances whose window shows before the sequence
    std::vector<std::string> log;
    // What the window shows: the title and 启动's state as written, between
    // the launches.
    std::string caption = "Vantor";
    uint32_t start_disabled = 0;
    std::vector<std::string> view;
    std::vector<std::pair<uint32_t, uint32_t>> progress; // (done, total) as told
    std::vector<double> launch_ms;
    double first_shown_ms = 0;

    uint32_t find(const char* title) {
        log.push_back(std::string("find ") + title);
        const int i = std::atoi(title + std::strlen("夜神模拟器"));
        if (running_before.count(i))
            return kFirstWindow + uint32_t(i);
        auto it = instances.find(i);
        if (it == instances.end())
            return 0;
        Instance& in = it->second;
        if (in.terminated)
            return ++in.looks_after >= looks_until_gone && looks_until_gone != kNever
                       ? 0
                       : kFirstWindow + uint32_t(i);
        if (looks_until_shown == kNever || ++in.looks < looks_until_shown)
            return 0;
        if (first_shown_ms == 0)
            first_shown_ms = now_ms();
        return kFirstWindow + uint32_t(i);
    }

    // The running instances as the process list shows them.
    std::vector<std::pair<uint32_t, int>> processes() const {
        std::vector<std::pair<uint32_t, int>> out;
        for (const auto& [i, in] : instances)
            if (!in.terminated)
                out.emplace_back(kFirstPid + uint32_t(i), i);
        return out;
    }
};

FakeInterface* g_fake = nullptr;
size_t g_listed = 0; // the process list's next entry

uint32_t fake_declared(uint32_t index, uint32_t, const uint32_t* a) {
    FakeInterface& f = *g_fake;
    switch (index) {
    case app::kCreateWaitableTimerW:
        return uint32_t(uintptr_t(CreateWaitableTimerW(nullptr, FALSE, nullptr)));
    case app::kSetWaitableTimer: {
        LARGE_INTEGER due;
        std::memcpy(&due, reinterpret_cast<const void*>(uintptr_t(a[1])), sizeof due);
        f.log.push_back("delay " + std::to_string(-due.QuadPart / kTimerUnitsPerMs));
        due.QuadPart = LONGLONG(double(due.QuadPart) * f.delay_scale);
        return SetWaitableTimer(HANDLE(uintptr_t(a[0])), &due, 0, nullptr, nullptr, FALSE);
    }
    case app::kMsgWaitForMultipleObjects:
        return MsgWaitForMultipleObjects(a[0], reinterpret_cast<const HANDLE*>(uintptr_t(a[1])),
                                         BOOL(a[2]), a[3], a[4]);
    case app::kCloseHandle:
        return a[0] == kSnapshot || a[0] == kProcessHandle ? 1
                                                           : CloseHandle(HANDLE(uintptr_t(a[0])));
    case app::kFindWindowExW:
        return f.find(
            system_text::from_wide(reinterpret_cast<const wchar_t*>(uintptr_t(a[3]))).c_str());
    case app::kGetWindowThreadProcessId:
        *reinterpret_cast<uint32_t*>(uintptr_t(a[1])) = kFirstPid + (a[0] - kFirstWindow);
        return 1;
    case app::kCreateToolhelp32Snapshot:
        g_listed = 0;
        return kSnapshot;
    case app::kProcess32FirstW:
    case app::kProcess32NextW: {
        const auto list = f.processes();
        if (index == app::kProcess32FirstW)
            g_listed = 0;
        if (g_listed >= list.size())
            return 0;
        auto* entry = reinterpret_cast<PROCESSENTRY32W*>(uintptr_t(a[1]));
        entry->th32ProcessID = list[g_listed++].first;
        std::wcscpy(entry->szExeFile, system_text::to_wide(f.image).c_str());
        return 1;
    }
    case app::kOpenProcess:
        f.log.push_back("open " + std::to_string(a[2]));
        return kProcessHandle;
    case app::kTerminateProcess:
        for (auto& [i, in] : f.instances)
            in.terminated = true; // the only one running unterminated
        f.log.push_back("terminate");
        return 1;
    default:
        ADD_FAILURE() << "declared function " << index << " is not played";
        return 0;
    }
}

TypedValue fake_command(CommandFn command, int32_t argc, const TypedValue* args) {
    FakeInterface& f = *g_fake;
    if (command == cmd_launch) {
        const std::string line = as_text(args[0]);
        f.log.push_back("launch " + line);
        f.view.push_back("launch " + line.substr(line.find(" -clone:") + 1));
        f.launch_ms.push_back(now_ms());
        static const std::string kClone = "-clone:Nox_";
        const size_t clone = line.find(kClone);
        if (f.launch_ok && clone != std::string::npos && line.find("-dpi:") != std::string::npos)
            f.instances[std::atoi(line.c_str() + clone + kClone.size())] = {};
        if (f.on_launch)
            f.on_launch(line);
        return make_bool(f.launch_ok);
    }
    if (command == cmd_message_box) {
        f.log.push_back(std::string("message box ") + as_text(args[0]));
        return make_int(IDOK);
    }
    return call_command(command, argc, args);
}

uint64_t fake_read(uint32_t, uint32_t unit, int32_t index, int32_t) {
    if (index == app::kPropDisabled)
        return unit == app::kStartButton ? g_fake->start_disabled : 0;
    if (index == app::kPropCaption && unit == app::kMainWindowUnit)
        return uint32_t(uintptr_t(copy_text(g_fake->caption.c_str())));
    EXPECT_EQ(app::kPropContent, index) << "unit " << unit;
    return uint32_t(uintptr_t(copy_text(g_fake->boxes[unit].c_str())));
}

void fake_write(uint32_t, uint32_t unit, int32_t index, int32_t, uint32_t low, uint32_t) {
    FakeInterface& f = *g_fake;
    if (index == app::kPropCaption && unit == app::kMainWindowUnit) {
        f.caption = reinterpret_cast<const char*>(uintptr_t(low));
        f.view.push_back("title " + f.caption);
    } else if (index == app::kPropDisabled && unit == app::kStartButton) {
        f.start_disabled = low;
        f.view.push_back("disabled " + std::to_string(low));
    } else {
        ADD_FAILURE() << "property " << index << " of unit " << unit << " written";
    }
}

void fake_progress(uint32_t done, uint32_t total) {
    g_fake->progress.emplace_back(done, total);
}

// Installs the fake as the application's table and the fake request entry
// (pending messages) for a test's lifetime.
class LaunchSequence : public ::testing::Test {
  protected:
    void SetUp() override {
        g_fake = &fake_;
        table_ = kRuntimeInterface;
        table_.call_declared = fake_declared;
        table_.call_command = table_.call_command_alias = fake_command;
        table_.read_property = fake_read;
        table_.write_property = fake_write;
        set_app_interface(&table_);
        app::set_progress_hook(fake_progress);
        app::install_notices(); // the program's: message boxes through the table
        fake_.boxes = {{app::kCountBox, "2"},
                       {app::kWidthBox, "720"},
                       {app::kHeightBox, "1280"},
                       {app::kDpiBox, "320"},
                       {app::kPathBox, "D:\\Nox\\bin\\Nox.exe"}};
    }
    void TearDown() override {
        app::set_progress_hook(nullptr);
        app::set_notice_hooks({});
        set_app_interface(nullptr);
        g_fake = nullptr;
    }
    std::vector<std::string> launches() const {
        std::vector<std::string> out;
        for (const std::string& line : fake_.log)
            if (line.rfind("launch ", 0) == 0)
                out.push_back(line);
        return out;
    }

    FakeRequests requests_;
    FakeInterface fake_;
    InterfaceTable table_{};
};

#define FIRST_PASS(i)                                                                              \
    "launch D:\\Nox\\bin\\Nox.exe -clone:Nox_" #i                                                  \
    " -resolution:720x1280 -dpi:320 -performance:low -root:false -cpu:1 "                          \
    "-memory:1024"
#define SECOND_PASS(i) "launch D:\\Nox\\bin\\Nox.exe -clone:Nox_" #i

TEST_F(LaunchSequence, CountTwoRunsBothPassesInOrder) {
    fake_.looks_until_shown = 2;
    static const Step kExpected[] = {{"find 夜神模拟器1"}, // already running?
                                     {"find 夜神模拟器2"}, {FIRST_PASS(1)},
                                     {"delay 200"},        {"find 夜神模拟器1"},
                                     {"delay 200"},        {"find 夜神模拟器1"},
                                     {"open 1001"},        {"terminate"},
                                     {"delay 200"},        {"find 夜神模拟器1"},
                                     {"delay 500"},        {FIRST_PASS(2)},
                                     {"delay 200"},        {"find 夜神模拟器2"},
                                     {"delay 200"},        {"find 夜神模拟器2"},
                                     {"open 1002"},        {"terminate"},
                                     {"delay 200"},        {"find 夜神模拟器2"},
                                     {"delay 500"},        {SECOND_PASS(1)},
                                     {"delay 800"},        {SECOND_PASS(2)},
                                     {"delay 800"},        {nullptr}};
    app::launch_sequence(app::kWaitLimits);
    EXPECT_TRUE(sequence_matches(fake_.log, kExpected));
}

TEST_F(LaunchSequence, TitleShowsTheStepAndStartIsDisabledUntilTheEnd) {
    // The count changes between the passes: the second pass shows its own.
    fake_.on_launch = [this](const std::string& line) {
        if (line.find("-clone:Nox_2 -resolution") != std::string::npos)
            fake_.boxes[app::kCountBox] = "3";
    };
    static const Step kExpected[] = {{"disabled 1"},
                                     {"title Vantor - 准备 1/2"},
                                     {"launch -clone:Nox_1 -resolution:720x1280 -dpi:320 "
                                      "-performance:low -root:false -cpu:1 -memory:1024"},
                                     {"title Vantor - 准备 2/2"},
                                     {"launch -clone:Nox_2 -resolution:720x1280 -dpi:320 "
                                      "-performance:low -root:false -cpu:1 -memory:1024"},
                                     {"title Vantor - 启动 1/3"},
                                     {"launch -clone:Nox_1"},
                                     {"title Vantor - 启动 2/3"},
                                     {"launch -clone:Nox_2"},
                                     {"title Vantor - 启动 3/3"},
                                     {"launch -clone:Nox_3"},
                                     {"title Vantor"},
                                     {"disabled 0"},
                                     {nullptr}};
    const app::SequenceReport report = app::launch_sequence(app::kWaitLimits);
    EXPECT_TRUE(sequence_matches(fake_.view, kExpected));
    const std::vector<std::pair<uint32_t, uint32_t>> progress = {{0, 4}, {1, 4}, {2, 5},
                                                                 {3, 5}, {4, 5}, {0, 0}};
    EXPECT_EQ(progress, fake_.progress);
    EXPECT_EQ(app::kExitDone, app::exit_code_of(report));
    EXPECT_EQ(app::kExitDone, app::exit_code_of(app::last_sequence_report()));
}

TEST_F(LaunchSequence, LaunchThatFailsIsReportedOnceAndEndsTheSequence) {
    fake_.launch_ok = false;
    static const Step kExpected[] = {
        {"find 夜神模拟器1"},
        {"find 夜神模拟器2"},
        {FIRST_PASS(1)},
        {"message box 无法启动模拟器：\r\nD:\\Nox\\bin\\Nox.exe -clone:Nox_1 -resolution:720x1280 "
         "-dpi:320 -performance:low -root:false -cpu:1 -memory:1024"},
        {nullptr}};
    EXPECT_EQ(app::kExitLaunchFailed, app::exit_code_of(app::launch_sequence(app::kWaitLimits)));
    EXPECT_TRUE(sequence_matches(fake_.log, kExpected));
    // What the window showed is back after the early end.
    EXPECT_EQ("Vantor", fake_.caption);
    EXPECT_EQ(0u, fake_.start_disabled);
}

// An instance left running by an earlier run is neither started nor ended
// again, nor waited for; the others are, and the title counts only them.
TEST_F(LaunchSequence, InstanceAlreadyRunningIsLeftAsItIsAndReported) {
    fake_.running_before = {1};
    const app::SequenceReport report = app::launch_sequence(app::kWaitLimits);
    EXPECT_EQ(app::kExitAlreadyRunning, app::exit_code_of(report));
    const std::vector<std::string> expected = {FIRST_PASS(2), SECOND_PASS(2)};
    EXPECT_EQ(expected, launches());
    for (const std::string& line : fake_.log)
        EXPECT_EQ(std::string::npos, line.find("open 1001")) << line;
    ASSERT_FALSE(fake_.log.empty());
    EXPECT_EQ("message box 模拟器 1 已在运行，没有重新启动。", fake_.log.back());
    const std::vector<std::string> titles = {"title Vantor - 准备 1/1", "title Vantor - 启动 1/1"};
    std::vector<std::string> shown;
    for (const std::string& line : fake_.view)
        if (line.rfind("title Vantor - ", 0) == 0)
            shown.push_back(line);
    EXPECT_EQ(titles, shown);
}

// ---- limits of the window waits ------------------------------------------------------------

constexpr WaitLimits kShortLimits{300, 300};
constexpr double kPauseMs = 500;

TEST_F(LaunchSequence, WindowThatNeverAppearsEndsTheWaitAndTheSequenceGoesOn) {
    fake_.looks_until_shown = kNever;
    fake_.delay_scale = 1;
    EXPECT_EQ(app::kExitNeverAppeared, app::exit_code_of(app::launch_sequence(kShortLimits)));
    const std::vector<std::string> expected = {FIRST_PASS(1), FIRST_PASS(2), SECOND_PASS(1),
                                               SECOND_PASS(2)};
    ASSERT_EQ(expected, launches());
    ASSERT_FALSE(fake_.log.empty());
    EXPECT_EQ("message box 模拟器 1、2 的窗口在 1 秒内没有出现，没有被结束。", fake_.log.back())
        << "one warning at the end";
    // The wait ran to its limit, then the 500 ms pause; nothing was terminated.
    EXPECT_GE(fake_.launch_ms[1] - fake_.launch_ms[0], kShortLimits.appear_ms + kPauseMs - 20);
    for (const std::string& line : fake_.log)
        EXPECT_EQ(std::string::npos, line.find("terminate")) << line;
}

TEST_F(LaunchSequence, WindowThatNeverGoesEndsTheWaitAndTheSequenceGoesOn) {
    // An emulator under another image name: its window is found, but a process
    // not named Nox.exe is not terminated, so the window stays.
    fake_.image = "Emu.exe";
    fake_.delay_scale = 1;
    EXPECT_EQ(app::kExitNeverClosed, app::exit_code_of(app::launch_sequence(kShortLimits)));
    ASSERT_FALSE(fake_.log.empty());
    EXPECT_EQ("message box 模拟器 1、2 的窗口在结束后 1 秒内没有关闭。", fake_.log.back());
    const std::vector<std::string> expected = {FIRST_PASS(1), FIRST_PASS(2), SECOND_PASS(1),
                                               SECOND_PASS(2)};
    ASSERT_EQ(expected, launches());
    ASSERT_NE(0, fake_.first_shown_ms) << "instance 1's window was never found";
    EXPECT_GE(fake_.launch_ms[1] - fake_.first_shown_ms, kShortLimits.disappear_ms + kPauseMs - 20);
    for (const std::string& line : fake_.log)
        EXPECT_EQ(std::string::npos, line.find("open")) << line;
}

// ---- messages queued while a launch holds the thread ------------------------------------------

constexpr UINT kTypeTwo = WM_APP + 1;

LRESULT CALLBACK typing_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kTypeTwo) {
        g_fake->boxes[app::kCountBox] = "2";
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

TEST_F(LaunchSequence, KeysTypedWhileALaunchHoldsTheThreadAreHandled) {
    // No instance window ever shows and nothing but the posted message reaches
    // the queue: a sequence that only peeks for a close request at each wait
    // marks the message as seen, its waits no longer wake for it, and the
    // second pass reads the old count.
    WNDCLASSA wc{};
    wc.lpfnWndProc = typing_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VantorTypingWindow";
    RegisterClassA(&wc);
    HWND box = CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                               nullptr, wc.hInstance, nullptr);
    ASSERT_NE(nullptr, box);
    fake_.boxes[app::kCountBox] = "1";
    fake_.looks_until_shown = kNever;
    fake_.delay_scale = 1;
    fake_.on_launch = [box](const std::string& line) {
        if ("launch " + line == FIRST_PASS(1))
            PostMessageA(box, kTypeTwo, 0, 0);
    };
    app::launch_sequence(kShortLimits);
    DestroyWindow(box);
    const std::vector<std::string> expected = {FIRST_PASS(1), SECOND_PASS(1), SECOND_PASS(2)};
    EXPECT_EQ(expected, launches());
}

} // namespace
