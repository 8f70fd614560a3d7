// Loading windows from the window table: the order of the load steps, what
// the passes build, reloading, the close request, modal loads, failed loads
// and the end of the program when the last window goes.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "forms/archive.h"
#include "forms/win32/dispatch.h"
#include "forms/win32/engine.h"
#include "forms/win32/loader.h"
#include "runtime/win32/kernel.h"
#include "tests/support/forms_harness.h"
#include "tests/support/kernel_access.h"
#include "tests/support/sequence.h"
#include "tests/support/test_kinds.h"

using namespace vantor;
using namespace vantor::testing;
using namespace vantor::props::fixed;

namespace {

using FormsLoad = FormsTest;

// The child windows of `parent` from the top of the z-order down, by unit name.
std::string stacking(HWND parent) {
    std::string names;
    for (HWND h = GetWindow(parent, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
        auto* unit = dynamic_cast<TestUnit*>(WindowObject::from_handle(h));
        names += (unit ? unit->name : "?") + " ";
    }
    return names;
}

// The lines of the log that contain `part`, taken, each followed by a space.
std::string logged(const char* part = "") {
    std::string lines;
    for (const auto& line : take_log())
        if (line.find(part) != std::string::npos)
            lines += line + " ";
    return lines;
}

// Runs `action` once, from a timer of the message loop that is running then.
std::function<void()> g_timer_action;
void CALLBACK run_timer_action(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    auto action = g_timer_action;
    action();
}
void after(UINT ms, std::function<void()> action) {
    g_timer_action = std::move(action);
    SetTimer(nullptr, 0, ms, run_timer_action);
}

bool quit_waiting() {
    MSG msg;
    return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
}

} // namespace

TEST_F(FormsLoad, StepsRunInOrderAndHandlersOnlyOnceEventsAreUnblocked) {
    ASSERT_TRUE(load(ids::Order));
    // B raises event 5 on each private message: while the load blocks events
    // (32879) it is dropped, after the unblock (32886) it reaches its handler.
    static const Step expected[] = {
        {"C 806F"},   {"B 806F"},    {"A 806F"},    {"W 806F"},    {"W 8004"},   {"A show 1"},
        {"B show 1"}, {"W event 0"}, {"W event 3"}, {"W event 4"}, {"W show 1"}, {"W event -7"},
        {"C 8076"},   {"B 8076"},    {"B event 5"}, {"A 8076"},    {"W 8076"},   {nullptr}};
    EXPECT_SEQUENCE(expected);
    // Control ids follow the creation order, the last stored first.
    EXPECT_EQ(GetDlgCtrlID(handle_of(ids::Order, ids::OrderC)), 100);
    EXPECT_EQ(GetDlgCtrlID(handle_of(ids::Order, ids::OrderB)), 110);
    EXPECT_EQ(GetDlgCtrlID(handle_of(ids::Order, ids::OrderA)), 120);
}

TEST_F(FormsLoad, StylesParentsStackingAndTabCandidatesOfTheLoadedUnits) {
    ASSERT_TRUE(load(ids::Main));
    const LONG flags = WS_VISIBLE | WS_DISABLED | WS_TABSTOP;
    // Unit, what, its flags.
    const std::tuple<uint32_t, const char*, LONG> rows[] = {
        {ids::MainA, "A visible tab stop", WS_VISIBLE | WS_TABSTOP},
        {ids::MainB, "B visible", WS_VISIBLE},
        {ids::MainC, "C never shown: no styles whatever its flags", 0},
        {ids::MainD, "D hidden, disabled, tab stop", WS_DISABLED | WS_TABSTOP},
        {ids::MainH, "H first page", WS_VISIBLE},
        {ids::MainI, "I second page", 0}};
    for (auto [unit, what, expected] : rows)
        EXPECT_EQ(GetWindowLongA(handle_of(ids::Main, unit), GWL_STYLE) & flags, expected) << what;

    // Controls sit on their parent units, siblings stack in stored order.
    HWND window = handle_of(ids::Main, 0);
    HWND panel = handle_of(ids::Main, ids::MainP);
    HWND pages = handle_of(ids::Main, ids::MainG);
    EXPECT_EQ(GetParent(handle_of(ids::Main, ids::MainQ)), panel);
    EXPECT_EQ(GetParent(handle_of(ids::Main, ids::MainR)), panel);
    EXPECT_EQ(GetParent(handle_of(ids::Main, ids::MainI)), pages);
    EXPECT_EQ(GetParent(handle_of(ids::Main, ids::MainA)), window);
    EXPECT_EQ(stacking(window), "A B C D P G X T F S ");
    EXPECT_EQ(stacking(panel), "Q R ");
    EXPECT_EQ(stacking(pages), "H I ");

    // Tab candidates: D is hidden, T is of a kind without tab focus, B and R have no tab stop.
    std::string order;
    for (const forms::UnitInfo& u : forms::tab_candidates(ids::Main))
        order += dynamic_cast<TestUnit*>(u.object)->name + " ";
    EXPECT_EQ(order, "Q S A ");
}

TEST_F(FormsLoad, UnitObjectsAreFoundByIdAndWindowByUnitZero) {
    ASSERT_TRUE(load(ids::Main));
    UnitObject* window = forms::find_unit_object(ids::Main, 0);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window, forms::find_unit_object(ids::Main, ids::MainW));
    EXPECT_EQ(window->unit_id(), ids::MainW);
    EXPECT_EQ(runtime_request(2006, ids::Main, ids::MainQ),
              uint32_t(uintptr_t(forms::find_unit_object(ids::Main, ids::MainQ))));
    EXPECT_EQ(runtime_request(2007, ids::Main, ids::MainQ),
              uint32_t(uintptr_t(forms::find_unit_object(ids::Main, ids::MainQ))));
    EXPECT_EQ(runtime_request(2006, ids::Order, 0), 0u) << "a window not loaded has no object";
    EXPECT_EQ(runtime_request(2006, ids::Main, 0x16019999), 0u);
}

TEST_F(FormsLoad, LoadingAnOpenWindowBringsItBackAndAReloadStartsFromTheStore) {
    ASSERT_TRUE(load(ids::Main));
    HWND window = handle_of(ids::Main, 0);
    uint32_t created = units_created();
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(window));
    clear_log();
    EXPECT_TRUE(load(ids::Main));
    EXPECT_EQ(units_created(), created);
    EXPECT_EQ(handle_of(ids::Main, 0), window);
    EXPECT_FALSE(IsIconic(window));
    static const Step no_load_events[] = {{"W show 1", kOptional}, {nullptr}};
    EXPECT_SEQUENCE(no_load_events);

    // Values written while open are gone after a reload.
    write(ids::Main, ids::MainA, Left, 55);
    write(ids::Main, ids::MainX, Tag, word_of("新标签"));
    write(ids::Main, ids::MainX, probe::Text, word_of("changed"));
    write(ids::Main, ids::MainD, Visible, 1);
    ASSERT_EQ(read(ids::Main, ids::MainA, Left), 55u);
    ASSERT_TRUE(forms::request_close(ids::Main));
    ASSERT_EQ(handle_of(ids::Main, 0), nullptr);
    EXPECT_EQ(read(ids::Main, ids::MainA, Left), 10u) << "stored description restored";
    EXPECT_EQ(read_text(ids::Main, ids::MainX, Tag), "标签");
    ASSERT_TRUE(load(ids::Main));
    EXPECT_EQ(read(ids::Main, ids::MainA, Left), 10u);
    EXPECT_EQ(read_text(ids::Main, ids::MainX, probe::Text), "probe");
    EXPECT_EQ(read(ids::Main, ids::MainD, Visible), 0u);
}

TEST_F(FormsLoad, CloseEventsTwelveThenOneAndEitherVetoes) {
    // The event whose handler returns `result` (0: none returns), closed, the events.
    const std::tuple<int32_t, uint32_t, bool, const char*> rows[] = {
        {0, 0, true, "W event 12 W event 1 "},
        {12, 0, false, "W event 12 "},
        {1, 0, false, "W event 12 W event 1 "},
        {12, 1, true, "W event 12 W event 1 "}}; // both return true
    for (auto [veto_event, result, closes, events] : rows) {
        SCOPED_TRACE(::testing::Message() << "event " << veto_event << " returns " << result);
        ASSERT_TRUE(load(ids::Main));
        clear_log();
        g_event_hook = [veto_event, result](uint32_t, uint32_t, int32_t event) {
            if (veto_event && (event == veto_event || result))
                forms::set_handler_result(result);
        };
        PostMessageA(handle_of(ids::Main, 0), WM_CLOSE, 0, 0);
        pump();
        EXPECT_EQ(logged(" event "), events);
        EXPECT_EQ(handle_of(ids::Main, 0) == nullptr, closes);
        close_all_windows();
    }
}

TEST_F(FormsLoad, ModalLoadDisablesTheOthersAndReturnsOnlyAfterItsWindowClosed) {
    ASSERT_TRUE(load(ids::Main));
    HWND main = handle_of(ids::Main, 0);
    bool main_enabled_meanwhile = true;
    uint32_t modal_meanwhile = 0;
    bool modal_flag_meanwhile = false;
    after(50, [&] {
        main_enabled_meanwhile = IsWindowEnabled(handle_of(ids::Main, 0)) != FALSE;
        modal_meanwhile = current_modal_window();
        modal_flag_meanwhile = forms::is_modal(ids::Modal);
        log_line("timer");
        PostMessageA(handle_of(ids::Modal, 0), WM_CLOSE, 0, 0);
    });
    clear_log();
    bool loaded = load(ids::Modal, true);
    log_line("returned");
    EXPECT_TRUE(loaded);
    EXPECT_FALSE(main_enabled_meanwhile);
    EXPECT_EQ(modal_meanwhile, ids::Modal);
    EXPECT_TRUE(modal_flag_meanwhile);
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_EQ(handle_of(ids::Modal, 0), nullptr);
    static const Step expected[] = {{"A 806F"},    {"W 806F"},     {"W 8004"},    {"A show 1"},
                                    {"W event 0"}, {"W show 1"},   {"A 8076"},    {"W 8076"},
                                    {"timer"},     {"W event 12"}, {"W event 1"}, {"W destroy"},
                                    {"A destroy"}, {"returned"},   {nullptr}};
    // Main, disabled, still has its idle turns while the nested loop idles.
    auto log = take_log();
    std::erase(log, "W event 7");
    EXPECT_TRUE(sequence_matches(log, expected));
}

TEST_F(FormsLoad, ModalWindowOwnedByHiddenOwnerAndOwnerGivenIsIgnored) {
    ASSERT_TRUE(load(ids::Main));
    HWND owner = nullptr;
    after(30, [&] {
        owner = GetWindow(handle_of(ids::Modal, 0), GW_OWNER);
        DestroyWindow(handle_of(ids::Modal, 0)); // not through the close request
    });
    EXPECT_TRUE(load(ids::Modal, true, ids::Main));
    EXPECT_EQ(owner, hidden_owner_window());
    EXPECT_TRUE(IsWindowEnabled(handle_of(ids::Main, 0)))
        << "windows a modal window disabled come back however it was destroyed";
}

// A timer that comes due while the window is built runs when events are let
// through again, and may destroy the window before the load has finished.
bool g_destroy_armed = false;
LRESULT CALLBACK destroy_on_creation(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_CREATEWND && g_destroy_armed) {
        g_destroy_armed = false;
        after(0, [] { DestroyWindow(handle_of(ids::Modal, 0)); });
        // Due before the units are all built.
        const DWORD start = GetTickCount();
        while (!(HIWORD(GetQueueStatus(QS_TIMER)) & QS_TIMER) && GetTickCount() - start < 5000)
            Sleep(1);
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

TEST_F(FormsLoad, WindowDestroyedWhileTheLoadUnblocksEventsEndsTheLoad) {
    ASSERT_TRUE(load(ids::Main));
    g_destroy_armed = true;
    HHOOK hook = SetWindowsHookExA(WH_CBT, destroy_on_creation, nullptr, GetCurrentThreadId());
    EXPECT_TRUE(load(ids::Modal));
    UnhookWindowsHookEx(hook);
    EXPECT_FALSE(g_destroy_armed);
    EXPECT_EQ(handle_of(ids::Modal, 0), nullptr);
    EXPECT_TRUE(IsWindowEnabled(handle_of(ids::Main, 0)));
}

TEST_F(FormsLoad, NestedModalWindowsRestoreTheOuterOneAndTheEnabledStates) {
    ASSERT_TRUE(load(ids::Main));
    uint32_t inner_modal = 0, outer_modal_after = 0;
    bool main_enabled_after_inner = true, modal_enabled_in_inner = true;
    after(30, [&] {
        after(30, [&] {
            inner_modal = current_modal_window();
            modal_enabled_in_inner = IsWindowEnabled(handle_of(ids::Modal, 0)) != FALSE;
            PostMessageA(handle_of(ids::Order, 0), WM_CLOSE, 0, 0);
        });
        EXPECT_TRUE(load(ids::Order, true));
        outer_modal_after = current_modal_window();
        main_enabled_after_inner = IsWindowEnabled(handle_of(ids::Main, 0)) != FALSE;
        EXPECT_TRUE(IsWindowEnabled(handle_of(ids::Modal, 0)));
        PostMessageA(handle_of(ids::Modal, 0), WM_CLOSE, 0, 0);
    });
    EXPECT_TRUE(load(ids::Modal, true));
    EXPECT_EQ(inner_modal, ids::Order);
    EXPECT_FALSE(modal_enabled_in_inner);
    EXPECT_EQ(outer_modal_after, ids::Modal);
    EXPECT_FALSE(main_enabled_after_inner) << "Modal still holds Main disabled";
    EXPECT_TRUE(IsWindowEnabled(handle_of(ids::Main, 0)));
}

TEST_F(FormsLoad, HiddenModalWindowRunsItsLoopWhenFirstShown) {
    ASSERT_TRUE(load(ids::Main));
    ASSERT_TRUE(load(ids::Later, true)) << "returns at once: nothing shown yet";
    EXPECT_FALSE(IsWindowEnabled(handle_of(ids::Main, 0)));
    EXPECT_EQ(current_modal_window(), 0u);
    bool shown_meanwhile = false;
    after(30, [&] {
        shown_meanwhile = IsWindowVisible(handle_of(ids::Later, 0)) != FALSE &&
                          current_modal_window() == ids::Later;
        PostMessageA(handle_of(ids::Later, 0), WM_CLOSE, 0, 0);
    });
    write(ids::Later, 0, Visible, 1); // the first show: the nested loop runs inside the write
    EXPECT_TRUE(shown_meanwhile);
    EXPECT_EQ(handle_of(ids::Later, 0), nullptr);
    EXPECT_TRUE(IsWindowEnabled(handle_of(ids::Main, 0)));
}

TEST_F(FormsLoad, OwnerGivenAndGoneMakesTheLoadFail) {
    EXPECT_FALSE(load(ids::Order, false, ids::Main)) << "Main is not loaded";
    EXPECT_EQ(handle_of(ids::Order, 0), nullptr);
    ASSERT_TRUE(load(ids::Main));
    ASSERT_TRUE(load(ids::Order, false, ids::Main));
    EXPECT_EQ(GetWindow(handle_of(ids::Order, 0), GW_OWNER), handle_of(ids::Main, 0));
}

TEST_F(FormsLoad, FailedLoadsLeaveNothingBehind) {
    // The window, why it fails, what the load created and destroyed again.
    const std::tuple<uint32_t, const char*, const char*> rows[] = {
        {ids::BrokenUnit, "create routine fails", "W destroy C destroy "},
        {ids::UnknownKind, "kind without unit type", "W destroy "},
        {ids::NoRoutine, "type without interface routine", "W destroy "},
        {ids::Missing, "window not in the table", ""}};
    for (auto [window, why, destroyed] : rows) {
        SCOPED_TRACE(why);
        EXPECT_FALSE(load(window));
        EXPECT_EQ(logged(), destroyed) << "no handler ran";
        EXPECT_EQ(kernel().events_blocked(), false);
        EXPECT_EQ(handle_of(window, 0), nullptr);
        for (const forms::UnitInfo& u : forms::window_units(window))
            EXPECT_EQ(u.object, nullptr) << "unit " << std::hex << u.id;
        if (const forms::WindowRecord* w = forms::find_window(kernel().windows(), window)) {
            EXPECT_TRUE(w->snapshot.empty());
            EXPECT_EQ(w->object, nullptr);
        }
    }
    EXPECT_FALSE(any_window_open());
    EXPECT_FALSE(load(ids::BrokenUnit)) << "fails the same way again";
    EXPECT_TRUE(load(ids::Order)) << "a good window loads afterwards";
}

TEST_F(FormsLoad, WindowStoredHiddenShowsOnItsFirstVisibleWrite) {
    ASSERT_TRUE(load(ids::Later));
    HWND window = handle_of(ids::Later, 0);
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_FALSE(IsWindowVisible(handle_of(ids::Later, 0x16010072)))
        << "its control is shown, but inside a hidden window";
    EXPECT_TRUE(GetWindowLongA(handle_of(ids::Later, 0x16010072), GWL_STYLE) & WS_VISIBLE);
    write(ids::Later, 0, Visible, 1);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(read(ids::Later, 0, Visible), 1u);
}

TEST_F(FormsLoad, LastWindowClosedPostsQuitOnlyAfterTheStartRoutine) {
    vantor::testing::KernelTestAccess::state().start_routine_finished = false;
    ASSERT_TRUE(load(ids::Order));
    ASSERT_TRUE(forms::request_close(ids::Order));
    EXPECT_FALSE(quit_waiting()) << "closed while the start routine runs";

    vantor::testing::KernelTestAccess::state().start_routine_finished = true;
    ASSERT_TRUE(load(ids::Order));
    ASSERT_TRUE(load(ids::Main));
    ASSERT_TRUE(forms::request_close(ids::Order));
    EXPECT_FALSE(quit_waiting()) << "Main is still open";
    PostMessageA(handle_of(ids::Main, 0), WM_CLOSE, 0, 0);
    EXPECT_EQ(run_message_loop(0), 0) << "the loop ends with code 0";
    EXPECT_FALSE(any_window_open());
}

TEST_F(FormsLoad, IdleTurnRaisesEventSevenWithTheElapsedTime) {
    ASSERT_TRUE(load(ids::Main));
    uint32_t index = 0;
    ASSERT_TRUE(forms::find_window(kernel().windows(), ids::Main, &index));
    clear_log();
    EXPECT_EQ(kernel().forms().window_idle_turn(index, 123), 0);
    EXPECT_EQ(g_words[0], 123u);
    g_event_hook = [](uint32_t, uint32_t, int32_t event) {
        if (event == 7)
            forms::set_handler_result(1);
    };
    EXPECT_EQ(kernel().forms().window_idle_turn(index, 5), 1) << "a non-zero result wants more";
    static const Step expected[] = {{"W event 7"}, {"W event 7"}, {nullptr}};
    EXPECT_SEQUENCE(expected);
    uint32_t closed = 0;
    ASSERT_TRUE(forms::find_window(kernel().windows(), ids::Order, &closed));
    EXPECT_EQ(kernel().forms().window_idle_turn(closed, 5), 0) << "a window not loaded";
}

TEST_F(FormsLoad, HandlerClosingTheWindowOnLoadEndsTheLoadEvents) {
    g_event_hook = [](uint32_t window, uint32_t, int32_t event) {
        if (event == 0)
            DestroyWindow(handle_of(window, 0));
    };
    EXPECT_TRUE(load(ids::Order)) << "the load itself succeeded";
    EXPECT_EQ(logged(" event "), "W event 0 ") << "events 3 and 4 need the window";
    EXPECT_EQ(handle_of(ids::Order, 0), nullptr);
}
