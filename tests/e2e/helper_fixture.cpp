#include "tests/e2e/helper_fixture.h"

// After windows.h, whose types it uses.
#include <tlhelp32.h>

#include "app/system_helpers.h"
#include "runtime/win32/dll_call_win32.h"
#include "runtime/win32/kernel.h"
#include "runtime/win32/libraries.h"
#include "tests/support/driver.h"

namespace vantor::testing {

Spy g_spy;

namespace {

HANDLE WINAPI spy_create_timer(LPSECURITY_ATTRIBUTES attributes, BOOL manual, LPCWSTR name) {
    if (g_spy.fail_timer)
        return nullptr;
    HANDLE h = CreateWaitableTimerW(attributes, manual, name);
    g_spy.timers.push_back(h);
    return h;
}
BOOL WINAPI spy_set_timer(HANDLE timer, const LARGE_INTEGER* due, LONG period,
                          PTIMERAPCROUTINE routine, LPVOID argument, BOOL resume) {
    g_spy.due_times.push_back(due->QuadPart);
    return SetWaitableTimer(timer, due, period, routine, argument, resume);
}
DWORD WINAPI spy_msg_wait(DWORD count, const HANDLE* handles, BOOL all, DWORD ms, DWORD mask) {
    g_spy.waits.push_back({count, ms, mask});
    if (g_spy.fail_wait)
        return WAIT_FAILED;
    return MsgWaitForMultipleObjects(count, handles, all, ms, mask);
}
BOOL WINAPI spy_close(HANDLE h) {
    g_spy.closed.push_back(h);
    return CloseHandle(h);
}
HANDLE WINAPI spy_open_process(DWORD access, BOOL inherit, DWORD pid) {
    HANDLE h = OpenProcess(access, inherit, pid);
    g_spy.opened.push_back(h);
    g_spy.opened_pids[h] = pid;
    return h;
}
BOOL WINAPI spy_terminate(HANDLE process, UINT code) {
    g_spy.terminated.push_back(g_spy.opened_pids[process]);
    return TerminateProcess(process, code);
}
DWORD WINAPI spy_window_owner(HWND window, DWORD* pid) {
    return g_spy.no_owner ? 0 : GetWindowThreadProcessId(window, pid);
}
HANDLE WINAPI spy_snapshot(DWORD flags, DWORD pid) {
    if (g_spy.fail_snapshot)
        return INVALID_HANDLE_VALUE;
    return CreateToolhelp32Snapshot(flags, pid);
}

} // namespace

void* SpyLoader::get_proc(void* module, const char* name) {
    void* real = win32_dll_loader().get_proc(module, name);
    if (!real)
        return nullptr;
    static const std::map<std::string, void*> wrappers = {
        {"CreateWaitableTimerW", reinterpret_cast<void*>(&spy_create_timer)},
        {"SetWaitableTimer", reinterpret_cast<void*>(&spy_set_timer)},
        {"MsgWaitForMultipleObjects", reinterpret_cast<void*>(&spy_msg_wait)},
        {"CloseHandle", reinterpret_cast<void*>(&spy_close)},
        {"OpenProcess", reinterpret_cast<void*>(&spy_open_process)},
        {"TerminateProcess", reinterpret_cast<void*>(&spy_terminate)},
        {"CreateToolhelp32Snapshot", reinterpret_cast<void*>(&spy_snapshot)},
        {"GetWindowThreadProcessId", reinterpret_cast<void*>(&spy_window_owner)},
    };
    auto it = wrappers.find(name);
    return it == wrappers.end() ? real : it->second;
}

void drain_queue() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

void HelperTest::SetUp() {
    g_spy = Spy{};
    drain_queue();
    kSupportLibraries[0]->notify(1, uint32_t(reinterpret_cast<uintptr_t>(&runtime_request)), 0);
    directory_ = program_directory();
    directory_.pop_back();
    create_dll_tables(tables_, app::kDeclaredFunctionCount, app::kDeclaredLibraries,
                      app::kDeclaredExports);
    attach_dll_tables(&tables_, directory_.c_str(), &loader_);
}
void HelperTest::TearDown() {
    app::set_abandon_check(nullptr);
    attach_dll_tables(nullptr, nullptr);
    release_dll_tables(tables_, loader_);
    kSupportLibraries[0]->notify(6, 0, 0);
    drain_queue();
}

} // namespace vantor::testing
