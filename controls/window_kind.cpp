#include "controls/window_kind.h"

#include <algorithm>
#include <map>
#include <utility>

#include "controls/dpi.h"
#include "controls/kind_routines.h"
#include "controls/kinds.h"
#include "controls/window_internal.h"
#include "forms/win32/dpi_win32.h"
#include "forms/win32/engine.h"
#include "forms/win32/loader.h"
#include "runtime/win32/kernel.h"
#include "runtime/win32/system_text.h"

namespace vantor::controls {

namespace window_detail {

static BOOL CALLBACK collect_window(HWND hwnd, LPARAM lp) {
    if (auto* w = dynamic_cast<WindowUnit*>(WindowObject::from_handle(hwnd)))
        reinterpret_cast<std::vector<WindowUnit*>*>(lp)->push_back(w);
    return TRUE;
}

std::vector<WindowUnit*> loaded_windows() {
    std::vector<WindowUnit*> out;
    EnumThreadWindows(GetCurrentThreadId(), collect_window, reinterpret_cast<LPARAM>(&out));
    return out;
}

} // namespace window_detail

namespace {

using namespace window_detail;

constexpr char kDefaultClass[] = "QZWindow";

CloseRequest g_close_request = nullptr;

// The loaded windows of this thread (top-level windows with a window object).
bool handler_refused(bool has_result, uint32_t result) {
    return has_result && result == 0;
}

// ---- routines ----------------------------------------------------------------------

bool icon_data_routine(UnitObject* unit, const uint8_t** data, uint32_t* size) {
    auto* w = dynamic_cast<WindowUnit*>(unit);
    if (!w || w->props().Icon.empty())
        return false;
    *data = w->props().Icon.data();
    *size = uint32_t(w->props().Icon.size());
    return true;
}

// Places a new window at its stored geometry `stored` at its DPI: client area
// and place scaled (the frame is the system's), a centred one centred with its
// scaled size. The DPI is noted: the window keeps the layout of that DPI until
// WM_DPICHANGED announces another. A window that starts minimised or maximised
// keeps the platform's rectangle (its restore rectangle is the requested one).
void place_at_dpi(HWND hwnd, const forms::dpi::Box& stored, bool centred) {
    if (forms::dpi::is_top_level(hwnd))
        forms::dpi::remember_dpi(hwnd, forms::dpi::window_dpi(hwnd));
    if (IsIconic(hwnd) || IsZoomed(hwnd))
        return;
    const forms::dpi::Box box = forms::dpi::pixel_box(hwnd, stored);
    const int x = centred ? (GetSystemMetrics(SM_CXSCREEN) - box.width) / 2 : box.left;
    const int y = centred ? (GetSystemMetrics(SM_CYSCREEN) - box.height) / 2 : box.top;
    RECT r;
    GetWindowRect(hwnd, &r);
    if (r.right - r.left != box.width || r.bottom - r.top != box.height || r.left != x ||
        r.top != y)
        SetWindowPos(hwnd, nullptr, x, y, box.width, box.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

void* window_interface(int32_t number) {
    return kind_interface<WindowUnit>(number);
}

void* WindowUnit::extra_routine(int32_t number) {
    return number == forms::routine::IconData ? routine_address(&icon_data_routine) : nullptr;
}

HICON program_icon(bool small, int32_t dpi) {
    int cx = metric_for(small ? SM_CXSMICON : SM_CXICON, dpi);
    int cy = metric_for(small ? SM_CYSMICON : SM_CYICON, dpi);
    // The system shares the icons of its own sizes; one of another DPI's sizes
    // is loaded once and kept, so that it too is never destroyed. (A shared
    // load of an unusual size may give an icon of another size.)
    static std::map<std::pair<int, int>, HICON> other_sizes;
    const bool system_size = cx == GetSystemMetrics(small ? SM_CXSMICON : SM_CXICON) &&
                             cy == GetSystemMetrics(small ? SM_CYSMICON : SM_CYICON);
    if (system_size)
        return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1),
                                             IMAGE_ICON, cx, cy, LR_SHARED));
    HICON& kept = other_sizes[{cx, cy}];
    if (!kept)
        kept = static_cast<HICON>(
            LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, cx, cy, 0));
    return kept;
}

void set_close_request(CloseRequest request) {
    g_close_request = request;
}

void default_close_request(WindowUnit& window) {
    HWND hwnd = window.handle();
    if (window.close_allowed() && IsWindow(hwnd))
        DestroyWindow(hwnd);
}

// ---- creation --------------------------------------------------------------------------

WindowUnit::WindowUnit(uint32_t window_id, uint32_t unit_id, uint32_t design_mode)
    : KindUnit(window_id, unit_id, &kWindowType), design_mode_(design_mode) {}

WindowUnit::~WindowUnit() {
    sound_.stop();
    drop_picture();
    drop_icons();
    if (shape_copy_)
        DeleteObject(shape_copy_);
}

namespace {

struct CreationStyles {
    uint32_t style;
    uint32_t ex;
};

// Styles from the border and the title-bar properties, added to the form engine's.
CreationStyles frame_styles(const forms::WindowProps& props, uint32_t styles, bool design) {
    CreationStyles s{styles | WS_CLIPCHILDREN, 0};
    if (props.BorderStyle != forms::choice::WindowBorder::None) {
        if (!props.Caption.empty() || props.ControlBox != 0) {
            s.style |= WS_CAPTION;
            if (props.ControlBox != 0)
                s.style |= WS_SYSMENU;
        }
        if (design)
            s.ex |= WS_EX_DLGMODALFRAME;
        else
            s.style |= WS_DLGFRAME;
    }
    s.style |= border_style_bits(props.BorderStyle);
    s.ex |= border_ex_bits(props.BorderStyle);
    if (props.MaxButton != 0)
        s.style |= WS_MAXIMIZEBOX;
    if (props.MinButton != 0)
        s.style |= WS_MINIMIZEBOX;
    return s;
}

struct StartPlace {
    int x;
    int y;
    bool centred;
};

// Start position (centred) and start state (minimised, maximised): where the
// window is created, with WS_MINIMIZE or WS_MAXIMIZE added to `style`.
StartPlace start_place(const forms::WindowProps& props, const forms::CreateParams& p, bool design,
                       uint32_t& style) {
    namespace position = forms::choice::Position;
    StartPlace place{p.left, p.top, !design && props.Position == position::Centred};
    if (place.centred) {
        place.x = (GetSystemMetrics(SM_CXSCREEN) - p.width) / 2;
        place.y = (GetSystemMetrics(SM_CYSCREEN) - p.height) / 2;
    } else if (!design && props.Position == position::Minimised) {
        style |= WS_MINIMIZE;
    } else if (!design && props.Position == position::Maximised && (style & WS_THICKFRAME)) {
        style |= WS_MAXIMIZE;
    }
    return place;
}

// A child in design mode, a pop-up when owned; windows kept off the taskbar
// (and modal loads) are owned by the hidden owner window. Returns the owner and
// adjusts `style`.
HWND owner_of(const forms::WindowProps& props, const forms::CreateParams& p, bool design,
              uint32_t& style) {
    if (design) {
        style = (style & ~uint32_t(WS_THICKFRAME)) | WS_CHILD;
    } else if (p.parent) {
        style = (style & ~uint32_t(WS_POPUP | WS_CHILD)) | WS_POPUP;
    } else if (program_kind() != 0 && (props.ShowInTaskbar == 0 || p.modal)) {
        return hidden_owner_window();
    }
    return p.parent;
}

} // namespace

UnitObject* WindowUnit::create(const forms::CreateParams& p) {
    forms::WindowProps props;
    if (!forms::read_block(p.block, p.block_size, props))
        return nullptr;
    const bool design = p.design_mode != 0;
    auto [style, ex] = frame_styles(props, p.styles, design);
    const StartPlace place = start_place(props, p, design, style);
    HWND owner = owner_of(props, p, design, style);

    // Register the class when needed, then create the window.
    const char* class_name = props.ClassName.empty() ? kDefaultClass : props.ClassName.c_str();
    if (!register_object_class(class_name, CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS))
        return nullptr;
    HMENU menu = design ? reinterpret_cast<HMENU>(uintptr_t(p.control_id)) : p.menu;
    HWND hwnd =
        CreateWindowExW(ex, system_text::to_wide(class_name).c_str(),
                        system_text::to_wide(props.Caption).c_str(), style, place.x, place.y,
                        p.width, p.height, owner, menu, GetModuleHandleW(nullptr), nullptr);
    if (!hwnd) {
        if (p.menu && !design)
            DestroyMenu(p.menu);
        return nullptr;
    }
    auto* w = new WindowUnit(p.window_id, p.unit_id, p.design_mode);
    w->props_ = std::move(props);
    w->attach(hwnd);

    // The platform adds a title bar to overlapped windows and enforces a
    // minimum tracking size; both are undone.
    w->apply_title_styles();
    place_at_dpi(hwnd, {place.x, place.y, p.width, p.height}, place.centred);
    w->apply_created_state();
    return w;
}

void WindowUnit::apply_created_state() {
    HWND hwnd = handle();
    apply_icons();
    if (props_.Shape != forms::choice::Shape::Rectangle)
        apply_shape(false);
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
    if (props_.AlwaysOnTop == 1)
        SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (props_.Movable == 0)
        apply_movable(false);
    start_sound();
}

// ---- messages --------------------------------------------------------------------------

// The window moved to a monitor of another DPI: its place and size at the new
// DPI, its icons for it, and its units laid out again.
void WindowUnit::on_dpi_changed(int32_t dpi, const RECT& suggested) {
    HWND hwnd = handle();
    forms::dpi::move_to_dpi(hwnd, dpi, suggested);
    apply_icons();
    if (forms::find_unit_object(window_id(), 0) == this) {
        forms::lay_out_units(window_id());
        return;
    }
    // A window the form engine does not hold: its controls stay where they
    // are and only learn the new DPI.
    for (HWND c = GetWindow(hwnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        SendMessageW(c, WM_DPICHANGED_AFTERPARENT, 0, 0);
}

// A handler may destroy the window (and with it this object) while an event
// runs, so the handle is checked before anything else is touched.
bool WindowUnit::close_allowed() {
    HWND hwnd = handle();
    bool has = false;
    uint32_t result = 0;
    raise_event(window_event::BeforeClose, {}, &has, &result);
    if (!IsWindow(hwnd) || handler_refused(has, result))
        return false;
    has = false;
    raise_event(window_event::CloseAsked, {}, &has, &result);
    return IsWindow(hwnd) && !handler_refused(has, result);
}

void WindowUnit::request_close() {
    if (g_close_request) {
        g_close_request(*this);
    } else if (form_engine_installed() && forms::find_unit_object(window_id(), 0) == this) {
        // A window the form engine loaded closes through it, which also gives
        // back what a modal load disabled.
        forms::request_close(window_id());
    } else {
        default_close_request(*this);
    }
}

void WindowUnit::on_activate(WPARAM wp, LPARAM) {
    if (in_activation_)
        return;
    in_activation_ = true;
    HWND hwnd = handle();
    if (LOWORD(wp) != WA_INACTIVE) {
        // A window disabled by a modal one hands the activation to that window.
        uint32_t modal = current_modal_window();
        if (!IsWindowEnabled(hwnd) && modal != 0 && modal != window_id()) {
            for (WindowUnit* w : loaded_windows()) {
                HWND other = w->handle();
                if (w->window_id() == modal && other != hwnd && IsWindowVisible(other) &&
                    IsWindowEnabled(other)) {
                    SetActiveWindow(other);
                    in_activation_ = false;
                    return;
                }
            }
        }
        if (!activated_once_) {
            activated_once_ = true;
            raise_event(window_event::FirstActivated);
            if (!IsWindow(hwnd))
                return;
        }
        raise_event(window_event::Activated);
    } else {
        HWND focus = GetFocus();
        last_focus_ = focus && IsChild(hwnd, focus) ? focus : nullptr;
        raise_event(window_event::Deactivated);
    }
    if (IsWindow(hwnd))
        in_activation_ = false;
}

void WindowUnit::on_set_focus() {
    HWND hwnd = handle();
    raise_event(event::GotFocus);
    if (!IsWindow(hwnd) || GetFocus() != hwnd)
        return;
    HWND remembered = last_focus_;
    last_focus_ = nullptr;
    if (remembered && IsWindow(remembered) && IsChild(hwnd, remembered)) {
        SetFocus(remembered);
        return;
    }
    focus_first_candidate();
}

// Themed controls ask for the parent's background behind their corners.
void WindowUnit::print_client(HDC dc) {
    RECT clip;
    if (GetClipBox(dc, &clip) == ERROR)
        GetClientRect(handle(), &clip);
    paint_background(dc, clip);
}

// The session ends: a handler of the close question may refuse. True when the
// answer is given (refused, or the window is gone); false passes the message on.
bool WindowUnit::on_query_end_session(LRESULT& answer) {
    HWND hwnd = handle();
    bool has = false;
    uint32_t result = 0;
    raise_event(window_event::CloseAsked, {}, &has, &result);
    if (handler_refused(has, result)) {
        answer = FALSE;
        return true;
    }
    answer = TRUE;
    return !IsWindow(hwnd);
}

void WindowUnit::on_destroy() {
    forms::dpi::forget_dpi(handle());
    raise_event(window_event::Destroying);
    sound_.stop();
    if (help_open_) {
        WinHelpW(handle(), help_file_.c_str(), HELP_QUIT, 0);
        help_open_ = false;
    }
}

// With DragByClient a press in the client area drags the window as its title
// bar would; true when it did.
bool WindowUnit::drag_by_client(LPARAM lp) {
    if (props_.DragByClient == 0)
        return false;
    POINT pt{short(LOWORD(lp)), short(HIWORD(lp))};
    ClientToScreen(handle(), &pt);
    ReleaseCapture();
    SendMessageW(handle(), WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(pt.x, pt.y));
    return true;
}

LRESULT WindowUnit::on_message(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT:
        paint();
        return 0;
    case WM_PRINTCLIENT:
        print_client(reinterpret_cast<HDC>(wp));
        return 0;
    case WM_CLOSE:
        request_close();
        return 0;
    case WM_QUERYENDSESSION: {
        LRESULT answer = 0;
        if (on_query_end_session(answer))
            return answer;
        break;
    }
    case WM_DPICHANGED:
        on_dpi_changed(HIWORD(wp), *reinterpret_cast<const RECT*>(lp));
        return 0;
    case WM_DESTROY:
        on_destroy();
        break;
    case WM_MOVE:
        return call_previous_then(msg, wp, lp, [&] { raise_event(window_event::Moved); });
    case WM_SIZE:
        return call_previous_then(msg, wp, lp, [&] {
            if (wp != SIZE_MINIMIZED)
                apply_shape(false);
            raise_event(window_event::Resized);
        });
    case WM_ACTIVATE:
        return call_previous_then(msg, wp, lp, [&] { on_activate(wp, lp); });
    case WM_NCACTIVATE:
        if (!wp && props_.KeepTitleActive != 0 && IsWindowEnabled(handle()))
            return call_previous(msg, TRUE, lp);
        break;
    case WM_SETFOCUS:
        return call_previous_then(msg, wp, lp, [&] { on_set_focus(); });
    case WM_KILLFOCUS:
        return call_previous_then(msg, wp, lp, [&] { raise_event(event::LostFocus); });
    case WM_SHOWWINDOW:
        return call_previous_then(
            msg, wp, lp, [&] { raise_event(wp ? window_event::Shown : window_event::Hidden); });
    case WM_LBUTTONDOWN:
        if (drag_by_client(lp))
            return 0;
        break;
    case MM_MCINOTIFY:
        sound_.on_mci_notify(wp, lp);
        return 0;
    case WM_SYSCOLORCHANGE:
        on_colors_changed(true);
        break;
    case WM_SETTINGCHANGE:
        if (wp == SPI_SETHIGHCONTRAST)
            on_colors_changed(false);
        break;
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
    case WM_HSCROLL:
    case WM_VSCROLL: {
        LRESULT result = 0;
        if (reflect_notification(msg, wp, lp, result))
            return result;
        break;
    }
    default:
        break;
    }
    return call_previous(msg, wp, lp);
}

} // namespace vantor::controls
