// The window kind under Wine: close requests, events and their order, and
// keyboard handling.
#include <windows.h>

#include <gtest/gtest.h>

#include <tuple>

#include "controls/kinds.h"
#include "controls/window_kind.h"
#include "runtime/win32/kernel.h"
#include "runtime/win32/libraries.h"
#include "tests/support/kernel_access.h"
#include "tests/support/test_form.h"

using namespace vantor;
using namespace vantor::testing;
using vantor::controls::WindowUnit;

namespace {

// Focuses `h` and presses `vk` there with a clear log.
void press_in(HWND h, FakeRequests& log, WPARAM vk) {
    SetFocus(h);
    log.clear();
    press_key(vk);
}

} // namespace

// ---- close, events ------------------------------------------------------------------

// Window events 12 (close asked), 1 (query close) and 2 (destroyed) of a close.
const Step kCloseAll[] = {{"w:12"}, {"w:1"}, {"w:2"}, {nullptr}};
const Step kCloseAsked[] = {{"w:12"}, {nullptr}};
const Step kCloseQueried[] = {{"w:12"}, {"w:1"}, {nullptr}};
const Step kCloseDestroyedIn12[] = {{"w:12"}, {"w:2"}, {nullptr}};

TEST(WindowClose, EscAndLogOffAskEvents12And1WhichCanVeto) {
    // Veto event (-1: none), closed, events.
    const std::tuple<int, bool, const Step*> rows[] = {
        {-1, true, kCloseAll}, {12, false, kCloseAsked}, {1, false, kCloseQueried}};
    for (auto [veto_event, closed, events] : rows) {
        SCOPED_TRACE(veto_event);
        FakeRequests log;
        if (veto_event >= 0)
            log.answer(kWindowUnitId, veto_event, 0);
        log.answer(kWindowUnitId, veto_event == 12 ? 1 : 12, 1); // true: no veto
        TestForm form(window_props("Test"), RECT{60, 60, 200, 120}, {button(10, 10, 80, 24, "A")});
        ASSERT_TRUE(form.ok());
        form.show();
        press_in(form.control_hwnd(0), log, VK_ESCAPE);
        EXPECT_EQ(IsWindow(form.hwnd()) == 0, closed);
        EXPECT_TRUE(sequence_matches(log.lines({12, 1, 2}), events));
    }
    // EscCloses 0: Esc does nothing.
    FakeRequests log;
    TestForm form(window_with([](auto& p) { p.EscCloses = 0; }), RECT{60, 60, 200, 120});
    form.show();
    log.clear();
    press_key(VK_ESCAPE, false, form.hwnd());
    EXPECT_TRUE(IsWindow(form.hwnd()));
    EXPECT_EQ(log.text({12, 1}), "");

    // Log-off asks event 1, whose false refuses it.
    log.clear();
    log.answer(kWindowUnitId, 1, 0);
    EXPECT_EQ(SendMessageA(form.hwnd(), WM_QUERYENDSESSION, 0, 0), FALSE);
    log.answer(kWindowUnitId, 1, 1);
    EXPECT_EQ(SendMessageA(form.hwnd(), WM_QUERYENDSESSION, 0, 0), TRUE);
    EXPECT_EQ(log.text(), "w:1 w:1");
    EXPECT_TRUE(IsWindow(form.hwnd()));
}

TEST(WindowClose, HandlersThatDestroyTheWindowThemselves) {
    for (auto [event, events] : {std::pair{12, kCloseDestroyedIn12}, std::pair{1, kCloseAll}}) {
        FakeRequests log;
        TestForm form(window_props("Test"), RECT{60, 60, 200, 120},
                      {button(10, 10, 80, 24, "Close", 0, 1)});
        form.show();
        HWND hwnd = form.hwnd();
        log.on(kWindowUnitId, event, [hwnd] { DestroyWindow(hwnd); });
        log.clear();
        press_key(VK_ESCAPE, false, hwnd);
        EXPECT_FALSE(IsWindow(hwnd));
        EXPECT_TRUE(sequence_matches(log.lines({12, 1, 2}), events)) << "event " << event;
    }
    // A click handler that closes the window from the Enter key.
    FakeRequests log;
    TestForm form(window_props("Test"), RECT{60, 60, 200, 120},
                  {button(10, 10, 80, 24, "Close", 0, 1)});
    form.show();
    HWND hwnd = form.hwnd();
    log.on(form.control_unit_id(0), 0, [hwnd] { SendMessageA(hwnd, WM_CLOSE, 0, 0); });
    press_key(VK_RETURN, false, hwnd);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(log.count(kWindowUnitId, 1), 1);
}

TEST(WindowEvents, ShowActivateMoveSizeInOrder) {
    FakeRequests log;
    TestForm form(window_props("Test"), RECT{60, 60, 200, 120});
    ASSERT_TRUE(form.ok());
    TestForm other(window_props("Test"), RECT{300, 60, 200, 120}, {}, {false, nullptr, 1});
    log.clear();
    form.show();
    // Shown, got the focus, first activation (8) before activation (5).
    static const Step kShown[] = {{"w:10"}, {"w:-7"}, {"w:8"}, {"w:5"}, {nullptr}};
    EXPECT_TRUE(sequence_matches(log.lines({10, 8, 5, -7}), kShown)) << "all: " << log.text();

    log.clear();
    other.show();
    for (HWND h : {form.hwnd(), other.hwnd(), form.hwnd()}) {
        SetActiveWindow(h);
        pump(20);
    }
    // Event 8 comes only with the first activation of the window object.
    EXPECT_EQ(log.count(kWindowUnitId, 8), 0) << log.text();
    EXPECT_GE(log.count(kWindowUnitId, 5), 2) << log.text();
    EXPECT_GE(log.count(kWindowUnitId, 6), 1) << log.text();

    log.clear();
    SetWindowPos(form.hwnd(), nullptr, 80, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SetWindowPos(form.hwnd(), nullptr, 0, 0, 220, 140, SWP_NOMOVE | SWP_NOZORDER);
    ShowWindow(form.hwnd(), SW_HIDE);
    static const Step kMovedSizedHidden[] = {{"w:3"}, {"w:4"}, {"w:11"}, {nullptr}};
    EXPECT_TRUE(sequence_matches(log.lines({3, 4, 11}), kMovedSizedHidden));
}

TEST(WindowEvents, FocusReturnsToTheControlThatHadItAtDeactivation) {
    FakeRequests log;
    TestForm form(window_props("Test"), RECT{60, 60, 240, 120},
                  {button(10, 10, 80, 24, "A", 0), button(100, 10, 80, 24, "B", 1)});
    TestForm other(window_props("Test"), RECT{320, 60, 200, 120}, {}, {false, nullptr, 1});
    form.show();
    // Activation focuses the candidate with the smallest tab order.
    EXPECT_EQ(GetFocus(), form.control_hwnd(0));
    SetFocus(form.control_hwnd(1));
    other.show();
    EXPECT_EQ(GetActiveWindow(), other.hwnd());
    SetActiveWindow(form.hwnd());
    pump(20);
    EXPECT_EQ(GetFocus(), form.control_hwnd(1)) << "focus " << GetFocus();
}

TEST(WindowEvents, KeepTitleActiveKeepsTheActiveLookWhileEnabled) {
    TestForm kept(window_with([](auto& p) { p.KeepTitleActive = 1; }), RECT{60, 60, 200, 120});
    TestForm plain(window_props("Test"), RECT{300, 60, 200, 120}, {}, {false, nullptr, 1});
    TestForm third(window_props("Test"), RECT{60, 300, 200, 120}, {}, {false, nullptr, 2});
    kept.show();
    plain.show();
    auto title_pixel = [](HWND h) {
        Capture c = capture_window(h);
        return c.at(c.width / 2, GetSystemMetrics(SM_CYFRAME) + 4);
    };
    COLORREF plain_active = title_pixel(plain.hwnd());
    kept.show();
    COLORREF kept_active = title_pixel(kept.hwnd());
    third.show();
    pump(20);
    COLORREF plain_inactive = title_pixel(plain.hwnd());
    ASSERT_NE(hex(plain_active), hex(plain_inactive))
        << "active and inactive title bars look alike";
    EXPECT_EQ(hex(title_pixel(kept.hwnd())), hex(kept_active)) << "inactive but kept active";
    EnableWindow(kept.hwnd(), FALSE);
    SendMessageA(kept.hwnd(), WM_NCACTIVATE, FALSE, 0);
    EXPECT_EQ(hex(title_pixel(kept.hwnd())), hex(plain_inactive)) << "disabled: the inactive look";
}

TEST(WindowKeyboard, TabFollowsStoredTabOrderAndWrapsBothWays) {
    FakeRequests log;
    // The label is never a candidate, C is disabled, E has no tab stop, F is hidden below.
    TestForm form(window_props("Test"), RECT{60, 60, 400, 200},
                  {button(10, 10, 60, 24, "A", 2), button(80, 10, 60, 24, "B", 0),
                   label(150, 10, 60, 24, "label", 1),
                   button(220, 10, 60, 24, "C", 3, 0, 1 | 2 | 4), button(10, 50, 60, 24, "D", 1),
                   button(80, 50, 60, 24, "E", 4, 0, 1), button(150, 50, 60, 24, "F", 5)});
    ASSERT_TRUE(form.ok());
    form.show();
    ShowWindow(form.control_hwnd(6), SW_HIDE);
    auto name = [&form](HWND h) {
        for (size_t i = 0; i < 7; ++i)
            if (form.control_hwnd(i) == h)
                return std::string(1, "ABLCDEF"[i]);
        return std::string("?");
    };
    auto walk = [&name](bool shift) { // the focus before and after each of four presses
        std::string path = name(GetFocus());
        for (int i = 0; i < 4; ++i) {
            press_key(VK_TAB, shift);
            path += name(GetFocus());
        }
        return path;
    };
    SetFocus(form.control_hwnd(1));
    EXPECT_EQ(walk(false), "BDABD");
    EXPECT_EQ(walk(true), "DBADB");
}

TEST(WindowKeyboard, EnterClicksTheDefaultButtonOrMovesTheFocus) {
    FakeRequests log;
    TestForm form(window_props("Test"), RECT{60, 60, 300, 120},
                  {button(10, 10, 60, 24, "A", 0), button(80, 10, 60, 24, "B", 1, 1),
                   button(150, 10, 60, 24, "C", 2, 1)});
    form.show();
    press_in(form.control_hwnd(0), log, VK_RETURN);
    EXPECT_EQ(log.text({0}), "1:0") << "first default button in control order";
    press_in(form.control_hwnd(2), log, VK_RETURN);
    EXPECT_EQ(log.text({0}), "2:0") << "the focused default button";
    form.write(nullptr, props::window::EnterMovesFocus, 1);
    press_in(form.control_hwnd(0), log, VK_RETURN);
    EXPECT_EQ(log.text({0}), "");
    EXPECT_EQ(GetFocus(), form.control_hwnd(1));
}

TEST(WindowKeyboard, AltMnemonicClicksAButtonOrPassesTheFocusOnFromALabel) {
    FakeRequests log;
    TestForm form(window_props("Test"), RECT{60, 60, 300, 120},
                  {button(10, 10, 60, 24, "&Go", 0), label(10, 50, 60, 24, "&Name", 1),
                   button(80, 50, 60, 24, "Ne&xt", 2), button(150, 50, 60, 24, "A&&B", 3)});
    form.show();
    SetFocus(form.control_hwnd(2));
    log.clear();
    press_alt_key('G');
    EXPECT_EQ(log.text({0}), "0:0");
    SetFocus(form.control_hwnd(0));
    press_alt_key('N');
    EXPECT_EQ(GetFocus(), form.control_hwnd(2)) << "the control after the label in Tab order";
    log.clear();
    press_alt_key('B');
    EXPECT_EQ(log.text({0}), "") << "&& is a literal ampersand";
}

TEST(WindowKeyboard, AMultiLineEditBoxKeepsEnter) {
    FakeRequests log;
    forms::EditBoxProps edit;
    edit.MultiLine = 1;
    TestForm form(
        window_props("Test"), RECT{60, 60, 300, 160},
        {button(10, 10, 60, 24, "OK", 1, 1),
         ControlDesc{forms::kind::EditBox, 10, 50, 200, 60, forms::write_block(edit), 1 | 4, 0}});
    ASSERT_TRUE(form.ok());
    ASSERT_NE(form.control(1), nullptr);
    form.show();
    press_in(form.control_hwnd(1), log, VK_RETURN);
    EXPECT_EQ(log.count(form.control_unit_id(0), 0), 0) << "the default button was clicked";
    EXPECT_EQ(log.count(form.control_unit_id(1), 0), 1) << "the box took the line break";
    // A single-line box does not want Enter: the default button takes it.
    form.write(form.control(1), props::edit_box::MultiLine, 0);
    pump();
    UnitObject* box = form.control(1);
    ASSERT_TRUE(box && box->alive()) << "the box was not re-created";
    press_in(box->handle(), log, VK_RETURN);
    EXPECT_EQ(log.count(form.control_unit_id(0), 0), 1) << log.text();
}

TEST(WindowEvents, ADisabledWindowHandsActivationToTheModalOne) {
    FakeRequests log;
    TestForm first(window_props("Test"), RECT{60, 60, 200, 120});
    TestForm modal(window_props("Test"), RECT{300, 60, 200, 120}, {}, {true, nullptr, 1});
    first.show();
    modal.show();
    EnableWindow(first.hwnd(), FALSE);
    vantor::testing::KernelTestAccess::state().current_modal_window = modal.window_id();
    log.clear();
    SendMessageA(first.hwnd(), WM_ACTIVATE, WA_CLICKACTIVE, 0);
    pump(20);
    EXPECT_EQ(GetActiveWindow(), modal.hwnd());
    EXPECT_EQ(log.count(first.window_unit_id(), 5), 0) << log.text();
    vantor::testing::KernelTestAccess::state().current_modal_window = 0;
    EnableWindow(first.hwnd(), TRUE);
}
