// Start-up baseline for Vantor's window: a plain Win32 program that creates a
// 217 x 210 window centred on the screen with the same thirteen controls
// (STATIC for the labels and the hidden dialog unit, EDIT, BUTTON) at the same
// geometry and identifiers, with the GUI font, and shows it. It runs until its
// window is closed.
#include <windows.h>

#include "tests/support/plain_program.h"

namespace {

struct Control {
    const char* cls;
    const char* text;
    int x, y, w, h;
    int id;
    DWORD style;
    DWORD ex_style;
};

constexpr DWORD kLabel = SS_LEFT | SS_CENTERIMAGE;
constexpr DWORD kEdit = WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD kButton = WS_TABSTOP | BS_PUSHBUTTON;

// In creation order, bottom of the z-order first, as Vantor creates them.
const Control kControls[] = {
    {"STATIC", "启动模拟器数量", 8, 16, 88, 24, 100, WS_VISIBLE | kLabel, 0},
    {"EDIT", "", 112, 16, 48, 24, 110, WS_VISIBLE | kEdit, WS_EX_CLIENTEDGE},
    {"BUTTON", "启动", 0, 152, 80, 32, 120, WS_VISIBLE | kButton, 0},
    {"STATIC", "分辨率 宽 ", 8, 56, 56, 16, 130, WS_VISIBLE | kLabel, 0},
    {"EDIT", "", 72, 48, 40, 24, 140, WS_VISIBLE | kEdit, WS_EX_CLIENTEDGE},
    {"STATIC", "高", 120, 56, 16, 16, 150, WS_VISIBLE | kLabel, 0},
    {"EDIT", "", 136, 48, 40, 24, 160, WS_VISIBLE | kEdit, WS_EX_CLIENTEDGE},
    {"STATIC", "DPI ", 40, 88, 24, 16, 170, WS_VISIBLE | kLabel, 0},
    {"EDIT", "", 72, 80, 40, 24, 180, WS_VISIBLE | kEdit, WS_EX_CLIENTEDGE},
    {"STATIC", "Nox.exe路径", 0, 112, 80, 24, 190, WS_VISIBLE | kLabel, 0},
    {"EDIT", "", 72, 112, 128, 24, 200, WS_VISIBLE | kEdit, WS_EX_CLIENTEDGE},
    {"STATIC", "", 176, 88, 16, 16, 210, 0, 0}, // the common dialog unit: never shown
    {"BUTTON", "导入EXE", 120, 152, 80, 32, 220, WS_VISIBLE | kButton, 0},
};

constexpr int kWidth = 217;
constexpr int kHeight = 210;

// The 13 controls in the dialog font, as a plain program makes them.
void create_controls(HWND hwnd) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT);
    for (const Control& c : kControls) {
        HWND child = CreateWindowExA(
            c.ex_style, c.cls, c.text, WS_CHILD | WS_CLIPSIBLINGS | c.style, c.x, c.y, c.w, c.h,
            hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance, nullptr);
        SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
}

LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CREATE)
        create_controls(hwnd);
    else if (msg == WM_DESTROY)
        PostQuitMessage(0);
    else
        return DefWindowProcA(hwnd, msg, wp, lp);
    return 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    vantor::testing::register_plain_class(window_proc, "PlainWindow13");
    const int x = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
    HWND hwnd =
        CreateWindowExA(0, "PlainWindow13", "Plain13",
                        WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX,
                        x, y, kWidth, kHeight, nullptr, nullptr, instance, nullptr);
    if (!hwnd)
        return 1;
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);
    return vantor::testing::run_plain_loop(hwnd);
}
