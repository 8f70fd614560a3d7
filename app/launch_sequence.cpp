#include "app/launch_sequence.h"

#include <algorithm>
#include <cstring>
// The steady clock comes with <thread>: <chrono> itself does not compile with
// the GBK execution character set.
#include <thread>

#include "app/commands.h"
#include "app/launcher.h"
#include "app/runtime_api.h"
#include "app/system_helpers.h"
#include "commands/convert.h"
#include "commands/text.h"
#include "forms/win32/unit_type.h"

namespace vantor::app {

namespace {

using api::Text;

// The emulator as the sequence meets it: its clones are named by number, an
// instance's window by its class and its title (the title prefix and the
// number), and its process by its image name.
namespace emulator {
constexpr const char* kImage = "Nox.exe";
constexpr const char* kWindowClass = "Qt5QWindowIcon";
constexpr const char* kWindowTitle = "夜神模拟器"; // followed by the instance number
constexpr const char* kClone = " -clone:Nox_";     // followed by the instance number
// The first pass's options after the display's.
constexpr const char* kFirstPassOptions = " -performance:low -root:false -cpu:1 -memory:1024";
} // namespace emulator

int32_t read_count() {
    const Text content = api::read_text(kCountBox, kPropContent);
    return api::text_to_int(content.get());
}

// The program is ending (its window was closed): every wait gives up. Asked
// at the start of every delay and after each of its wake-ups. Messages queued
// while the sequence was busy (a launch holds the thread for up to 1 s) are
// dispatched first: the look for WM_QUIT marks them as seen, and the delay's
// MsgWaitForMultipleObjects then wakes only for newer ones, so they (a close
// request among them) would wait until some other message came.
bool window_closing() {
    api::call(cmd_process_events);
    return as_int(api::call(cmd_quit_pending)) != 0;
}

// A path that can name a program: not empty, and without a wildcard. No
// Windows file name holds '?' or '*', and a '?' is what reading the box gives
// for a character no text can hold (a lone surrogate). Started anyway, the
// system could take the part before a blank for the program and run another.
bool is_launchable(const char* path) {
    return *path && !std::strpbrk(path, "*?");
}

// The path as it starts a command line. An existing file whose path holds a
// blank is put in double quotes: unquoted, the system would try the part before
// the blank as the program first (C:\Program.exe for C:\Program Files\...).
Text command_path(const char* path) {
    if (path[0] != '"' && std::strchr(path, ' ') && api::names_file(path))
        return api::join({"\"", path, "\""});
    return api::join({path});
}

// The command line of instance i: the first pass's with the display and
// performance options, the second pass's plain.
Text command_line(const char* path, int32_t i, bool first_pass) {
    const Text number = api::number_text(i);
    const Text program = command_path(path);
    if (!first_pass)
        return api::join({program.get(), emulator::kClone, number.get()});
    const Text width = api::read_text(kWidthBox, kPropContent);
    const Text height = api::read_text(kHeightBox, kPropContent);
    const Text dpi = api::read_text(kDpiBox, kPropContent);
    return api::join({program.get(), emulator::kClone, number.get(), " -resolution:", width.get(),
                      "x", height.get(), " -dpi:", dpi.get(), emulator::kFirstPassOptions});
}

// Starts `command_line`, whose program is `path`; a path that is not
// launchable is a failed launch.
bool launch(const char* path, const char* command_line) {
    if (!is_launchable(path))
        return false;
    return as_int(api::call(cmd_launch, {make_text(command_line), make_bool(false), kOmitted})) !=
           0;
}

// Instance i's window, or 0.
uint32_t instance_window(int32_t i) {
    const Text number = api::number_text(i);
    const Text title = api::join({emulator::kWindowTitle, number.get()});
    return find_window(emulator::kWindowClass, title.get());
}

enum class WindowWait { Met, TimedOut, Abandoned };

// Repeats: delay a poll interval, look for instance i's window; until it has
// appeared (`appear`) or is gone, the limit has passed or the window is being
// closed.
WindowWait wait_for_instance_window(int32_t i, bool appear, uint32_t limit_ms, uint32_t poll_ms,
                                    uint32_t& window) {
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        if (!delay(int32_t(poll_ms)))
            return WindowWait::Abandoned;
        window = instance_window(i);
        if (appear ? window != 0 : int32_t(window) <= 0)
            return WindowWait::Met;
        auto elapsed = std::chrono::steady_clock::now() - start;
        if (elapsed >= std::chrono::milliseconds(limit_ms))
            return WindowWait::TimedOut;
    }
}

ProgressHook g_progress = nullptr;
NoticeHooks g_notices;

// What the window shows while a sequence runs: 启动 disabled and the step in
// the title. The title and 启动's state from before are put back at the end.
class SequenceView {
  public:
    SequenceView()
        : caption_(api::read_text(kMainWindowUnit, kPropCaption)),
          disabled_(api::read_word(kStartButton, kPropDisabled)) {
        api::write_word(kStartButton, kPropDisabled, 1);
    }
    SequenceView(const SequenceView&) = delete;
    SequenceView& operator=(const SequenceView&) = delete;

    // "Vantor - <step> i/n", and `done` of `total` steps to the progress hook.
    void show(const char* step, int32_t i, int32_t n, uint32_t done, uint32_t total) {
        const Text number = api::number_text(i);
        const Text count = api::number_text(n);
        const Text title =
            api::join({caption_.get(), " - ", step, " ", number.get(), "/", count.get()});
        api::write_text(kMainWindowUnit, kPropCaption, title.get());
        if (g_progress)
            g_progress(done, total);
    }
    // Puts back what the window showed before; nothing when it is being
    // closed (its stored description is restored with it).
    void restore(bool closing) {
        if (g_progress)
            g_progress(0, 0);
        if (closing)
            return;
        api::write_text(kMainWindowUnit, kPropCaption, caption_.get());
        api::write_word(kStartButton, kPropDisabled, disabled_);
    }

  private:
    Text caption_;
    uint32_t disabled_;
};

// One run of the sequence: its view, its report and where it stands.
struct Run {
    const WaitLimits& limits;
    SequenceView view;
    SequenceReport report;
    uint32_t first_count = 0; // instances the first pass starts

    bool already_running(int32_t i) const {
        const auto& running = report.already_running;
        return std::find(running.begin(), running.end(), i) != running.end();
    }
};

// One first-pass instance; false ends the sequence (the report says why).
bool prepare_instance(int32_t i, Run& run) {
    const Text path = api::read_text(kPathBox, kPropContent);
    const Text line = command_line(path.get(), i, true);
    if (!launch(path.get(), line.get())) {
        run.report.end = SequenceEnd::LaunchFailed;
        if (g_notices.launch_failed)
            g_notices.launch_failed(line.get());
        return false;
    }
    uint32_t window = 0;
    const WindowWait appeared =
        wait_for_instance_window(i, true, run.limits.appear_ms, run.limits.poll_ms, window);
    WindowWait gone = WindowWait::Met;
    if (appeared == WindowWait::TimedOut)
        run.report.never_appeared.push_back(i);
    if (appeared == WindowWait::Met) {
        // An instance that ended before its owner was looked up leaves nothing
        // to terminate; the disappearance wait then ends at its first look.
        terminate_window_owner(window, emulator::kImage);
        gone =
            wait_for_instance_window(i, false, run.limits.disappear_ms, run.limits.poll_ms, window);
        if (gone == WindowWait::TimedOut)
            run.report.never_closed.push_back(i);
    }
    if (appeared == WindowWait::Abandoned || gone == WindowWait::Abandoned ||
        !delay(int32_t(run.limits.pause_ms))) {
        run.report.end = SequenceEnd::Closed;
        return false;
    }
    return true;
}

// An instance whose window shows before the first pass is running already
// (left open by an earlier run): started again, its window would be found at
// once, the new process ended and the old window, which nothing ends, waited
// for. It is left as it is, in both passes, and reported at the end.
bool first_pass(Run& run) {
    const int32_t count = read_count();
    for (int32_t i = 1; i <= count; ++i) {
        if (instance_window(i) != 0)
            run.report.already_running.push_back(i);
    }
    run.first_count = uint32_t(std::max(count, 0)) - uint32_t(run.report.already_running.size());
    uint32_t started = 0;
    for (int32_t i = 1; i <= count; ++i) {
        if (run.already_running(i))
            continue;
        ++started;
        run.view.show("准备", int32_t(started), int32_t(run.first_count), started - 1,
                      2 * run.first_count);
        if (!prepare_instance(i, run))
            return false;
    }
    return true;
}

void second_pass(Run& run) {
    const int32_t count = read_count();
    uint32_t starts = 0;
    for (int32_t i = 1; i <= count; ++i)
        starts += run.already_running(i) ? 0 : 1;
    const uint32_t total = run.first_count + starts;
    uint32_t started = 0;
    for (int32_t i = 1; i <= count; ++i) {
        if (run.already_running(i))
            continue;
        ++started;
        run.view.show("启动", int32_t(started), int32_t(starts), run.first_count + started - 1,
                      total);
        const Text path = api::read_text(kPathBox, kPropContent);
        const Text line = command_line(path.get(), i, false);
        launch(path.get(), line.get());
        if (!delay(int32_t(run.limits.spacing_ms))) {
            run.report.end = SequenceEnd::Closed;
            return;
        }
    }
}

// At the end: the instances whose windows were overdue, and for a script
// that the window was closed early.
void tell_outcome(const Run& run) {
    if (!g_notices.warning)
        return;
    if (run.report.end == SequenceEnd::Closed) {
        if (g_notices.for_script && g_notices.for_script())
            g_notices.warning("Vantor 的窗口在启动序列结束前被关闭。");
        return;
    }
    const std::string overdue = overdue_message(run.report, run.limits);
    if (!overdue.empty())
        g_notices.warning(overdue);
}

bool g_running = false;
WaitLimits g_limits = kWaitLimits;
SequenceReport g_last_report;

} // namespace

void set_wait_limits(const WaitLimits& limits) {
    g_limits = limits;
}

const WaitLimits& wait_limits() {
    return g_limits;
}

void set_progress_hook(ProgressHook hook) {
    g_progress = hook;
}

void set_notice_hooks(const NoticeHooks& hooks) {
    g_notices = hooks;
}

const SequenceReport& last_sequence_report() {
    return g_last_report;
}

SequenceReport launch_sequence(const WaitLimits& limits) {
    // A second sequence inside the first one's waits would terminate the
    // instances the first one is preparing.
    if (g_running)
        return g_last_report;
    g_running = true;
    AbandonCheck previous = set_abandon_check(window_closing);
    Run run{limits, {}, {}, 0};
    if (first_pass(run))
        second_pass(run);
    run.view.restore(run.report.end == SequenceEnd::Closed);
    set_abandon_check(previous);
    tell_outcome(run);
    g_last_report = run.report;
    g_running = false;
    return run.report;
}

void pick_executable() {
    const TypedValue dialog = make_unit_ref(kMainWindow, kFileDialog, forms::kind::CommonDlg);
    if (as_int(api::call(controls::cmd_common_dlg_open, {dialog})) == 0)
        return; // cancelled or failed: the path box keeps what it shows
    const Text file_name = api::read_text(kFileDialog, kPropFileName);
    api::write_text(kPathBox, kPropContent, file_name.get());
}

} // namespace vantor::app
