#include "app/system_helpers.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <tlhelp32.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cwchar>
#include <initializer_list>
#include <string>
// Clocks and durations come with <thread>: <chrono> itself does not compile
// with the GBK execution character set (its "µs" suffix has no GBK form).
#include <thread>

#include "commands/convert.h"
#include "commands/library.h"
#include "commands/text.h"
#include "runtime/win32/interface.h"
#include "runtime/win32/system_text.h"

namespace vantor::app {

namespace {

// The system's values, as words for the declared functions.
constexpr uint32_t kWakeMask = 0xFF; // QS_KEY .. QS_HOTKEY: every kind of input
constexpr uint32_t kWaitFailed = WAIT_FAILED;
constexpr uint32_t kWaitDue = WAIT_OBJECT_0; // the one handle waited on
constexpr uint32_t kNoTimeout = INFINITE;
constexpr uint32_t kProcessTerminate = PROCESS_TERMINATE;
constexpr uint32_t kSnapProcess = TH32CS_SNAPPROCESS;
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

uint32_t declared(DeclaredFunction index, std::initializer_list<uint32_t> args) {
    return app_interface().call_declared(index, uint32_t(args.size()), std::data(args));
}

void process_events() {
    app_interface().call_command(cmd_process_events, 0, nullptr);
}

// New lower-case copy (ASCII letters only), owned by the caller; null when empty.
char* lower_case(const char* text) {
    const TypedValue args[2] = {make_text(text), make_int(kLowerCase)};
    return const_cast<char*>(as_text(app_interface().call_command(cmd_convert_case, 2, args)));
}

// The rest of a delay when its timer cannot serve: waits on no handles with a
// time-out until `length_ms` have passed since `start`, pumping messages after
// every wake-up. Never ends as Failed.
TimerWait fallback_wait(Clock::time_point start, double length_ms) {
    for (;;) {
        const double elapsed = Millis(Clock::now() - start).count();
        if (elapsed >= length_ms)
            return TimerWait::Due;
        const double rest = std::ceil(length_ms - elapsed);
        const uint32_t timeout = rest >= 0xFFFFFFFE ? 0xFFFFFFFEu : uint32_t(rest);
        if (declared(kMsgWaitForMultipleObjects, {0, 0, 0, timeout, kWakeMask}) == kWaitFailed) {
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
            declared(kMsgWaitForMultipleObjects, {1, word_of(&timer), 0, kNoTimeout, kWakeMask});
        if (r == kWaitDue)
            return TimerWait::Due;
        if (r == kWaitFailed)
            return TimerWait::Failed;
        process_events();
        if (abandoned())
            return TimerWait::Abandoned;
    }
}

} // namespace

int32_t delay_unit_factor(int32_t unit) {
    switch (unit) {
    case 0:
        return 1;
    case 1:
        return 1000;
    case 2:
        return 60000;
    case 3:
        return 3600000;
    default:
        return unit;
    }
}

int64_t delay_due_time(int32_t duration, int32_t unit) {
    const double due = double(duration) * double(delay_unit_factor(unit)) * -10000.0;
    // 2^63 is exact in double; anything at or beyond it has no int64 value.
    if (!(due > -9223372036854775808.0 && due < 9223372036854775808.0))
        return INT64_MIN;
    return int64_t(due);
}

AbandonCheck set_abandon_check(AbandonCheck check) {
    AbandonCheck previous = g_abandon;
    g_abandon = check;
    return previous;
}

bool delay(int32_t duration, int32_t unit) {
    if (abandoned())
        return false;
    const InterfaceTable& rt = app_interface();
    const Clock::time_point start = Clock::now();
    const int64_t due = delay_due_time(duration, unit);

    auto* record = static_cast<uint32_t*>(rt.allocate(8));
    record[0] = uint32_t(uint64_t(due));
    record[1] = uint32_t(uint64_t(due) >> 32);
    const uint32_t timer = declared(kCreateWaitableTimerW, {0, 0, 0});
    const bool armed =
        timer != 0 && declared(kSetWaitableTimer, {timer, word_of(record), 0, 0, 0, 0}) != 0;

    TimerWait end = armed ? timer_wait(timer) : TimerWait::Failed;
    if (end == TimerWait::Failed) {
        // The same length as the timer would have waited; a due time that is
        // not negative is already due.
        const double length_ms = due < 0 ? double(due) / -10000.0 : 0.0;
        end = fallback_wait(start, length_ms);
    }
    if (timer)
        declared(kCloseHandle, {timer});
    rt.release(record);
    return end == TimerWait::Due;
}

uint32_t find_window(uint32_t parent, uint32_t after, const char* class_name, const char* title) {
    const std::wstring wide_class = system_text::to_wide(class_name);
    const std::wstring wide_title = system_text::to_wide(title);
    return declared(kFindWindowExW, {parent, after, class_name ? word_of(wide_class.c_str()) : 0,
                                     title ? word_of(wide_title.c_str()) : 0});
}

uint32_t find_process_id(const char* image_name, bool exact_case, uint32_t only_pid) {
    const uint32_t snapshot = declared(kCreateToolhelp32Snapshot, {kSnapProcess, 0});
    if (snapshot == 0 || snapshot == kInvalidHandle)
        return 0;
    const InterfaceTable& rt = app_interface();
    char* wanted_lower = exact_case ? nullptr : lower_case(image_name);
    const char* wanted = exact_case ? image_name : wanted_lower;

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
        char* name_lower = exact_case ? nullptr : lower_case(name.c_str());
        const bool equal = compare_texts(exact_case ? name.c_str() : name_lower, wanted) == 0;
        rt.release(name_lower);
        if (equal) {
            found = entry.th32ProcessID;
            break;
        }
    }
    declared(kCloseHandle, {snapshot});
    rt.release(wanted_lower);
    return found;
}

bool terminate_process_id(uint32_t pid) {
    const uint32_t handle = declared(kOpenProcess, {kProcessTerminate, 0, pid});
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
    if (owner == 0 || find_process_id(image_name, false, owner) != owner)
        return false;
    return terminate_process_id(owner);
}

bool terminate_process(std::optional<const char*> image_name, bool exact_case) {
    const InterfaceTable& rt = app_interface();
    char* own_name = nullptr;
    if (!image_name) {
        own_name = const_cast<char*>(as_text(rt.call_command(cmd_program_file_name, 0, nullptr)));
    }
    const uint32_t pid = find_process_id(image_name ? *image_name : own_name, exact_case);
    rt.release(own_name);
    return terminate_process_id(pid);
}

} // namespace vantor::app
