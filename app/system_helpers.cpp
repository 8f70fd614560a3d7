#include "app/system_helpers.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <tlhelp32.h>

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <string>
// Clocks and durations come with <thread>: <chrono> itself does not compile
// with the GBK execution character set (its "µs" suffix has no GBK form).
#include <thread>

#include "app/commands.h"
#include "app/runtime_api.h"
#include "commands/convert.h"
#include "commands/text.h"
#include "runtime/win32/interface.h"
#include "runtime/win32/system_text.h"

namespace vantor::app {

namespace {

using api::declared;

constexpr uint32_t kWakeMask = 0xFF;            // QS_KEY .. QS_HOTKEY: every kind of input
constexpr uint32_t kInvalidHandle = 0xFFFFFFFF; // INVALID_HANDLE_VALUE as a word
using Clock = std::chrono::steady_clock;
using Millis = std::chrono::duration<double, std::milli>;
// When even the time-out wait fails, the fallback sleeps in slices this long
// so that it neither spins nor leaves messages waiting for long.
constexpr Millis kFallbackSlice{10.0};

// How a delay's wait ended (the launch sequence's window waits have their own).
enum class TimerWait { Due, Abandoned, Failed };

AbandonCheck g_abandon = nullptr;

bool abandoned() {
    return g_abandon && g_abandon();
}

void process_events() {
    api::call(cmd_process_events);
}

// A lower-case copy (ASCII letters only).
api::Text lower_case(const char* text) {
    return api::call_for_text(cmd_convert_case, {make_text(text), make_int(kLowerCase)});
}

// The rest of a delay when its timer cannot serve: waits on no handles with a
// time-out until `length_ms` have passed since `start`, pumping messages after
// every wake-up. Never ends as Failed.
TimerWait fallback_wait(Clock::time_point start, int32_t length_ms) {
    for (;;) {
        const double elapsed = Millis(Clock::now() - start).count();
        if (elapsed >= length_ms)
            return TimerWait::Due;
        const double rest = std::ceil(length_ms - elapsed);
        const auto timeout = uint32_t(rest);
        if (declared(kMsgWaitForMultipleObjects, {0, 0, 0, timeout, kWakeMask}) == WAIT_FAILED) {
            std::this_thread::sleep_for(std::min(kFallbackSlice, Millis(rest)));
        }
        process_events();
        if (abandoned())
            return TimerWait::Abandoned;
    }
}

// Waits on the armed `timer` (passed by the address of its variable, as the
// declared function takes it), pumping messages after every other wake-up.
TimerWait timer_wait(const uint32_t& timer) {
    for (;;) {
        const uint32_t r =
            declared(kMsgWaitForMultipleObjects, {1, word_of(&timer), 0, INFINITE, kWakeMask});
        if (r == WAIT_OBJECT_0)
            return TimerWait::Due;
        if (r == WAIT_FAILED)
            return TimerWait::Failed;
        process_events();
        if (abandoned())
            return TimerWait::Abandoned;
    }
}

} // namespace

AbandonCheck set_abandon_check(AbandonCheck check) {
    AbandonCheck previous = g_abandon;
    g_abandon = check;
    return previous;
}

bool delay(int32_t milliseconds) {
    if (abandoned())
        return false;
    const InterfaceTable& rt = app_interface();
    const Clock::time_point start = Clock::now();
    // 100-ns units, negative: relative. A negative length gives a positive due
    // time, an absolute one long past, so the timer is due at once.
    const int64_t due = int64_t(milliseconds) * -10000;

    auto* record = static_cast<uint32_t*>(rt.allocate(8));
    record[0] = uint32_t(uint64_t(due));
    record[1] = uint32_t(uint64_t(due) >> 32);
    const uint32_t timer = declared(kCreateWaitableTimerW, {0, 0, 0});
    const bool armed =
        timer != 0 && declared(kSetWaitableTimer, {timer, word_of(record), 0, 0, 0, 0}) != 0;

    TimerWait end = armed ? timer_wait(timer) : TimerWait::Failed;
    if (end == TimerWait::Failed) {
        // The same length as the timer would have waited.
        end = fallback_wait(start, std::max(milliseconds, 0));
    }
    if (timer)
        declared(kCloseHandle, {timer});
    rt.release(record);
    return end == TimerWait::Due;
}

uint32_t find_window(const char* class_name, const char* title) {
    const std::wstring wide_class = system_text::to_wide(class_name);
    const std::wstring wide_title = system_text::to_wide(title);
    return declared(kFindWindowExW,
                    {0, 0, word_of(wide_class.c_str()), word_of(wide_title.c_str())});
}

uint32_t find_process_id(const char* image_name, uint32_t only_pid) {
    const uint32_t snapshot = declared(kCreateToolhelp32Snapshot, {TH32CS_SNAPPROCESS, 0});
    if (snapshot == 0 || snapshot == kInvalidHandle)
        return 0;
    const api::Text wanted = lower_case(image_name);

    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    uint32_t found = 0;
    for (bool ok = declared(kProcess32FirstW, {snapshot, word_of(&entry)}) != 0; ok;
         ok = declared(kProcess32NextW, {snapshot, word_of(&entry)}) != 0) {
        if (only_pid != 0 && entry.th32ProcessID != only_pid)
            continue;
        // The name field is zero-terminated by the system; the bound guards
        // against a record filled to its last character. A name GBK cannot
        // hold whole is no wanted name.
        bool lossless = false;
        const std::string name = system_text::from_wide(
            std::wstring_view(entry.szExeFile, wcsnlen(entry.szExeFile, MAX_PATH)), &lossless);
        if (!lossless)
            continue;
        if (compare_texts(lower_case(name.c_str()).get(), wanted.get()) == 0) {
            found = entry.th32ProcessID;
            break;
        }
    }
    declared(kCloseHandle, {snapshot});
    return found;
}

bool terminate_process_id(uint32_t pid) {
    const uint32_t handle = declared(kOpenProcess, {PROCESS_TERMINATE, 0, pid});
    // TerminateProcess is not asked with a null handle: to the kernel below
    // it, null would mean the calling process itself.
    if (handle == 0)
        return false;
    const uint32_t r = declared(kTerminateProcess, {handle, 0});
    declared(kCloseHandle, {handle});
    return r == 1;
}

bool terminate_window_owner(uint32_t window, const char* image_name) {
    uint32_t owner = 0;
    declared(kGetWindowThreadProcessId, {window, word_of(&owner)});
    if (owner == 0 || find_process_id(image_name, owner) != owner)
        return false;
    return terminate_process_id(owner);
}

} // namespace vantor::app
