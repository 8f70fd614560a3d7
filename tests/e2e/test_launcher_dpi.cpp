// Vantor's window at the display's DPI, as the user sees it: the client area
// and every control at their stored geometry scaled by DPI / 96, nothing past
// the client area, and every caption whole inside its control, measured in
// the control's font. Run at 96 and, by ctest, in prefixes at 120, 144 and
// 192 DPI.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "forms/dpi.h"
#include "forms/win32/dpi_win32.h"
#include "tests/support/launcher.h"
#include "tests/unit/launcher_units.h"

using namespace vantor::testing;
namespace dpi = vantor::forms::dpi;

namespace {

constexpr int kRounding = 2; // pixels a scaled place may be off

int control_id(size_t index) {
    return 100 + 10 * int(launcher_units::kUnitCount - 1 - index);
}

std::string text_of(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " +
           std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
}

class LauncherAtDpi : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(vantor_.ready()) << "no window titled Vantor";
        ASSERT_TRUE(settle(vantor_.window()));
        at_ = dpi::system_dpi();
    }
    Launcher vantor_;
    int32_t at_ = dpi::kStoredDpi;
};

TEST_F(LauncherAtDpi, RunsAtTheDisplaysDpi) {
    const char* wanted = std::getenv("VANTOR_DPI");
    EXPECT_EQ(wanted && *wanted ? std::atoi(wanted) : dpi::kStoredDpi, at_);
}

// The stored outer size less the reference frame is the client area, scaled,
// whatever frame the system draws.
TEST_F(LauncherAtDpi, ClientAreaIsTheStoredOneScaled) {
    const launcher_units::Unit& w = launcher_units::kUnits[0];
    HWND window = vantor_.window();
    const dpi::Frame frame =
        dpi::reference_frame(DWORD(GetWindowLongA(window, GWL_STYLE)),
                             DWORD(GetWindowLongA(window, GWL_EXSTYLE)), false);
    RECT client;
    GetClientRect(window, &client);
    EXPECT_NEAR(dpi::to_pixels(w.width - frame.width, at_), client.right, kRounding);
    EXPECT_NEAR(dpi::to_pixels(w.height - frame.height, at_), client.bottom, kRounding);
    const RECT r = screen_rect(window);
    EXPECT_NEAR((GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2, r.left, 1) << "centred";
    EXPECT_NEAR((GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2, r.top, 1) << "centred";
}

// Edit boxes may be taller than stored, to fit a line of text.
TEST_F(LauncherAtDpi, ControlsSitAtTheStoredGeometryScaledInsideTheClientArea) {
    using namespace launcher_units;
    RECT client;
    GetClientRect(vantor_.window(), &client);
    for (size_t index = 1; index < kUnitCount; ++index) {
        const Unit& u = kUnits[index];
        if (u.kind == kCommonDlg)
            continue;
        SCOPED_TRACE(std::string(u.name) + " at " + std::to_string(at_) + " DPI");
        HWND control = vantor_.control(control_id(index));
        ASSERT_NE(nullptr, control);
        const RECT r = rect_in_parent(control);
        const dpi::Box want = dpi::to_pixels({u.left, u.top, u.width, u.height}, at_);
        const std::string message =
            "is " + text_of(r) + ", expected " +
            text_of({want.left, want.top, want.left + want.width, want.top + want.height});
        EXPECT_NEAR(want.left, r.left, kRounding) << message;
        EXPECT_NEAR(want.top, r.top, kRounding) << message;
        EXPECT_NEAR(want.width, r.right - r.left, kRounding) << message;
        if (u.kind == kEditBox)
            EXPECT_GE(r.bottom - r.top, want.height - kRounding) << message;
        else
            EXPECT_NEAR(want.height, r.bottom - r.top, kRounding) << message;
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right &&
                    r.bottom <= client.bottom)
            << message << ", past the client area " << text_of(client);
    }
}

// The size `text` takes in `font` as a label or button draws it on one line.
SIZE text_size(HFONT font, const std::string& text) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    RECT r{0, 0, 0, 0};
    DrawTextA(dc, text.c_str(), int(text.size()), &r, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return {r.right - r.left, r.bottom - r.top};
}

// The launcher's controls carry no font of their own: at the system's DPI they
// draw with the stock user-interface font, which this program measures with
// (Wine answers WM_GETFONT from another process with null, so the font is not
// asked for; the kinds' tests check which font a control holds).
TEST_F(LauncherAtDpi, EveryCaptionFitsInsideItsControl) {
    using namespace launcher_units;
    const auto stock = HFONT(GetStockObject(DEFAULT_GUI_FONT));
    const int margin = dpi::metric_at(SM_CXEDGE, at_); // a button's frame on each side
    for (size_t index = 1; index < kUnitCount; ++index) {
        const Unit& u = kUnits[index];
        if (!u.caption)
            continue;
        SCOPED_TRACE(std::string(u.name) + " at " + std::to_string(at_) + " DPI");
        HWND control = vantor_.control(control_id(index));
        ASSERT_NE(nullptr, control);
        RECT client;
        GetClientRect(control, &client);
        const SIZE text = text_size(stock, u.caption);
        const int room = client.right - (u.kind == kButton ? 2 * margin : 0);
        EXPECT_LE(text.cx, room) << "text " << text.cx << " x " << text.cy << " in "
                                 << text_of(client);
        EXPECT_LE(text.cy, client.bottom)
            << "text " << text.cx << " x " << text.cy << " in " << text_of(client);
    }
}

} // namespace
