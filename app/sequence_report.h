// How a launch sequence ended, what it tells the user, and the program's exit
// code after a scripted run (portable: no platform headers; texts are GBK).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::app {

// The launch sequence's times, in milliseconds: the upper bounds of the two
// window waits of the first pass (for an instance's window to appear, and to
// go after its termination), how often those waits look, the pause after each
// prepared instance and the spacing of the second pass's starts.
struct WaitLimits {
    uint32_t appear_ms;
    uint32_t disappear_ms;
    uint32_t poll_ms = 200;
    uint32_t pause_ms = 500;
    uint32_t spacing_ms = 800;
};
inline constexpr WaitLimits kWaitLimits{120000, 30000};

// Exit codes of a run with /exit. When several apply, the first in this order
// counts: bad command line, emulator not started, window closed early, a
// window that never appeared, a window that never closed, an instance that
// was already running.
enum ExitCode : int {
    kExitDone = 0,           // every instance prepared and started (or nothing asked)
    kExitBadCommandLine = 2, // an unknown option, a missing or bad value, an open quote
    kExitLaunchFailed = 3,   // the emulator could not be started; the sequence stopped
    kExitNeverAppeared = 4,  // an instance's window did not appear within its limit
    kExitNeverClosed = 5,    // an instance's window did not go within its limit
    kExitClosedEarly = 6,    // Vantor's window was closed before the sequence ended
    kExitAlreadyRunning = 7, // an instance was already running: left as it was, not restarted
};

enum class SequenceEnd { Finished, LaunchFailed, Closed };

struct SequenceReport {
    SequenceEnd end = SequenceEnd::Finished;
    std::vector<int32_t> never_appeared; // instance numbers, in order
    std::vector<int32_t> never_closed;
    std::vector<int32_t> already_running; // found running before the first pass: left alone
};

int exit_code_of(const SequenceReport& report);

// The warning about instances whose window never appeared or never closed,
// and those that were already running, one line per kind, with the limits in
// seconds; empty when there were none.
// At most kListedInstances numbers are listed per kind, then the total.
inline constexpr size_t kListedInstances = 20;
std::string overdue_message(const SequenceReport& report, const WaitLimits& limits);

// What a launch failure says: the fixed first line, then the command line.
std::string launch_failure_message(std::string_view command_line);

// The same text on one line: every run of CR and LF becomes one blank.
std::string one_line(std::string_view text);

// `text` when `fits` accepts it; otherwise the longest text made of its start,
// "…" and its end (the start as long as the end, or one character longer)
// that `fits` accepts, never splitting a two-byte GBK character; "…" alone
// when nothing longer fits.
std::string shorten_to_fit(std::string_view text,
                           const std::function<bool(std::string_view)>& fits);

} // namespace vantor::app
