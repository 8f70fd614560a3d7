// The edit box's frame: its border styles, its font and the height it needs, its
// background brush, and the non-client handling that centres one line of text
// in a single-line box of any height.
#include <windowsx.h>

#include <cstring>

#include "controls/common.h"
#include "controls/dpi.h"
#include "controls/edit_box.h"
#include "runtime/win32/system_text.h"

namespace vantor::controls {

namespace {

constexpr DWORD kBorderExStyles = WS_EX_STATICEDGE | WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME;

} // namespace

DWORD border_ex_style(int32_t border) {
    namespace b = forms::choice::EditBorder;
    switch (border) {
    case b::Sunken:
        return WS_EX_CLIENTEDGE;
    case b::Raised:
        return WS_EX_DLGMODALFRAME;
    case b::ThinSunken:
        return WS_EX_STATICEDGE;
    case b::SunkenRaised:
        return WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME;
    default:
        return 0;
    }
}

void refresh_frame(HWND hwnd) {
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int32_t EditBox::font_text_height(HFONT font, const char* sample) {
    const std::wstring wide = system_text::to_wide(sample);
    HWND hwnd = handle();
    HDC dc = GetDC(hwnd);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, wide.c_str(), int(wide.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    return size.cy;
}

// Realises Font (or the GUI font), grows a single-line box that is too low for one
// line of Chinese text plus its edges, and hands the font to the control.
void EditBox::apply_font() {
    HWND hwnd = handle();
    // The previous font is deleted on return: the control drew with it until WM_SETFONT.
    const int32_t dpi = dpi_of(hwnd);
    GdiOwner<HFONT> previous = font_.replace(realise_font_at(props_.Font, dpi));
    HFONT font = font_or_default(font_.get());
    measured_font_ = nullptr;
    bool single = single_line();
    if (single) {
        int32_t need = font_text_height(font, kChineseSample) + 2 * metric_for(SM_CYEDGE, dpi);
        RECT r;
        GetWindowRect(hwnd, &r);
        if (r.bottom - r.top < need)
            SetWindowPos(hwnd, nullptr, 0, 0, r.right - r.left, need,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    SendMessageW(hwnd, WM_SETFONT, WPARAM(font), TRUE);
    if (single)
        refresh_frame(hwnd);
}

bool EditBox::set_border_styles() {
    HWND hwnd = handle();
    const DWORD old_ex = DWORD(GetWindowLongW(hwnd, GWL_EXSTYLE));
    const DWORD old_style = DWORD(GetWindowLongW(hwnd, GWL_STYLE));
    const DWORD ex = (old_ex & ~kBorderExStyles) | border_ex_style(props_.BorderStyle);
    DWORD style = old_style & ~DWORD(WS_BORDER);
    if (props_.BorderStyle == forms::choice::EditBorder::SingleLine)
        style |= WS_BORDER;
    if (ex == old_ex && style == old_style)
        return false;
    SetWindowLongW(hwnd, GWL_EXSTYLE, LONG(ex));
    SetWindowLongW(hwnd, GWL_STYLE, LONG(style));
    return true;
}

void EditBox::apply_border_style() {
    set_border_styles();
    refresh_frame(handle());
}

void EditBox::set_background_brush() {
    GdiOwner<HBRUSH> previous = brush_.replace(CreateSolidBrush(map_back_color(props_.BackColor)));
}

HBRUSH EditBox::background_brush() const {
    return high_contrast() ? GetSysColorBrush(COLOR_WINDOW) : brush_.get();
}

// Narrows the client area to one line of text ("W" in the control's font), centred,
// so that the single line sits in the middle of a box of any height. A box too low
// for the line keeps its client area.
void EditBox::centre_client(RECT& client) {
    HFONT font = reinterpret_cast<HFONT>(call_previous(WM_GETFONT, 0, 0));
    if (!font)
        return;
    if (font != measured_font_) {
        measured_height_ = font_text_height(font, "W");
        measured_font_ = font;
    }
    LONG room = client.bottom - client.top;
    if (measured_height_ <= 0 || room <= measured_height_)
        return;
    client.top += (room - measured_height_) / 2;
    client.bottom = client.top + measured_height_;
}

// Fills the band between the frame and the narrowed client area. It runs after
// the default painting, which draws the frame and, with visual styles, fills the
// whole non-client area with the theme's colour.
void EditBox::paint_background_band() {
    HWND hwnd = handle();
    RECT window, client;
    GetWindowRect(hwnd, &window);
    GetClientRect(hwnd, &client);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    OffsetRect(&client, -window.left, -window.top);
    RECT inside{frame_.left, frame_.top, window.right - window.left - frame_.right,
                window.bottom - window.top - frame_.bottom};
    HDC dc = GetWindowDC(hwnd);
    ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
    FillRect(dc, &inside, background_brush());
    ReleaseDC(hwnd, dc);
}

// The non-client handling of a single-line box: true when `msg` was handled,
// with its result in `result`.
bool EditBox::on_frame_message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    const bool frame_message =
        msg == WM_NCCALCSIZE || msg == WM_NCPAINT || msg == WM_NCHITTEST || msg == WM_ERASEBKGND;
    if (!frame_message || !single_line())
        return false; // a multi-line box keeps the control's own handling
    switch (msg) {
    case WM_NCCALCSIZE: {
        RECT& rect = *reinterpret_cast<RECT*>(lp); // the first rectangle in both forms
        const RECT window = rect;
        result = call_previous(msg, wp, lp);
        frame_ = {rect.left - window.left, rect.top - window.top, window.right - rect.right,
                  window.bottom - rect.bottom};
        centre_client(rect);
        return true;
    }
    case WM_NCPAINT:
        result = call_previous(msg, wp, lp);
        paint_background_band();
        return true;
    case WM_NCHITTEST: {
        RECT client;
        GetClientRect(handle(), &client);
        MapWindowPoints(handle(), nullptr, reinterpret_cast<POINT*>(&client), 2);
        POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        if (PtInRect(&client, pt))
            return false;
        result = HTBORDER;
        return true;
    }
    case WM_ERASEBKGND: {
        HDC dc = reinterpret_cast<HDC>(wp);
        RECT clip;
        GetClipBox(dc, &clip);
        FillRect(dc, &clip, background_brush());
        result = 1;
        return true;
    }
    default:
        return false;
    }
}

} // namespace vantor::controls
