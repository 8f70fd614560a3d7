// Stand-in emulator for the end-to-end tests, built as Nox.exe. It records
// each start (command line, start-up record) and its exit in a shared log,
// then shows a top-level window of class "Qt5QWindowIcon" titled 夜神模拟器
// followed by the clone number of " -clone:Nox_N", until the window is closed
// or the process terminated. Like the real emulator it is a Unicode program:
// its window title is UTF-16 and it reads its command line as UTF-16, so a
// search or a launch that goes through the system's code page misses it.
//
// Environment:
//   VANTOR_STANDIN_LOG            log path (default nox-standin.log next to the exe)
//   VANTOR_STANDIN_SHOW_DELAY_MS  ms before the window is created (messages pumped)
//   VANTOR_STANDIN_NEVER_SHOW=1   never creates a window (ends only when terminated
//                                 or after VANTOR_STANDIN_EXIT_AFTER_MS)
//   VANTOR_STANDIN_FAIL=1         exits at once with code 1
//   VANTOR_STANDIN_EXIT_AFTER_MS  closes its window this long after showing it (or
//                                 ends this long after start when it never shows)
//
// Built with VANTOR_STANDIN_DECOY it is a decoy (Program.exe): it logs its
// start and exits with code 0.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

#include "runtime/win32/system_text.h"
#include "tests/support/standin_log.h"

namespace {

#ifdef VANTOR_STANDIN_DECOY
constexpr bool kDecoy = true;
#else
constexpr bool kDecoy = false;
#endif
constexpr UINT_PTR kExitTimer = 1;

std::string env(const char* name) {
    wchar_t value[1024] = {};
    DWORD n = GetEnvironmentVariableW(vantor::system_text::to_wide(name).c_str(), value,
                                      DWORD(std::size(value)));
    return n > 0 && n < std::size(value) ? vantor::system_text::from_wide(value) : std::string();
}

DWORD env_ms(const char* name) {
    std::string v = env(name);
    return v.empty() ? 0 : DWORD(std::strtoul(v.c_str(), nullptr, 10));
}

std::string module_path() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return vantor::system_text::from_wide(path);
}

std::string log_path() {
    std::string path = env("VANTOR_STANDIN_LOG");
    if (!path.empty())
        return path;
    std::string exe = module_path();
    return exe.substr(0, exe.find_last_of('\\') + 1) + "nox-standin.log";
}

std::string exe_name() {
    std::string exe = module_path();
    return exe.substr(exe.find_last_of('\\') + 1);
}

void log_line(const std::string& event, const std::wstring& fields) {
    vantor::testing::append_log_line(log_path(), event, fields);
}

std::wstring wide(const std::string& gbk) {
    return vantor::system_text::to_wide(gbk);
}

std::string state_fields(HWND hwnd) {
    char text[256];
    std::snprintf(text, sizeof text, "hwnd=%lu visible=%d iconic=%d zoomed=%d",
                  static_cast<unsigned long>(reinterpret_cast<uintptr_t>(hwnd)),
                  IsWindowVisible(hwnd) ? 1 : 0, IsIconic(hwnd) ? 1 : 0, IsZoomed(hwnd) ? 1 : 0);
    return text;
}

// Waits `ms` while answering messages, so that the process counts as ready
// for input the way a program busy with its own start does.
void pump_for(DWORD ms) {
    DWORD start = GetTickCount();
    for (;;) {
        DWORD spent = GetTickCount() - start;
        if (spent >= ms)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - spent, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                return;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    if (msg != WM_TIMER)
        return DefWindowProcW(hwnd, msg, wp, lp);
    if (wp == kExitTimer)
        DestroyWindow(hwnd);
    return 0;
}

HWND create_window(const char* command_line, int show) {
    const wchar_t* const kClass = L"Qt5QWindowIcon";
    WNDCLASSW wc{};
    wc.lpfnWndProc = window_proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(INT_PTR(COLOR_WINDOW + 1));
    wc.lpszClassName = kClass;
    RegisterClassW(&wc);
    const std::wstring title = wide(vantor::testing::standin_title(command_line));
    HWND hwnd =
        CreateWindowExW(0, kClass, title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                        320, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (hwnd)
        ShowWindow(hwnd, show);
    return hwnd;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show) {
    const std::wstring wide_command_line = GetCommandLineW();
    const std::string gbk_command_line = vantor::system_text::from_wide(wide_command_line);
    const char* command_line = gbk_command_line.c_str();
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    char fields[64];
    std::snprintf(fields, sizeof fields, "exe=%s flags=%lu show=%u ", exe_name().c_str(),
                  static_cast<unsigned long>(startup.dwFlags), unsigned(startup.wShowWindow));
    log_line("start", wide(fields) + L"cmd=" + wide_command_line);

    if (kDecoy) {
        log_line("exit", L"code=0");
        return 0;
    }
    if (env("VANTOR_STANDIN_FAIL") == "1") {
        log_line("exit", L"code=1");
        return 1;
    }
    const DWORD exit_after = env_ms("VANTOR_STANDIN_EXIT_AFTER_MS");
    if (env("VANTOR_STANDIN_NEVER_SHOW") == "1") {
        pump_for(exit_after ? exit_after : INFINITE);
        log_line("exit", L"code=0");
        return 0;
    }
    pump_for(env_ms("VANTOR_STANDIN_SHOW_DELAY_MS"));
    HWND hwnd = create_window(command_line, show);
    if (!hwnd) {
        log_line("exit", L"code=2");
        return 2;
    }
    // The title as the window holds it, read back with the wide function.
    wchar_t title[256] = {};
    GetWindowTextW(hwnd, title, int(std::size(title)));
    log_line("window", wide(state_fields(hwnd)) + L" title=" + title);
    if (exit_after)
        SetTimer(hwnd, kExitTimer, exit_after, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    log_line("exit", L"code=0");
    return 0;
}
