// What the plain Win32 programs of the tests and benchmarks (no runtime) share:
// their window class and their message loop; and one window query every test
// tier uses.
#pragma once

#include <windows.h>

#include <string>

namespace vantor::testing {

// Registers window class `name` of this program with `proc`, the arrow cursor,
// the system colour `background` (COLOR_...) and the class `style`; a class
// already registered stays as it is.
inline void register_plain_class(WNDPROC proc, const char* name, int background = COLOR_BTNFACE,
                                 UINT style = 0) {
    WNDCLASSA wc{};
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(INT_PTR(background + 1));
    wc.lpszClassName = name;
    RegisterClassA(&wc);
}

// The default handling of a plain program's main window: its destruction ends
// the message loop.
inline LRESULT CALLBACK plain_window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

// Retrieves and dispatches messages until WM_QUIT, whose code it returns; with
// `dialog`, keyboard navigation between its controls first.
inline int run_plain_loop(HWND dialog = nullptr) {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (dialog && IsDialogMessageA(dialog, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return int(msg.wParam);
}

// The class name of a window of any process.
inline std::string class_name_of(HWND hwnd) {
    char name[256] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

} // namespace vantor::testing
