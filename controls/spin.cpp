// The up-down (spin) control of a single-line edit box: creation, placement next
// to the box, range, and the reaction to a press.
#include "controls/edit_box.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "controls/dpi.h"
#include "controls/on_demand.h"
#include "runtime/win32/system_text.h"

namespace vantor::controls {

namespace {

constexpr int kSpinWidth = 18; // in stored units

DWORD spin_ex_style(int32_t border_style) {
    namespace border = forms::choice::EditBorder;
    return border_style == border::None || border_style == border::Sunken ||
                   border_style == border::ThinSunken
               ? WS_EX_STATICEDGE
               : 0;
}

} // namespace

EditSpin::EditSpin(EditBox* owner, HWND hwnd, bool automatic_integer)
    : UnitObject(owner->window_id(), owner->unit_id(), owner->type()), owner_(owner),
      automatic_integer_(automatic_integer) {
    attach(hwnd);
}

bool EditSpin::on_reflected(UINT msg, WPARAM, LPARAM lp, LRESULT& result) {
    if (msg != WM_NOTIFY)
        return false;
    const auto* change = reinterpret_cast<const NMUPDOWN*>(lp);
    if (change->hdr.code != UDN_DELTAPOS)
        return false;
    result = 0; // the control may always go on with its own position change
    owner_->on_spin(change->iDelta);
    return true;
}

HWND EditBox::spin_handle() const {
    return spin_ && spin_->alive() ? spin_->handle() : nullptr;
}

void EditBox::create_spin(bool disabled) {
    // The common controls library is loaded with its first spin, not at start-up.
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_UPDOWN_CLASS};
    if (auto init =
            on_demand<decltype(&InitCommonControlsEx)>("comctl32.dll", "InitCommonControlsEx"))
        init(&classes);
    HWND edit = handle();
    HWND hwnd = CreateWindowExW(spin_ex_style(props_.BorderStyle), UPDOWN_CLASSW, L"",
                                WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 0, 0, GetParent(edit),
                                reinterpret_cast<HMENU>(uintptr_t(GetDlgCtrlID(edit) + 4)),
                                GetModuleHandleW(nullptr), nullptr);
    if (!hwnd) {
        props_.SpinMode = forms::choice::SpinMode::None;
        return;
    }
    spin_ = new EditSpin(this, hwnd, props_.SpinMode == forms::choice::SpinMode::Automatic);
    set_spin_range();
    if (disabled)
        EnableWindow(hwnd, FALSE);
    place_spin();
}

// The full 32-bit range: a 16-bit range cuts values above 32767 into negative ones,
// which reverses the arrows of the control.
void EditBox::set_spin_range() {
    HWND spin = spin_handle();
    if (!spin)
        return;
    int32_t lower = std::min(props_.SpinMin, props_.SpinMax);
    int32_t upper = std::max(props_.SpinMin, props_.SpinMax);
    SendMessageW(spin, UDM_SETRANGE32, WPARAM(lower), LPARAM(upper));
}

void EditBox::set_spin_edge() {
    HWND spin = spin_handle();
    if (!spin)
        return;
    DWORD ex = (DWORD(GetWindowLongW(spin, GWL_EXSTYLE)) & ~DWORD(WS_EX_STATICEDGE)) |
               spin_ex_style(props_.BorderStyle);
    SetWindowLongW(spin, GWL_EXSTYLE, LONG(ex));
    refresh_frame(spin);
}

// Right of the box, as high as the box, just below it in z-order, and shown or
// hidden with it.
void EditBox::place_spin() {
    HWND spin = spin_handle();
    if (!spin)
        return;
    HWND edit = handle();
    HWND parent = GetParent(edit);
    if (GetParent(spin) != parent)
        SetParent(spin, parent);
    RECT r;
    GetWindowRect(edit, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    bool visible = (GetWindowLongW(edit, GWL_STYLE) & WS_VISIBLE) != 0;
    SetWindowPos(spin, edit, r.right, r.top, scaled(kSpinWidth, dpi_of(edit)), r.bottom - r.top,
                 SWP_NOACTIVATE | (visible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

void EditBox::show_spin(bool shown) {
    if (HWND spin = spin_handle())
        ShowWindow(spin, shown ? SW_SHOWNA : SW_HIDE);
}

void EditBox::on_spin(int32_t delta) {
    HWND edit = handle();
    if (delta == 0 || !IsWindowEnabled(edit) || !IsWindowVisible(edit))
        return;
    const bool up = delta > 0;
    if (props_.SpinMode == forms::choice::SpinMode::Manual) {
        raise_event(event::SpinPressed, {up ? 1u : uint32_t(-1)});
        return;
    }
    if (!spin_ || !spin_->automatic_integer())
        return;
    int64_t lower = std::min(props_.SpinMin, props_.SpinMax);
    int64_t upper = std::max(props_.SpinMin, props_.SpinMax);
    int64_t n = std::strtol(window_text().c_str(), nullptr, 10) + (up ? 1 : -1);
    if (n < lower || n > upper)
        n = up ? lower : upper;
    char text[16];
    std::snprintf(text, sizeof text, "%d", int(n));
    system_text::set_window_text(edit, text); // raises the change event
    if (WindowObject::from_handle(edit) != this)
        return; // its handler destroyed the box
    SendMessageW(edit, EM_SETSEL, 0, -1);
    SendMessageW(edit, EM_SCROLLCARET, 0, 0);
    SetFocus(edit);
}

} // namespace vantor::controls
