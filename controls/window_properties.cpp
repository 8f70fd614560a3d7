// The window kind's property writes and reads, and the live effects they have
// (title-bar and frame styles, icons, shape, position, topmost, system menu).
#include "controls/window_internal.h"
#include "controls/window_kind.h"

namespace vantor::controls {

namespace window_detail {

uint32_t border_style_bits(int32_t border) {
    return border == 1 || border == 3 || border == 5 ? WS_THICKFRAME : 0;
}

uint32_t border_ex_bits(int32_t border) {
    if (border == 3 || border == 4)
        return WS_EX_TOOLWINDOW;
    if (border == 5 || border == 6)
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
    HMODULE user = GetModuleHandleA("User32.dll");
    auto from_window = user ? reinterpret_cast<MonitorFromWindowFn>(reinterpret_cast<void*>(
                                  GetProcAddress(user, "MonitorFromWindow")))
                            : nullptr;
    auto info_of = user ? reinterpret_cast<GetMonitorInfoFn>(
                              reinterpret_cast<void*>(GetProcAddress(user, "GetMonitorInfoA")))
                        : nullptr;
    if (from_window && info_of) {
        MONITORINFO mi{};
        mi.cbSize = sizeof mi;
        HMONITOR monitor = from_window(hwnd, MONITOR_DEFAULTTONEAREST);
        if (monitor && info_of(monitor, &mi))
            return mi.rcWork;
    }
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

} // namespace

void WindowUnit::apply_title_styles() {
    uint32_t want = 0;
    if (props_.BorderStyle != 0) {
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
    uint32_t style = border_style_bits(b) | (b != 0 && !design ? WS_DLGFRAME : 0);
    uint32_t ex = border_ex_bits(b) | (b != 0 && design ? WS_EX_DLGMODALFRAME : 0);
    replace_style(handle(), GWL_STYLE, kBorderStyles, style);
    replace_style(handle(), GWL_EXSTYLE, kBorderExStyles, ex);
    apply_title_styles();
    frame_changed(handle());
}

void WindowUnit::apply_icons() {
    HICON large = nullptr, small = nullptr;
    bool own = !props_.Icon.empty() &&
               decode_icon_pair(props_.Icon.data(), uint32_t(props_.Icon.size()), large, small);
    if (!own) {
        large = program_icon(false);
        small = program_icon(true);
    }
    SendMessageA(handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large));
    SendMessageA(handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    if (own_icons_) {
        if (large_icon_)
            DestroyIcon(large_icon_);
        if (small_icon_)
            DestroyIcon(small_icon_);
    }
    large_icon_ = large;
    small_icon_ = small;
    own_icons_ = own;
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
    switch (props_.Position) {
    case 0:
        ShowWindow(hwnd, SW_SHOWNORMAL);
        break;
    case 1: {
        restore();
        RECT r;
        GetWindowRect(hwnd, &r);
        int w = r.right - r.left, h = r.bottom - r.top;
        SetWindowPos(hwnd, nullptr, (GetSystemMetrics(SM_CXSCREEN) - w) / 2,
                     (GetSystemMetrics(SM_CYSCREEN) - h) / 2, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        break;
    }
    case 2:
        ShowWindow(hwnd, SW_MINIMIZE);
        break;
    case 3: {
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

int32_t WindowUnit::write(int32_t index, const forms::PropValue* value) {
    const int32_t v = value ? int32_t(value->word0) : 0;
    HWND hwnd = handle();
    switch (index + 8) {
    case 8:
        props_.Caption = text_of(value);
        SetWindowTextA(hwnd, props_.Caption.c_str());
        apply_title_styles();
        break;
    case 9:
        props_.BorderStyle = clamp_choice(v, 6);
        apply_border_styles();
        break;
    case 10:
        props_.BackColor = uint32_t(v);
        InvalidateRect(hwnd, nullptr, TRUE);
        break;
    case 11:
        props_.BackPicture = bytes_of(value);
        drop_picture();
        InvalidateRect(hwnd, nullptr, TRUE);
        break;
    case 12:
        props_.PictureMode = clamp_choice(v, 3);
        if (!props_.BackPicture.empty())
            InvalidateRect(hwnd, nullptr, TRUE);
        break;
    case 13:
        sound_.stop();
        props_.BackSound = bytes_of(value);
        start_sound();
        break;
    case 14:
        sound_.stop();
        props_.SoundMode = clamp_choice(v, 2);
        start_sound();
        break;
    case 15:
        props_.ControlBox = v;
        apply_title_styles();
        break;
    case 16:
        props_.MaxButton = v;
        apply_title_styles();
        break;
    case 17:
        props_.MinButton = v;
        apply_title_styles();
        break;
    case 18:
        props_.Position = clamp_choice(v, 3);
        if (IsWindowVisible(hwnd))
            apply_position();
        break;
    case 19:
        props_.Movable = v;
        apply_movable(v == 1);
        break;
    case 20:
        props_.Icon = bytes_of(value);
        apply_icons();
        break;
    case 21:
        props_.EnterMovesFocus = v;
        break;
    case 22:
        props_.EscCloses = v;
        break;
    case 23:
        props_.F1OpensHelp = v;
        break;
    case 24:
        props_.HelpFile = text_of(value);
        break;
    case 25:
        props_.HelpContext = v;
        break;
    case 26:
        props_.ShowInTaskbar = v;
        break;
    case 27:
        props_.DragByClient = v;
        break;
    case 28:
        props_.Shape = clamp_choice(v, 29);
        apply_shape(true);
        break;
    case 29:
        props_.AlwaysOnTop = v;
        apply_topmost();
        break;
    case 30:
        props_.KeepTitleActive = v;
        break;
    case 31:
        props_.ClassName = text_of(value);
        break;
    default:
        break;
    }
    return 0; // a window is never re-created by a property write
}

int32_t WindowUnit::read(int32_t index, uint32_t result[2]) {
    switch (index + 8) {
    case 8:
        put_text(props_.Caption, result);
        return 1;
    case 9:
        return put_word(props_.BorderStyle, result);
    case 10:
        return put_word(int32_t(props_.BackColor), result);
    case 11:
        put_bytes(props_.BackPicture, result);
        return 1;
    case 12:
        return put_word(props_.PictureMode, result);
    case 13:
        put_bytes(props_.BackSound, result);
        return 1;
    case 14:
        return put_word(props_.SoundMode, result);
    case 15:
        return put_word(props_.ControlBox, result);
    case 16:
        return put_word(props_.MaxButton, result);
    case 17:
        return put_word(props_.MinButton, result);
    case 18:
        return put_word(IsIconic(handle()) ? 2 : IsZoomed(handle()) ? 3 : 0, result);
    case 19:
        return put_word(props_.Movable, result);
    case 20:
        put_bytes(props_.Icon, result);
        return 1;
    case 21:
        return put_word(props_.EnterMovesFocus, result);
    case 22:
        return put_word(props_.EscCloses, result);
    case 23:
        return put_word(props_.F1OpensHelp, result);
    case 24:
        put_text(props_.HelpFile, result);
        return 1;
    case 25:
        return put_word(props_.HelpContext, result);
    case 26:
        return put_word(props_.ShowInTaskbar, result);
    case 27:
        return put_word(props_.DragByClient, result);
    case 28:
        return put_word(props_.Shape, result);
    case 29:
        return put_word(props_.AlwaysOnTop, result);
    case 30:
        return put_word(props_.KeepTitleActive, result);
    case 31:
        put_text(props_.ClassName, result);
        return 1;
    default:
        return 0;
    }
}

} // namespace vantor::controls
