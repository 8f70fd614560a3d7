// Spin buttons of edit boxes in a window loaded from a form archive (the real
// runtime and kinds in a program of their own): each up-down control is shown
// exactly when its box is, right of the box and as high as it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/support/driver.h"
#include "tests/support/win32.h"

using namespace vantor::testing;

namespace {

constexpr DWORD kWindowMs = 10000;

std::string class_of(HWND hwnd) {
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

TEST(LoadedSpin, EachUpDownIsShownExactlyWhenItsBoxIsAndSitsBesideIt) {
    Program host;
    const std::string line = "\"" + program_directory() + "form_host.exe\" \"" +
                             VANTOR_SPIN_ARCHIVE + "\" 52010003 06010002";
    ASSERT_TRUE(host.start(line)) << line;
    HWND window = wait_top_window(host.pid(), "QZWindow", nullptr, kWindowMs);
    ASSERT_NE(window, nullptr) << "the form host showed no window";

    int up_downs = 0, shown = 0;
    for (HWND spin = GetWindow(window, GW_CHILD); spin; spin = GetWindow(spin, GW_HWNDNEXT)) {
        if (class_of(spin) != "msctls_updown32")
            continue;
        ++up_downs;
        // The up-down's id is its box's id + 4.
        HWND box = GetDlgItem(window, GetDlgCtrlID(spin) - 4);
        ASSERT_NE(box, nullptr);
        SCOPED_TRACE("box " + window_text(box) + " id " + std::to_string(GetDlgCtrlID(box)));
        EXPECT_EQ(IsWindowVisible(spin) != 0, IsWindowVisible(box) != 0);
        shown += IsWindowVisible(spin) ? 1 : 0;
        const RECT b = rect_in_parent(box), s = rect_in_parent(spin);
        EXPECT_EQ(s.left, b.right);
        EXPECT_EQ(s.top, b.top);
        EXPECT_EQ(s.bottom, b.bottom);
    }
    EXPECT_EQ(up_downs, 3);
    EXPECT_EQ(shown, 2); // boxes A and B; C is stored hidden
    host.kill();
}

} // namespace
