// The process entry of Vantor's test build (VantorAllocationFaults.exe): the
// program's own, after arming the allocation injection point from the
// environment:
//   VANTOR_FAIL_ALLOCATION=N     the Nth allocation from here on fails (none: 0)
//   VANTOR_ALLOCATION_NOTE=path  written when that allocation fails: its size
// A run without a note met fewer than N allocations.
#include <windows.h>

#include <cstdio>

#include "app/program.h"
#include "app/win32/scripted_start.h"
#include "controls/kinds.h"
#include "forms/win32/engine.h"
#include "runtime/allocation_faults.h"
#include "runtime/win32/kernel.h"

namespace {

wchar_t g_note[MAX_PATH] = {};

// Called inside the failing allocation: system calls and the stack only.
void note_failure(size_t size) {
    char line[16];
    const int length = std::snprintf(line, sizeof line, "%u\n", unsigned(size));
    HANDLE file = CreateFileW(g_note, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, line, DWORD(length), &written, nullptr);
    CloseHandle(file);
}

uint32_t environment_number(const wchar_t* name) {
    wchar_t digits[16] = {};
    const DWORD length = GetEnvironmentVariableW(name, digits, 16);
    uint32_t n = 0;
    for (DWORD i = 0; i < length && i < 16 && digits[i] >= L'0' && digits[i] <= L'9'; ++i)
        n = n * 10 + uint32_t(digits[i] - L'0');
    return n;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const DWORD note = GetEnvironmentVariableW(L"VANTOR_ALLOCATION_NOTE", g_note, MAX_PATH);
    if (note > 0 && note < MAX_PATH)
        vantor::allocation_faults::set_failure_hook(note_failure);
    vantor::allocation_faults::fail_nth(environment_number(L"VANTOR_FAIL_ALLOCATION"));
    vantor::app::prepare_scripted_reports();
    vantor::controls::register_control_kinds();
    vantor::forms::install_form_engine();
    return vantor::run_program(vantor::app::program_descriptor(), vantor::app::entry_routine);
}
