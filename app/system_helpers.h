// The launcher's system helper routines: a delay that keeps the window
// responsive, the search for an instance's top-level window, and the
// termination of the process that owns it. Every operating-system call goes
// through the program's declared functions (app/runtime_api.h), commands
// through the command-call entry, memory through the allocator slots; the
// implementation includes <tlhelp32.h> only for the process entry's layout.
// Windows only; main thread only.
#pragma once

#include <cstdint>

namespace vantor::app {

// Indexes of the program's declared functions, in declaration order, with the
// (library, export) pairs they are declared with. An empty library name means
// "search the system libraries".
enum DeclaredFunction : uint32_t {
    kCreateWaitableTimerW,
    kSetWaitableTimer,
    kMsgWaitForMultipleObjects,
    kCloseHandle,
    kFindWindowExW,
    kOpenProcess,
    kTerminateProcess,
    kCreateToolhelp32Snapshot,
    kProcess32FirstW,
    kProcess32NextW,
    kGetWindowThreadProcessId, // the owner of an instance window (launch sequence)
    kDeclaredFunctionCount
};
inline constexpr const char* kDeclaredLibraries[kDeclaredFunctionCount] = {
    "", "", "", "kernel32", "user32", "", "", "", "", "", "user32"};
inline constexpr const char* kDeclaredExports[kDeclaredFunctionCount] = {
    "CreateWaitableTimerW",
    "SetWaitableTimer",
    "MsgWaitForMultipleObjects",
    "CloseHandle",
    "FindWindowExW",
    "OpenProcess",
    "TerminateProcess",
    "CreateToolhelp32Snapshot",
    "Process32FirstW",
    "Process32NextW",
    "GetWindowThreadProcessId"};

// ---- delay ------------------------------------------------------------------------

// Asked after every wake-up of a delay: true ends the delay early. The launch
// sequence installs one while it runs so that closing the window ends its
// waits. Null (the default) never abandons.
using AbandonCheck = bool (*)();
// Installs `check` and returns the previous one.
AbandonCheck set_abandon_check(AbandonCheck check);

// Waits `milliseconds` (omitted: 0, so it ends at the first wake-up) while
// retrieving and dispatching the thread's window messages, WM_QUIT excepted,
// which stays queued. Built on a waitable timer and MsgWaitForMultipleObjects
// (wake mask 0xFF); when the timer cannot be had or the wait fails, it still
// ends after its length through a message-pumping wait with a time-out. A
// negative length is already over. Returns true; false only when the abandon
// check ended it early (including when the check is already true at the call,
// in which case nothing waits).
bool delay(int32_t milliseconds = 0);

// ---- windows and processes ----------------------------------------------------------

// The first top-level window of class `class_name` titled exactly `title`
// (both GBK, converted to UTF-16): its handle, 0 when none matches or on
// failure.
uint32_t find_window(const char* class_name, const char* title);

// Id of the first process, in the system's listing order, whose image file
// name (without path) equals `image_name` as a whole, letter case ignored for
// ASCII letters. With `only_pid` not 0, only the process with that id is
// considered (is it still running under that name?). 0 when none matches or
// no snapshot can be taken. Null `image_name` is the empty text.
uint32_t find_process_id(const char* image_name, uint32_t only_pid = 0);

// Terminates process `pid` with exit code 0; true when the termination request
// succeeded. The process handle is closed afterwards. Pid 0 gives false.
bool terminate_process_id(uint32_t pid);

// Terminates the process that owns window `window` when its image name is
// `image_name` (letter case ignored); true when the termination request
// succeeded. When the owner cannot be told (the window is gone with its
// process, which has ended by itself) nothing is terminated: no other process
// of that name, which may be one the user started, is taken in its place.
bool terminate_window_owner(uint32_t window, const char* image_name);

} // namespace vantor::app
