// The Windows half of the start-up benchmark (bench/startup_mapped.py): one
// long-running process that starts programs when told on its standard input,
// so that the figure holds the program's own start and not Wine's.
//   run <path>   CreateProcessA at once; answers "started <pid>"
//   close        WM_CLOSE to the program's top-level windows, waits for its end
//                (terminates it after 5 s); answers "closed <exit code>"
//   quit         ends
// Every answer is one line, flushed at once.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr DWORD kCloseWaitMs = 5000;

BOOL CALLBACK close_window_of(HWND hwnd, LPARAM pid) {
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner == DWORD(pid) && IsWindowVisible(hwnd))
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
    return TRUE;
}

void answer(const char* format, unsigned long value) {
    std::printf(format, value);
    std::fflush(stdout);
}

} // namespace

int main() {
    PROCESS_INFORMATION running{};
    char line[2 * MAX_PATH];
    answer("ready %lu\n", GetCurrentProcessId());
    while (std::fgets(line, sizeof line, stdin)) {
        line[std::strcspn(line, "\r\n")] = 0;
        if (std::strncmp(line, "run ", 4) == 0) {
            STARTUPINFOA si{};
            si.cb = sizeof si;
            std::string command = std::string("\"") + (line + 4) + "\"";
            if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                nullptr, &si, &running)) {
                answer("failed %lu\n", GetLastError());
                continue;
            }
            CloseHandle(running.hThread);
            answer("started %lu\n", running.dwProcessId);
        } else if (std::strcmp(line, "close") == 0 && running.hProcess) {
            EnumWindows(close_window_of, LPARAM(running.dwProcessId));
            if (WaitForSingleObject(running.hProcess, kCloseWaitMs) != WAIT_OBJECT_0) {
                TerminateProcess(running.hProcess, 99);
                WaitForSingleObject(running.hProcess, kCloseWaitMs);
            }
            DWORD code = 0;
            GetExitCodeProcess(running.hProcess, &code);
            CloseHandle(running.hProcess);
            running = PROCESS_INFORMATION{};
            answer("closed %lu\n", code);
        } else if (std::strcmp(line, "quit") == 0) {
            break;
        }
    }
    return 0;
}
