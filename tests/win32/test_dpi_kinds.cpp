// The control kinds after their window's DPI changed (WM_DPICHANGED, as when
// it moves to another monitor): fonts stored in points and the default font
// at the new DPI, the edit box's height rule and its spin's width, the
// window's icons at the icon sizes of that DPI, every control at its stored
// place scaled; and back at the first DPI everything as before.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "controls/edit_box.h"
#include "forms/archive.h"
#include "forms/record.h"
#include "forms/win32/dpi_win32.h"
#include "runtime/win32/kernel.h"
#include "tests/support/driver.h"
#include "tests/support/kernel_access.h"
#include "tests/support/test_form.h"

using namespace vantor;
using namespace vantor::testing;
namespace dpi = vantor::forms::dpi;

namespace {

constexpr int kRounding = 2;
constexpr int32_t kLabelFont = -12; // stored character height of the label
constexpr int kSpinWidth = 18;      // stored width of the edit box's spin

struct Layout {
    dpi::Box window{60, 60, 320, 220};
    dpi::Box button{10, 10, 80, 24};
    dpi::Box label{10, 40, 140, 24};
    dpi::Box edit{10, 80, 60, 10}; // lower than a line: grows to fit one
};

ControlDesc edit_with_spin(const dpi::Box& b) {
    forms::EditBoxProps p;
    p.SpinMode = 1;
    return {forms::kind::EditBox, b.left, b.top, b.width, b.height, forms::write_block(p)};
}

int32_t font_height(HWND control) {
    LOGFONTA lf{};
    GetObjectA(HGDIOBJ(SendMessageA(control, WM_GETFONT, 0, 0)), sizeof lf, &lf);
    return lf.lfHeight;
}

int32_t text_height(HWND control, const char* text) {
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, HGDIOBJ(SendMessageA(control, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32A(dc, text, int(std::strlen(text)), &size);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return size.cy;
}

class KindsAtDpi : public ::testing::TestWithParam<int32_t> {
  protected:
    void SetUp() override {
        forms::TransLabelProps label;
        label.Caption = "Scaled";
        label.Font = logfont_bytes("Tahoma", kLabelFont);
        form_ = std::make_unique<TestForm>(
            window_props("Scale"),
            RECT{layout_.window.left, layout_.window.top, layout_.window.width,
                 layout_.window.height},
            std::vector<ControlDesc>{button(layout_.button.left, layout_.button.top,
                                            layout_.button.width, layout_.button.height, "OK"),
                                     ::vantor::testing::label(layout_.label.left, layout_.label.top,
                                                              layout_.label.width,
                                                              layout_.label.height, label),
                                     edit_with_spin(layout_.edit)});
        ASSERT_TRUE(form_->ok());
        // The window as a load leaves it: its object in its unit's slot.
        forms::WindowRecord* w = forms::find_window(
            vantor::testing::KernelTestAccess::state().windows, form_->window_id());
        ASSERT_NE(nullptr, w);
        forms::set_field(*w, 0, forms::Field::ObjectSlot,
                         uint32_t(reinterpret_cast<uintptr_t>(form_->window())));
        form_->show();
    }
    void TearDown() override { form_.reset(); }

    void change_dpi(int32_t to) {
        const RECT r = screen_rect(form_->hwnd());
        const int32_t from = dpi::window_dpi(form_->hwnd());
        RECT suggested{r.left, r.top, r.left + dpi::mul_div(r.right - r.left, to, from),
                       r.top + dpi::mul_div(r.bottom - r.top, to, from)};
        SendMessageA(form_->hwnd(), WM_DPICHANGED, MAKEWPARAM(to, to),
                     reinterpret_cast<LPARAM>(&suggested));
        pump();
        ASSERT_EQ(to, dpi::window_dpi(form_->hwnd()));
    }

    // Every check of the kinds at `at` DPI.
    void expect_laid_out_at(int32_t at) {
        HWND button = form_->control_hwnd(0), label = form_->control_hwnd(1),
             edit = form_->control_hwnd(2);
        const int32_t system = dpi::system_dpi();
        LOGFONTA stock{};
        GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof stock, &stock);
        EXPECT_EQ(dpi::mul_div(stock.lfHeight, at, system), font_height(button)) << "button";
        EXPECT_EQ(dpi::to_pixels(kLabelFont, at), font_height(label)) << "label";
        EXPECT_EQ(dpi::mul_div(stock.lfHeight, at, system), font_height(edit)) << "edit box";

        expect_at(button, layout_.button, at, "button");
        expect_at(label, layout_.label, at, "label");
        const RECT e = rect_in_parent(edit);
        const int need =
            text_height(edit, controls::kChineseSample) + 2 * dpi::metric_at(SM_CYEDGE, at);
        EXPECT_EQ(std::max(dpi::to_pixels(layout_.edit.height, at), need), e.bottom - e.top)
            << "the edit box is just high enough for a line";
        EXPECT_NEAR(dpi::to_pixels(layout_.edit.width, at), e.right - e.left, kRounding);

        HWND spin = GetDlgItem(form_->hwnd(), GetDlgCtrlID(edit) + 4);
        ASSERT_NE(nullptr, spin);
        const RECT s = rect_in_parent(spin);
        EXPECT_EQ(dpi::to_pixels(kSpinWidth, at), s.right - s.left) << "spin width";
        EXPECT_EQ(e.right, s.left);
        EXPECT_EQ(e.bottom - e.top, s.bottom - s.top);

        const auto big = HICON(SendMessageA(form_->hwnd(), WM_GETICON, ICON_BIG, 0));
        const auto small = HICON(SendMessageA(form_->hwnd(), WM_GETICON, ICON_SMALL, 0));
        EXPECT_EQ(dpi::metric_at(SM_CXICON, at), icon_width(big));
        EXPECT_EQ(dpi::metric_at(SM_CXSMICON, at), icon_width(small));
    }

    void expect_at(HWND h, const dpi::Box& stored, int32_t at, const char* what) {
        const RECT r = rect_in_parent(h);
        const dpi::Box want = dpi::to_pixels(stored, at);
        EXPECT_NEAR(want.left, r.left, kRounding) << what;
        EXPECT_NEAR(want.top, r.top, kRounding) << what;
        EXPECT_NEAR(want.width, r.right - r.left, kRounding) << what;
        EXPECT_NEAR(want.height, r.bottom - r.top, kRounding) << what;
    }

    Layout layout_;
    std::unique_ptr<TestForm> form_;
};

TEST_P(KindsAtDpi, FollowTheWindowsNewDpiAndComeBack) {
    const int32_t first = dpi::window_dpi(form_->hwnd());
    SCOPED_TRACE(::testing::Message() << "from " << first << " to " << GetParam() << " DPI");
    {
        SCOPED_TRACE("at the first DPI");
        expect_laid_out_at(first);
    }
    change_dpi(GetParam());
    {
        SCOPED_TRACE("at the new DPI");
        expect_laid_out_at(GetParam());
    }
    change_dpi(first);
    {
        SCOPED_TRACE("back at the first DPI");
        expect_laid_out_at(first);
        EXPECT_EQ(GetStockObject(DEFAULT_GUI_FONT),
                  HGDIOBJ(SendMessageA(form_->control_hwnd(0), WM_GETFONT, 0, 0)))
            << "the button uses the stock font again";
    }
}

INSTANTIATE_TEST_SUITE_P(Dpi, KindsAtDpi, ::testing::Values(120, 144, 192),
                         [](const ::testing::TestParamInfo<int32_t>& p) {
                             return "To" + std::to_string(p.param);
                         });

} // namespace
