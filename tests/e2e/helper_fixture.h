// What the tests of the launch command and the launcher's system helper
// routines share: the helpers' declared functions go through a loader that
// hands out spying wrappers for some of them, so the tests can see the calls
// (handles closed, wait shapes, processes terminated) and make them fail; a
// fixture with the runtime pieces the helpers reach.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "runtime/dll_binding.h"
#include "runtime/win32/dll_call_win32.h"

namespace vantor::testing {

constexpr DWORD kWaitMs = 10000;
inline constexpr char kClass[] = "Qt5QWindowIcon";

inline std::string quoted(const std::string& path) {
    return "\"" + path + "\"";
}

// ---- spying declared functions ----------------------------------------------------

struct Spy {
    bool fail_timer = false;    // CreateWaitableTimerW gives null
    bool fail_wait = false;     // MsgWaitForMultipleObjects gives WAIT_FAILED
    bool fail_snapshot = false; // CreateToolhelp32Snapshot gives INVALID_HANDLE_VALUE
    bool no_owner = false;      // GetWindowThreadProcessId finds no owner, as for a gone window
    std::vector<HANDLE> timers;
    std::vector<LONGLONG> due_times;
    struct Wait {
        DWORD count, timeout, mask;
    };
    std::vector<Wait> waits;
    std::vector<HANDLE> closed;
    std::vector<HANDLE> opened;          // OpenProcess results
    std::map<HANDLE, DWORD> opened_pids; // the process each was opened for
    std::vector<DWORD> terminated;       // the processes TerminateProcess was asked to end
};
extern Spy g_spy;

// The Win32 loader, except that an export it finds under one of the spied
// names is replaced by the wrapper (so the library search is unchanged).
class SpyLoader final : public DllLoader {
  public:
    void* load(const char* path) override { return win32_dll_loader().load(path); }
    void* get_proc(void* module, const char* name) override;
    void* get_proc_ordinal(void* module, uint16_t ordinal) override {
        return win32_dll_loader().get_proc_ordinal(module, ordinal);
    }
    void release(void* module) override { win32_dll_loader().release(module); }
};

// Whether `h` is still an open handle of this process. Asked right after the
// routine under test returned, so no other handle can have taken its value.
inline bool still_open(HANDLE h) {
    DWORD flags = 0;
    return GetHandleInformation(h, &flags) != FALSE;
}

// Removes every message waiting in this thread's queue.
void drain_queue();

// ---- the runtime as the helpers meet it -------------------------------------------------------

// The runtime pieces the helpers reach: the libraries' request entry
// (pending messages) and the declared-function tables
// with the launcher's ten declarations.
class HelperTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    SpyLoader loader_;
    DllTables tables_{};
    std::string directory_;
};

} // namespace vantor::testing
