// The window kind's property writes and reads, and the live effects they have
// (title-bar and frame styles, icons, shape, position, topmost, system menu).
#include "controls/window_internal.h"
#include "controls/window_kind.h"

#include "controls/dpi.h"
#include "controls/kind_routines.h"
#include "runtime/win32/system_text.h"

namespace vantor::controls {

namespace window_detail {

uint32_t border_style_bits(int32_t border) {
    namespace b = forms::choice::WindowBorder;
    return border == b::Resizable || border == b::ResizableTool || border == b::ResizableSunken
               ? WS_THICKFRAME
               : 0;
}

uint32_t border_ex_bits(int32_t border) {
    namespace b = forms::choice::WindowBorder;
    if (border == b::ResizableTool || border == b::FixedTool)
        return WS_EX_TOOLWINDOW;
    if (border == b::ResizableSunken || border == b::FixedSunken)
        return WS_EX_CLIENTEDGE;
    return 0;
}

void frame_changed(HWND hwnd) {
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

} // namespace window_detail

namespace {

using namespace window_detail;

constexpr uint32_t kTitleGroup = WS_CAPTION | WS_SYSMENU | WS_MAXIMIZEBOX | WS_MINIMIZEBOX;
constexpr uint32_t kBorderStyles = WS_THICKFRAME | WS_DLGFRAME;
constexpr uint32_t kBorderExStyles = WS_EX_TOOLWINDOW | WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME;

// The work area of the monitor nearest to `hwnd`; the multi-monitor functions are
// looked up by name so that a system without them falls back to the desktop's.
RECT work_area_of(HWND hwnd) {
    RECT area{};
    using MonitorFromWindowFn = HMONITOR(WINAPI*)(HWND, DWORD);
    using GetMonitorInfoFn = BOOL(WINAPI*)(HMONITOR, LPMONITORINFO);
    HMODULE user = GetModuleHandleW(L"User32.dll");
    auto from_window = user ? reinterpret_cast<MonitorFromWindowFn>(reinterpret_cast<void*>(
                                  GetProcAddress(user, "MonitorFromWindow")))
                            : nullptr;
    auto info_of = user ? reinterpret_cast<GetMonitorInfoFn>(
                              reinterpret_cast<void*>(GetProcAddress(user, "GetMonitorInfoW")))
                        : nullptr;
    if (from_window && info_of) {
        MONITORINFO mi{};
        mi.cbSize = sizeof mi;
        HMONITOR monitor = from_window(hwnd, MONITOR_DEFAULTTONEAREST);
        if (monitor && info_of(monitor, &mi))
            return mi.rcWork;
    }
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

} // namespace

void WindowUnit::apply_title_styles() {
    uint32_t want = 0;
    if (props_.BorderStyle != forms::choice::WindowBorder::None) {
        want = WS_DLGFRAME;
        if (!props_.Caption.empty() || props_.ControlBox != 0)
            want |= WS_CAPTION;
        if (props_.ControlBox != 0)
            want |= WS_SYSMENU;
        if (props_.MaxButton != 0)
            want |= WS_MAXIMIZEBOX;
        if (props_.MinButton != 0)
            want |= WS_MINIMIZEBOX;
    }
    if (replace_style(handle(), GWL_STYLE, kTitleGroup, want))
        frame_changed(handle());
}

void WindowUnit::apply_border_styles() {
    const int32_t b = props_.BorderStyle;
    const bool design = design_mode_ != 0;
    const bool framed = b != forms::choice::WindowBorder::None;
    uint32_t style = border_style_bits(b) | (framed && !design ? WS_DLGFRAME : 0);
    uint32_t ex = border_ex_bits(b) | (framed && design ? WS_EX_DLGMODALFRAME : 0);
    replace_style(handle(), GWL_STYLE, kBorderStyles, style);
    replace_style(handle(), GWL_EXSTYLE, kBorderExStyles, ex);
    apply_title_styles();
    frame_changed(handle());
}

void WindowUnit::apply_icons() {
    HICON large = nullptr, small = nullptr;
    const int32_t dpi = dpi_of(handle());
    bool own =
        !props_.Icon.empty() &&
        decode_icon_pair(props_.Icon.data(), uint32_t(props_.Icon.size()), large, small, dpi);
    if (!own) {
        large = program_icon(false, dpi);
        small = program_icon(true, dpi);
    }
    SendMessageW(handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large));
    SendMessageW(handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    drop_icons(); // only once the window no longer uses them
    large_icon_ = large;
    small_icon_ = small;
    own_icons_ = own;
}

void WindowUnit::drop_icons() {
    if (own_icons_)
        destroy_icons({large_icon_, small_icon_});
    large_icon_ = small_icon_ = nullptr;
    own_icons_ = false;
}

void WindowUnit::apply_shape(bool force) {
    RECT r;
    GetWindowRect(handle(), &r);
    HRGN region = make_shape_region(props_.Shape, r.right - r.left, r.bottom - r.top);
    if (!region && !shape_copy_ && !force)
        return;
    if (shape_copy_)
        DeleteObject(shape_copy_);
    shape_copy_ = nullptr;
    if (region) {
        shape_copy_ = CreateRectRgn(0, 0, 0, 0);
        CombineRgn(shape_copy_, region, nullptr, RGN_COPY);
    }
    if (!SetWindowRgn(handle(), region, TRUE) && region)
        DeleteObject(region);
}

void WindowUnit::apply_topmost() {
    if (props_.AlwaysOnTop == 1) {
        SetWindowPos(handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        return;
    }
    SetWindowPos(handle(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    // Windows kept off the taskbar share the hidden owner; taking this one out of
    // the topmost band must not take them along.
    for (WindowUnit* other : loaded_windows()) {
        if (other != this && other->props_.AlwaysOnTop == 1 && other->props_.ShowInTaskbar == 0)
            SetWindowPos(other->handle(), HWND_TOPMOST, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

void WindowUnit::apply_position() {
    HWND hwnd = handle();
    auto restore = [hwnd] {
        if (IsIconic(hwnd) || IsZoomed(hwnd))
            ShowWindow(hwnd, SW_RESTORE);
    };
    namespace position = forms::choice::Position;
    switch (props_.Position) {
    case position::Normal:
        ShowWindow(hwnd, SW_SHOWNORMAL);
        break;
    case position::Centred: {
        restore();
        RECT r;
        GetWindowRect(hwnd, &r);
        int w = r.right - r.left, h = r.bottom - r.top;
        SetWindowPos(hwnd, nullptr, (GetSystemMetrics(SM_CXSCREEN) - w) / 2,
                     (GetSystemMetrics(SM_CYSCREEN) - h) / 2, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        break;
    }
    case position::Minimised:
        ShowWindow(hwnd, SW_MINIMIZE);
        break;
    case position::Maximised: {
        restore();
        ShowWindow(hwnd, SW_SHOWMAXIMIZED);
        RECT area = work_area_of(hwnd);
        SetWindowPos(hwnd, nullptr, area.left, area.top, area.right - area.left,
                     area.bottom - area.top, SWP_NOZORDER | SWP_NOACTIVATE);
        ShowWindow(hwnd, SW_SHOW);
        break;
    }
    default:
        break;
    }
}

void WindowUnit::apply_movable(bool reset) {
    if (reset) {
        GetSystemMenu(handle(), TRUE);
        return;
    }
    if (HMENU menu = GetSystemMenu(handle(), FALSE))
        DeleteMenu(menu, SC_MOVE, MF_BYCOMMAND);
}

void WindowUnit::start_sound() {
    if (design_mode_ == 0)
        sound_.start(props_.BackSound, props_.SoundMode, handle());
}

// ---- properties -----------------------------------------------------------------------

// A window is never re-created by a property write (the table says so); each
// write changes the live window.
int32_t WindowUnit::write(int32_t index, const forms::PropValue& value) {
    return write_by_table(props_, index, value, design_mode_ != 0,
                          [this](int32_t written, const forms::PropValue&) { apply(written); });
}

void WindowUnit::apply(int32_t index) {
    namespace w = props::window;
    HWND hwnd = handle();
    switch (index) {
    case w::Caption:
        system_text::set_window_text(hwnd, props_.Caption.c_str());
        apply_title_styles();
        break;
    case w::BorderStyle:
        apply_border_styles();
        break;
    case w::BackColor:
    case w::BackPicture:
        if (index == w::BackPicture)
            drop_picture();
        InvalidateRect(hwnd, nullptr, TRUE);
        break;
    case w::PictureMode:
        if (!props_.BackPicture.empty())
            InvalidateRect(hwnd, nullptr, TRUE);
        break;
    case w::BackSound:
    case w::SoundMode:
        sound_.stop();
        start_sound();
        break;
    case w::ControlBox:
    case w::MaxButton:
    case w::MinButton:
        apply_title_styles();
        break;
    case w::Position:
        if (IsWindowVisible(hwnd))
            apply_position();
        break;
    case w::Movable:
        apply_movable(props_.Movable == 1);
        break;
    case w::Icon:
        apply_icons();
        break;
    case w::Shape:
        apply_shape(true);
        break;
    case w::AlwaysOnTop:
        apply_topmost();
        break;
    default:
        break; // the others take effect where they are used
    }
}

// Position reports the live state; everything else is the stored value.
int32_t WindowUnit::read(int32_t index, uint32_t result[2]) {
    return read_by_table(props_, index, result, scratch_, [this](int32_t i, uint32_t* r) {
        if (i != props::window::Position)
            return false;
        namespace position = forms::choice::Position;
        r[0] = IsIconic(handle())   ? position::Minimised
               : IsZoomed(handle()) ? position::Maximised
                                    : position::Normal;
        return true;
    });
}

} // namespace vantor::controls
