// A small window for testing the automation driver itself: an edit box, a
// button that opens the open-file dialog and puts the chosen path into the
// edit box, a button that shows the edit box's text in a message box, and a
// button that quits with the text's length as exit code.
#include <windows.h>

#include "tests/support/plain_program.h"
// After windows.h, whose types it uses.
#include <commdlg.h>

namespace {

enum : int { kEdit = 101, kOpen = 102, kShow = 103, kQuit = 104 };

HWND g_edit = nullptr;
WNDPROC g_edit_proc_a = nullptr;
WNDPROC g_edit_proc_w = nullptr;
BYTE g_lead_byte = 0;

// Wine's ANSI EDIT control takes WM_CHAR byte by byte and so drops the two
// bytes of a GBK character; the pair is combined here and handed to the
// control's Unicode procedure, as a program that takes GBK input must.
LRESULT CALLBACK edit_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CHAR) {
        const BYTE byte = LOBYTE(wp);
        if (g_lead_byte) {
            const char pair[2] = {char(g_lead_byte), char(byte)};
            g_lead_byte = 0;
            WCHAR wide = 0;
            if (MultiByteToWideChar(CP_ACP, 0, pair, 2, &wide, 1) == 1) {
                return CallWindowProcW(g_edit_proc_w, hwnd, msg, wide, lp);
            }
            return 0;
        }
        if (IsDBCSLeadByte(byte)) {
            g_lead_byte = byte;
            return 0;
        }
    }
    return CallWindowProcA(g_edit_proc_a, hwnd, msg, wp, lp);
}

int edit_text(char* buffer, int size) {
    return GetWindowTextA(g_edit, buffer, size);
}

void open_file(HWND owner) {
    char file[MAX_PATH] = {};
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY;
    if (GetOpenFileNameA(&ofn))
        SetWindowTextA(g_edit, file);
}

LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE: {
        HINSTANCE instance = GetModuleHandleA(nullptr);
        auto make = [&](const char* cls, const char* text, DWORD style, int x, int id) {
            return CreateWindowExA(
                0, cls, text, WS_CHILD | WS_VISIBLE | style, x, 10, id == kEdit ? 200 : 60, 24,
                hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
        };
        g_edit = make("EDIT", "", WS_BORDER | ES_AUTOHSCROLL, 10, kEdit);
        g_edit_proc_w = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(g_edit, GWLP_WNDPROC));
        g_edit_proc_a = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(g_edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&edit_proc)));
        make("BUTTON", "Open", BS_PUSHBUTTON, 220, kOpen);
        make("BUTTON", "Show", BS_PUSHBUTTON, 290, kShow);
        make("BUTTON", "Quit", BS_PUSHBUTTON, 360, kQuit);
        return 0;
    }
    case WM_COMMAND: {
        char text[1024] = {};
        switch (LOWORD(wp)) {
        case kOpen:
            open_file(hwnd);
            return 0;
        case kShow:
            edit_text(text, sizeof text);
            MessageBoxA(hwnd, text, "Target", MB_OK);
            return 0;
        case kQuit:
            PostQuitMessage(edit_text(text, sizeof text));
            return 0;
        default:
            break;
        }
        break;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    vantor::testing::register_plain_class(window_proc, "VantorDriverTarget");
    HWND hwnd = CreateWindowExA(0, "VantorDriverTarget", "Driver target", WS_OVERLAPPEDWINDOW, 100,
                                100, 460, 90, nullptr, nullptr, instance, nullptr);
    ShowWindow(hwnd, show);
    return vantor::testing::run_plain_loop();
}
