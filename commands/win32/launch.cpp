#include "commands/library.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "commands/convert.h"
#include "runtime/allocator.h"
#include "runtime/call.h"
#include "runtime/protocol.h"
#include "runtime/win32/libraries.h"
#include "runtime/win32/system_text.h"

namespace vantor {

namespace {

constexpr DWORD kInputIdleLimitMs = 1000;
// The start-up record's size field: the size of the 32-bit STARTUPINFO.
constexpr DWORD kStartupInfoSize = 68;
static_assert(sizeof(STARTUPINFOW) == kStartupInfoSize);

// Window show value (SW_...) for a show mode: 1 hidden, 2 normal, 3 minimised,
// 4 maximised, 5 normal without activation, 6 minimised without activation;
// modes below 1 count as 1, above 6 as 6.
WORD show_value(int32_t mode) {
    static constexpr WORD kShowValues[6] = {SW_HIDE,          SW_SHOWNORMAL,     SW_SHOWMINIMIZED,
                                            SW_SHOWMAXIMIZED, SW_SHOWNOACTIVATE, SW_MINIMIZE};
    return kShowValues[std::clamp(mode, 1, 6) - 1];
}

} // namespace

void cmd_launch(TypedValue* result, int32_t argc, const TypedValue* args) {
    const TypedValue line_arg = argument(argc, args, 0);
    const bool wait = argument(argc, args, 1).low != 0;
    const TypedValue mode_arg = argument(argc, args, 2);
    const int32_t mode = omitted(mode_arg) ? 2 : to_int(mode_arg);

    STARTUPINFOW startup{};
    startup.cb = kStartupInfoSize;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = show_value(mode);

    // The system may write into the command line: it gets a private copy,
    // converted from GBK whatever the system's code page.
    const char* text = line_arg.type == type::Text ? as_text(line_arg) : nullptr;
    std::wstring line = system_text::to_wide(text);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        *result = make_bool(false);
        return;
    }
    if (wait) {
        WaitForSingleObject(info.hProcess, INFINITE);
    } else {
        WaitForInputIdle(info.hProcess, kInputIdleLimitMs);
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    *result = make_bool(true);
}

void cmd_process_events(TypedValue* result, int32_t, const TypedValue*) {
    library_request(Library::Base, request::ProcessMessages, 0, 0);
    *result = kOmitted;
}

void cmd_program_file_name(TypedValue* result, int32_t, const TypedValue*) {
    const char* name = reinterpret_cast<const char*>(
        uintptr_t(library_request(Library::Base, request::ProgramFile, 0, 0)));
    *result = make_text(copy_text(name));
}

} // namespace vantor
