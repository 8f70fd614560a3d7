// Stand-in emulator for the end-to-end tests, built as Nox.exe. It records
// each start (command line, start-up record) and its exit in a shared log,
// then shows a top-level window of class "Qt5QWindowIcon" titled 夜神模拟器
// followed by the clone number of " -clone:Nox_N", until the window is closed
// or the process terminated.
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
#include <string>

#include "tests/support/plain_program.h"
#include "tests/support/standin_log.h"

namespace {

#ifdef VANTOR_STANDIN_DECOY
constexpr bool kDecoy = true;
#else
constexpr bool kDecoy = false;
#endif
constexpr UINT_PTR kExitTimer = 1;

std::string env(const char* name) {
    char value[1024] = {};
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}

DWORD env_ms(const char* name) {
    std::string v = env(name);
    return v.empty() ? 0 : DWORD(std::strtoul(v.c_str(), nullptr, 10));
}

std::string module_path() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
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

void log_line(const std::string& event, const std::string& fields) {
    vantor::testing::append_log_line(log_path(), event, fields);
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
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                return;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_TIMER)
        return vantor::testing::plain_window_proc(hwnd, msg, wp, lp);
    if (wp == kExitTimer)
        DestroyWindow(hwnd);
    return 0;
}

HWND create_window(const char* command_line, int show) {
    const char* const kClass = "Qt5QWindowIcon";
    vantor::testing::register_plain_class(window_proc, kClass, COLOR_WINDOW);
    const std::string title = vantor::testing::standin_title(command_line);
    HWND hwnd =
        CreateWindowExA(0, kClass, title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                        320, 200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (hwnd)
        ShowWindow(hwnd, show);
    return hwnd;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show) {
    const char* command_line = GetCommandLineA();
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    char fields[64];
    std::snprintf(fields, sizeof fields, "exe=%s flags=%lu show=%u ", exe_name().c_str(),
                  static_cast<unsigned long>(startup.dwFlags), unsigned(startup.wShowWindow));
    log_line("start", std::string(fields) + "cmd=" + command_line);

    if (kDecoy) {
        log_line("exit", "code=0");
        return 0;
    }
    if (env("VANTOR_STANDIN_FAIL") == "1") {
        log_line("exit", "code=1");
        return 1;
    }
    const DWORD exit_after = env_ms("VANTOR_STANDIN_EXIT_AFTER_MS");
    if (env("VANTOR_STANDIN_NEVER_SHOW") == "1") {
        pump_for(exit_after ? exit_after : INFINITE);
        log_line("exit", "code=0");
        return 0;
    }
    pump_for(env_ms("VANTOR_STANDIN_SHOW_DELAY_MS"));
    HWND hwnd = create_window(command_line, show);
    if (!hwnd) {
        log_line("exit", "code=2");
        return 2;
    }
    log_line("window",
             state_fields(hwnd) + " title=" + vantor::testing::standin_title(command_line));
    if (exit_after)
        SetTimer(hwnd, kExitTimer, exit_after, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    log_line("exit", "code=0");
    return 0;
}
