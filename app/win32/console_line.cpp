#include "app/win32/console_line.h"

#include <windows.h>

#include <string>

#include "runtime/win32/system_text.h"

namespace vantor::app {

namespace {

bool usable(HANDLE h) {
    return h && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN;
}

// The parent's console, attached and opened once; null when there is none.
HANDLE parent_console() {
    static HANDLE console = [] {
        // ERROR_ACCESS_DENIED: this process is attached to a console already.
        if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED)
            return HANDLE(nullptr);
        HANDLE h =
            CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        return h == INVALID_HANDLE_VALUE ? HANDLE(nullptr) : h;
    }();
    return console;
}

bool write_line(HANDLE h, const std::wstring& line) {
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(h, &mode))
        return WriteConsoleW(h, line.data(), DWORD(line.size()), &written, nullptr) != FALSE;
    const std::string bytes = system_text::to_utf8(line);
    return WriteFile(h, bytes.data(), DWORD(bytes.size()), &written, nullptr) != FALSE &&
           written == bytes.size();
}

} // namespace

bool write_console_line(std::string_view gbk) {
    const std::wstring line = system_text::to_wide(gbk) + L"\r\n";
    HANDLE given = GetStdHandle(STD_ERROR_HANDLE);
    if (usable(given))
        return write_line(given, line);
    HANDLE console = parent_console();
    return console && write_line(console, line);
}

} // namespace vantor::app
