// The runtime's message loop in this process: after which messages an idle
// turn is due, and how a message is offered for pre-translation before it is
// dispatched (the window chain, request 0x8002, the thread's message filter);
// and how a window's object is found from its handle.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "runtime/win32/kernel.h"
#include "runtime/win32/window_object.h"
#include "tests/support/automation.h"
#include "tests/support/kernel_access.h"
#include "tests/support/win32.h"

using namespace vantor;
using vantor::testing::add_idle_routine;
using vantor::testing::joined;

namespace {

std::vector<std::string> g_log;

void note(const std::string& line) {
    g_log.push_back(line);
}

std::string hex(UINT value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

// Windows of a test class whose procedure is `proc`; hidden, so that no real
// input or painting reaches them.
HWND make_window(const char* name, WNDPROC proc, HWND parent = nullptr) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    const std::string class_name = std::string("VantorLoop_") + name;
    wc.lpszClassName = class_name.c_str();
    RegisterClassA(&wc);
    return CreateWindowExA(0, class_name.c_str(), name, parent ? WS_CHILD : WS_POPUP, 0, 0, 10, 10,
                           parent, nullptr, wc.hInstance, nullptr);
}

// ---- idle due ---------------------------------------------------------------------------

constexpr UINT kMsgQuit = WM_APP + 1;
HANDLE g_dispatched = nullptr; // set when a script message has been dispatched
HANDLE g_idled = nullptr;      // set by the idle routine

LRESULT CALLBACK script_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_APP:
    case WM_PAINT:
    case 0x118:
        note(hex(msg));
        break;
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
        note(std::string(msg == WM_MOUSEMOVE ? "move " : "ncmove ") + std::to_string(LOWORD(lp)) +
             "," + std::to_string(HIWORD(lp)));
        break;
    case kMsgQuit:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
    SetEvent(g_dispatched);
    return 0;
}

// An idle period calls the routine once per idle step: with no window in the
// window table the steps are the general idle work, counter 1 and counter 2,
// which ends the period. The period is noted at its first call and reported
// done at its last, after which the loop waits for the next message.
constexpr int kCallsPerIdlePeriod = 3;
int g_idle_calls = 0;
void idle_routine(uint32_t) {
    if (g_idle_calls++ == 0)
        note("idle");
    if (g_idle_calls == kCallsPerIdlePeriod) {
        g_idle_calls = 0;
        SetEvent(g_idled);
    }
}

TEST(MessageLoop, NoIdleTurnAfterPaintSystemTimerOrARepeatedMouseMove) {
    HWND window = make_window("script", script_proc);
    ASSERT_NE(window, nullptr);
    g_dispatched = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    g_idled = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    g_idle_calls = 0;
    add_idle_routine(window, idle_routine, 0);
    g_log.clear();

    struct Step {
        UINT msg;
        LPARAM lp;
    };
    const Step script[] = {
        {WM_APP, 0},
        {WM_PAINT, 0},
        {0x118, 0},
        {WM_MOUSEMOVE, MAKELPARAM(5, 5)},
        {WM_MOUSEMOVE, MAKELPARAM(5, 5)},   // same number and position
        {WM_NCMOUSEMOVE, MAKELPARAM(5, 5)}, // another number
        {WM_NCMOUSEMOVE, MAKELPARAM(5, 5)},
        {WM_MOUSEMOVE, MAKELPARAM(6, 5)}, // another position
    };
    // One message at a time, each once the loop waits again: an idle period
    // that is due runs right after the message's dispatch and ends at once;
    // one that is not due never comes, and the next message follows after the
    // time-out.
    std::thread driver([&] {
        WaitForSingleObject(g_idled, 5000); // the loop's first idle period
        for (const Step& step : script) {
            PostMessageA(window, step.msg, 0, step.lp);
            WaitForSingleObject(g_dispatched, 5000);
            WaitForSingleObject(g_idled, 300);
        }
        PostMessageA(window, kMsgQuit, 0, 0);
    });
    run_message_loop(0);
    driver.join();

    const std::vector<std::string> expected = {"idle", // the loop starts in its idle phase
                                               "0x8000",   "idle",       "0xF",      "0x118",
                                               "move 5,5", "idle",       "move 5,5", "ncmove 5,5",
                                               "idle",     "ncmove 5,5", "move 6,5", "idle"};
    EXPECT_EQ(joined(g_log), joined(expected));
    runtime_request(1013, uint32_t(uintptr_t(window)), 0);
    DestroyWindow(window);
    CloseHandle(g_dispatched);
    CloseHandle(g_idled);
}

// ---- pre-translation -------------------------------------------------------------------

constexpr UINT kTaken = WM_APP + 5;    // the object takes it
constexpr UINT kNotTaken = WM_APP + 6; // nobody takes it: dispatched

// The object a plain window hands out through request 0x8002.
class Translator final : public WindowObject {
  public:
    bool pre_translate(MSG& msg) override {
        note("object offered " + hex(msg.message));
        return msg.message == kTaken;
    }
};
Translator g_translator;

// Plain windows without an object of the runtime: each notes request 0x8002
// and the messages dispatched to it; "outer" answers with the translator.
LRESULT plain(const char* name, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, WindowObject* object) {
    if (msg == kMsgQueryObject) {
        note(std::string("query ") + name);
        return LRESULT(object);
    }
    if (msg == kTaken || msg == kNotTaken) {
        note(std::string(name) + " got " + hex(msg));
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}
LRESULT CALLBACK top_proc(HWND h, UINT m, WPARAM w, LPARAM l) {
    return plain("top", h, m, w, l, nullptr);
}
LRESULT CALLBACK outer_proc(HWND h, UINT m, WPARAM w, LPARAM l) {
    return plain("outer", h, m, w, l, &g_translator);
}
LRESULT CALLBACK inner_proc(HWND h, UINT m, WPARAM w, LPARAM l) {
    return plain("inner", h, m, w, l, nullptr);
}

HHOOK g_filter = nullptr;
LRESULT CALLBACK message_filter(int code, WPARAM wp, LPARAM lp) {
    const MSG* msg = reinterpret_cast<const MSG*>(lp);
    if (code >= 0 && msg->hwnd == nullptr && msg->message >= WM_APP) {
        note("filter " + hex(msg->message));
        return msg->message == kTaken;
    }
    return CallNextHookEx(g_filter, code, wp, lp);
}

TEST(MessageLoop, PreTranslationAsksWindowsWithoutObjectThroughRequest8002) {
    HWND top = make_window("top", top_proc);
    HWND outer = make_window("outer", outer_proc, top);
    HWND inner = make_window("inner", inner_proc, outer);
    ASSERT_TRUE(top && outer && inner);
    g_filter = SetWindowsHookExA(WH_MSGFILTER, message_filter, nullptr, GetCurrentThreadId());
    ASSERT_NE(g_filter, nullptr);
    struct Row {
        const char* what;
        HWND target;
        UINT msg;
        HWND main_window;
        std::vector<std::string> expected;
    };
    const Row rows[] = {
        {"taken by the parent's object",
         inner,
         kTaken,
         nullptr,
         {"query inner", "query outer", "object offered 0x8005"}},
        {"offered up to the top, then dispatched",
         inner,
         kNotTaken,
         nullptr,
         {"query inner", "query outer", "object offered 0x8006", "query top", "inner got 0x8006"}},
        {"the chain stops after the main window",
         inner,
         kNotTaken,
         outer,
         {"query inner", "query outer", "object offered 0x8006", "inner got 0x8006"}},
        {"a thread message goes to the message filter",
         nullptr,
         kTaken,
         nullptr,
         {"filter 0x8005"}},
    };
    for (const Row& row : rows) {
        g_log.clear();
        vantor::testing::KernelTestAccess::state().main_window = row.main_window;
        if (row.target) {
            PostMessageA(row.target, row.msg, 0, 0);
        } else {
            PostThreadMessageA(GetCurrentThreadId(), row.msg, 0, 0);
        }
        process_pending_messages();
        EXPECT_EQ(joined(g_log), joined(row.expected)) << row.what;
    }
    vantor::testing::KernelTestAccess::state().main_window = nullptr;
    UnhookWindowsHookEx(g_filter);
    DestroyWindow(top);
}

// ---- a window's object ------------------------------------------------------------------

// Found from the handle by any thread while attached; forgotten when detached
// and when the window is destroyed, so that a handle the system hands out
// again never leads to an object that is gone.
TEST(WindowObjectLookup, FoundWhileAttachedAndForgottenAfterDetachOrDestroy) {
    struct Plain final : WindowObject {};
    HWND a = make_window("object_a", DefWindowProcA);
    HWND b = make_window("object_b", DefWindowProcA);
    ASSERT_TRUE(a && b);
    Plain object_a, object_b;
    object_a.attach(a);
    object_b.attach(b);
    EXPECT_EQ(WindowObject::from_handle(a), &object_a);
    EXPECT_EQ(WindowObject::from_handle(b), &object_b);
    EXPECT_EQ(SendMessageA(a, kMsgQueryObject, 0, 0), reinterpret_cast<LRESULT>(&object_a));
    WindowObject* seen_elsewhere = nullptr;
    std::thread([&] { seen_elsewhere = WindowObject::from_handle(a); }).join();
    EXPECT_EQ(seen_elsewhere, &object_a);

    object_b.detach();
    EXPECT_EQ(WindowObject::from_handle(b), nullptr);
    EXPECT_EQ(SendMessageA(b, kMsgQueryObject, 0, 0), 0);
    DestroyWindow(a);
    EXPECT_EQ(WindowObject::from_handle(a), nullptr);
    EXPECT_EQ(object_a.handle(), nullptr);
    DestroyWindow(b);
}

} // namespace
