// The launcher's delay routine: its timer and wait, messages handled inside
// it, the WM_QUIT it leaves queued, its fall-backs and its abandon check.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "app/system_helpers.h"
#include "tests/e2e/helper_fixture.h"
#include "tests/support/clock.h"

using namespace vantor;
using namespace vantor::testing;
using vantor::app::delay;

namespace {

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

// Milliseconds that delay(duration) took, noting that it ran.
double timed_delay(int32_t duration, bool* result = nullptr) {
    const double start = now_ms();
    g_inside_delay = true;
    SetEvent(g_delay_begun);
    const bool r = delay(duration);
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
    const double ms = timed_delay(duration, result);
    other.join();
    DestroyWindow(window);
    return ms;
}

class Delay : public HelperTest {
  protected:
    void SetUp() override {
        HelperTest::SetUp();
        g_noted.clear();
    }
};

TEST_F(Delay, WaitsItsDurationOnTimerThatItCloses) {
    bool result = false;
    const double ms = timed_delay(200, &result);
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
}

TEST_F(Delay, NoLengthEndsAtFirstWakeUp) {
    for (const int32_t duration : {0, -3}) {
        g_spy = Spy{};
        bool result = false;
        const double ms = timed_delay(duration, &result);
        EXPECT_TRUE(result) << duration;
        EXPECT_LT(ms, 200.0) << duration;
        EXPECT_EQ(1u, g_spy.waits.size()) << duration << ": an already due timer needs one wait";
        ASSERT_EQ(1u, g_spy.due_times.size()) << duration;
        EXPECT_EQ(duration * -10000LL, g_spy.due_times[0]) << "a negative one is long past";
    }
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
    const double ms = timed_delay(300);
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
    const double ms = timed_delay(200);
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
    const double ms = timed_delay(150, &result);
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

} // namespace
