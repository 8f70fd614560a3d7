#include "forms/win32/dpi_win32.h"

#include <optional>

#include "runtime/win32/libraries.h"

namespace vantor::forms::dpi {

namespace {

// The window property that holds the DPI the last WM_DPICHANGED announced.
constexpr wchar_t kDpiProperty[] = L"Vantor.Dpi";
// GetDpiForMonitor's MDT_EFFECTIVE_DPI.
constexpr int kEffectiveDpi = 0;

// A function of user32 (always loaded), or null on systems without it.
template <class Fn> Fn user32_function(const char* name) {
    HMODULE user = GetModuleHandleW(L"user32.dll");
    return user ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(user, name)))
                : nullptr;
}

using GetDpiForSystemFn = UINT(WINAPI*)();
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);

// Windows 8.1: the DPI of the window's monitor, from shcore, loaded only there.
int32_t monitor_dpi(HWND hwnd) {
    void* shcore = on_demand_library("shcore.dll");
    auto for_monitor = shcore ? reinterpret_cast<GetDpiForMonitorFn>(reinterpret_cast<void*>(
                                    GetProcAddress(HMODULE(shcore), "GetDpiForMonitor")))
                              : nullptr;
    UINT x = 0, y = 0;
    HMONITOR monitor = MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST);
    if (!for_monitor || !monitor || FAILED(for_monitor(monitor, kEffectiveDpi, &x, &y)))
        return 0;
    return int32_t(y);
}

HWND top_level_of(HWND hwnd) {
    HWND root = GetAncestor(hwnd, GA_ROOT);
    return root ? root : hwnd;
}

} // namespace

int32_t system_dpi() {
    static const auto for_system = user32_function<GetDpiForSystemFn>("GetDpiForSystem");
    if (for_system)
        return valid_dpi(int32_t(for_system()));
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen)
        ReleaseDC(nullptr, screen);
    return valid_dpi(dpi);
}

int32_t window_dpi(HWND hwnd) {
    if (!hwnd || !IsWindow(hwnd))
        return system_dpi();
    HWND top = top_level_of(hwnd);
    if (auto remembered = int32_t(reinterpret_cast<intptr_t>(GetPropW(top, kDpiProperty))))
        return remembered;
    static const auto for_window = user32_function<GetDpiForWindowFn>("GetDpiForWindow");
    if (for_window) {
        if (const UINT dpi = for_window(top))
            return int32_t(dpi);
        return system_dpi();
    }
    const int32_t dpi = monitor_dpi(top);
    return dpi > 0 ? dpi : system_dpi();
}

void remember_dpi(HWND hwnd, int32_t dpi) {
    HWND top = top_level_of(hwnd);
    if (dpi > 0)
        SetPropW(top, kDpiProperty, reinterpret_cast<HANDLE>(intptr_t(dpi)));
}

void forget_dpi(HWND hwnd) {
    RemovePropW(top_level_of(hwnd), kDpiProperty);
}

int32_t metric_at(int index, int32_t dpi) {
    static const auto for_dpi = user32_function<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
    dpi = valid_dpi(dpi);
    if (for_dpi)
        return for_dpi(index, UINT(dpi));
    return mul_div(GetSystemMetrics(index), dpi, system_dpi());
}

FrameParts frame_parts(DWORD style, DWORD ex_style, bool menu) {
    FrameParts parts;
    parts.caption = (style & WS_CAPTION) == WS_CAPTION;
    parts.tool = (ex_style & WS_EX_TOOLWINDOW) != 0;
    parts.sizing = (style & WS_THICKFRAME) != 0;
    parts.fixed = (style & WS_DLGFRAME) != 0 || (ex_style & WS_EX_DLGMODALFRAME) != 0;
    parts.border = (style & WS_BORDER) != 0;
    parts.client_edge = (ex_style & WS_EX_CLIENTEDGE) != 0;
    parts.menu = menu;
    return parts;
}

namespace {
std::optional<FrameMetrics> g_modelled; // model_system_metrics
} // namespace

void model_system_metrics(const FrameMetrics* at_96) {
    g_modelled = at_96 ? std::optional<FrameMetrics>(*at_96) : std::nullopt;
}

Frame reference_frame(DWORD style, DWORD ex_style, bool menu) {
    return frame_of(kReferenceMetrics, frame_parts(style, ex_style, menu));
}

Frame frame_at(DWORD style, DWORD ex_style, bool menu, int32_t dpi) {
    if (g_modelled)
        return frame_of(metrics_at(*g_modelled, dpi), frame_parts(style, ex_style, menu));
    static const auto adjust_for_dpi =
        user32_function<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
    dpi = valid_dpi(dpi);
    RECT r{0, 0, 0, 0};
    if (adjust_for_dpi && adjust_for_dpi(&r, style, menu, ex_style, UINT(dpi)))
        return {r.right - r.left, r.bottom - r.top};
    r = RECT{0, 0, 0, 0};
    AdjustWindowRectEx(&r, style, menu, ex_style);
    const int32_t system = system_dpi();
    return {mul_div(r.right - r.left, dpi, system), mul_div(r.bottom - r.top, dpi, system)};
}

bool is_top_level(HWND hwnd) {
    return (GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD) == 0;
}

namespace {

// The live window's rectangle: the screen's for a top-level window, its
// parent's client area's for a child.
RECT live_rect(HWND hwnd) {
    RECT r;
    GetWindowRect(hwnd, &r);
    if (!is_top_level(hwnd))
        MapWindowPoints(HWND_DESKTOP, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// `box` from stored units to pixels at `hwnd`'s DPI (`to_pixels_at_dpi`), or
// back. A top-level window's outer size is its client area under the
// reference frame, and that client area under the system's frame at its DPI.
Box convert_box(HWND hwnd, const Box& box, bool to_pixels_at_dpi) {
    const int32_t dpi = window_dpi(hwnd);
    Box out = to_pixels_at_dpi ? to_pixels(box, dpi) : to_stored(box, dpi);
    if (is_top_level(hwnd)) {
        const auto style = DWORD(GetWindowLongW(hwnd, GWL_STYLE));
        const auto ex = DWORD(GetWindowLongW(hwnd, GWL_EXSTYLE));
        const bool menu = GetMenu(hwnd) != nullptr;
        const Frame reference = reference_frame(style, ex, menu);
        const Frame system = frame_at(style, ex, menu, dpi);
        const auto outer = to_pixels_at_dpi ? outer_to_pixels : outer_to_stored;
        out.width = outer(box.width, reference.width, system.width, dpi);
        out.height = outer(box.height, reference.height, system.height, dpi);
    }
    return out;
}

} // namespace

Box stored_box(HWND hwnd) {
    const RECT r = live_rect(hwnd);
    return convert_box(hwnd, {r.left, r.top, r.right - r.left, r.bottom - r.top}, false);
}

Box pixel_box(HWND hwnd, const Box& stored) {
    return convert_box(hwnd, stored, true);
}

void place_unit(HWND hwnd, const Box& stored, UINT flags) {
    const Box p = pixel_box(hwnd, stored);
    SetWindowPos(hwnd, nullptr, p.left, p.top, p.width, p.height,
                 flags | SWP_NOZORDER | SWP_NOACTIVATE);
}

void move_to_dpi(HWND hwnd, int32_t dpi, const RECT& suggested) {
    const bool restored = !IsIconic(hwnd) && !IsZoomed(hwnd);
    const Box stored = stored_box(hwnd); // at the DPI it leaves
    remember_dpi(hwnd, dpi);
    const Box p = pixel_box(hwnd, stored);
    SetWindowPos(hwnd, nullptr, suggested.left, suggested.top,
                 restored ? p.width : suggested.right - suggested.left,
                 restored ? p.height : suggested.bottom - suggested.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace vantor::forms::dpi
