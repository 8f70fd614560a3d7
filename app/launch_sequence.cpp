#include "app/launch_sequence.h"

#include <algorithm>
#include <cstring>
// The steady clock comes with <thread>: <chrono> itself does not compile with
// the GBK execution character set.
#include <thread>

#include "app/launcher.h"
#include "app/notices.h"
#include "app/system_helpers.h"
#include "commands/convert.h"
#include "commands/library.h"
#include "commands/text.h"
#include "forms/win32/unit_type.h"
#include "runtime/win32/interface.h"

namespace vantor::app {

namespace {

const InterfaceTable& rt() {
    return app_interface();
}

// A text the handler owns, released when it goes out of scope.
class OwnedText {
  public:
    explicit OwnedText(char* text = nullptr) : text_(text) {}
    OwnedText(const OwnedText&) = delete;
    OwnedText& operator=(const OwnedText&) = delete;
    ~OwnedText() { rt().release(text_); }
    const char* get() const { return text_; }

  private:
    char* text_;
};

char* text_result(const TypedValue& v) {
    return const_cast<char*>(as_text(v));
}

// The current content of an edit box of the window (a new text; null = empty).
char* read_content(uint32_t unit) {
    uint64_t value = rt().read_property(kMainWindow, unit, kPropContent, -1);
    return reinterpret_cast<char*>(uintptr_t(uint32_t(value)));
}

int32_t read_count() {
    OwnedText content(read_content(kCountBox));
    const TypedValue arg = make_text(content.get());
    return as_int(rt().call_command(cmd_to_int, 1, &arg));
}

char* number_text(int32_t i) {
    const TypedValue arg = make_int(i);
    return text_result(rt().call_command(cmd_to_text, 1, &arg));
}

char* join(std::initializer_list<const char*> pieces) {
    return join_texts(int32_t(pieces.size()), std::data(pieces));
}

// The program is ending (its window was closed): every wait gives up. Asked
// at the start of every delay and after each of its wake-ups. Messages queued
// while the sequence was busy (a launch holds the thread for up to 1 s) are
// dispatched first: the look for WM_QUIT marks them as seen, and the delay's
// MsgWaitForMultipleObjects then wakes only for newer ones, so they (a close
// request among them) would wait until some other message came.
bool window_closing() {
    rt().call_command(cmd_process_events, 0, nullptr);
    return as_int(rt().call_command(cmd_quit_pending, 0, nullptr)) != 0;
}

// True when `path` names one existing file (wildcards never do).
bool names_existing_file(const char* path) {
    if (!path || !*path || std::strpbrk(path, "*?"))
        return false;
    uint32_t search = 0;
    uint32_t name = rt().call_service(service::FindFile, uint32_t(uintptr_t(path)), 0, 1,
                                      uint32_t(uintptr_t(&search)));
    rt().release(reinterpret_cast<void*>(uintptr_t(name)));
    rt().call_service(service::EndFindFile, search, 0, 0, 0);
    return name != 0;
}

// The path as it starts a command line. An existing file whose path holds a
// blank is put in double quotes: unquoted, the system would try the part before
// the blank as the program first (C:\Program.exe for C:\Program Files\...).
char* command_path(const char* path) {
    if (path && path[0] != '"' && std::strchr(path, ' ') && names_existing_file(path)) {
        return join({"\"", path, "\""});
    }
    return join({path});
}

// Starts `command_line`, whose program is the path box's `path`. A path with a
// wildcard names no program: no Windows file name holds '?' or '*', and a '?'
// is what reading the box gives for a character GBK cannot hold (a Korean
// folder name). Started anyway, the system could take the part before a blank
// for the program and run another one; it is a failed launch instead.
bool launch(const char* path, const char* command_line) {
    if (path && std::strpbrk(path, "*?"))
        return false;
    const TypedValue args[3] = {make_text(command_line), make_bool(false), kOmitted};
    return as_int(rt().call_command(cmd_launch, 3, args)) != 0;
}

// Instance i's window, or 0.
uint32_t instance_window(int32_t i) {
    OwnedText number(number_text(i));
    OwnedText title(join({"夜神模拟器", number.get()}));
    return find_window(0, 0, "Qt5QWindowIcon", title.get());
}

enum class WaitEnd { Met, TimedOut, Abandoned };

// Repeats: delay a poll interval, look for instance i's window; until it has
// appeared (`appear`) or is gone, the limit has passed or the window is being
// closed.
WaitEnd wait_for_instance_window(int32_t i, bool appear, uint32_t limit_ms, uint32_t poll_ms,
                                 uint32_t& window) {
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        if (!delay(int32_t(poll_ms)))
            return WaitEnd::Abandoned;
        window = instance_window(i);
        if (appear ? window != 0 : int32_t(window) <= 0)
            return WaitEnd::Met;
        auto elapsed = std::chrono::steady_clock::now() - start;
        if (elapsed >= std::chrono::milliseconds(limit_ms))
            return WaitEnd::TimedOut;
    }
}

ProgressHook g_progress = nullptr;

// What the window shows while a sequence runs: 启动 disabled and the step in
// the title. The title and 启动's state from before are put back at the end.
class SequenceView {
  public:
    SequenceView()
        : caption_(text_of(rt().read_property(kMainWindow, kMainWindowUnit, kPropCaption, -1))),
          disabled_(uint32_t(rt().read_property(kMainWindow, kStartButton, kPropDisabled, -1))) {
        rt().write_property(kMainWindow, kStartButton, kPropDisabled, -1, 1, 0);
    }
    SequenceView(const SequenceView&) = delete;
    SequenceView& operator=(const SequenceView&) = delete;

    // "Vantor - <step> i/n", and `done` of `total` steps to the progress hook.
    void show(const char* step, int32_t i, int32_t n, uint32_t done, uint32_t total) {
        OwnedText number(number_text(i));
        OwnedText count(number_text(n));
        OwnedText title(join({caption_.get(), " - ", step, " ", number.get(), "/", count.get()}));
        write_caption(title.get());
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
        write_caption(caption_.get());
        rt().write_property(kMainWindow, kStartButton, kPropDisabled, -1, disabled_, 0);
    }

  private:
    static char* text_of(uint64_t value) {
        return reinterpret_cast<char*>(uintptr_t(uint32_t(value)));
    }
    static void write_caption(const char* text) {
        rt().write_property(kMainWindow, kMainWindowUnit, kPropCaption, -1, word_of(text), 0);
    }

    OwnedText caption_;
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


// The first-pass command line of instance i.
char* first_pass_command_line(int32_t i) {
    OwnedText number(number_text(i));
    OwnedText path(read_content(kPathBox));
    OwnedText width(read_content(kWidthBox));
    OwnedText height(read_content(kHeightBox));
    OwnedText dpi(read_content(kDpiBox));
    OwnedText program(command_path(path.get()));
    return join({program.get(), " -clone:Nox_", number.get(), " -resolution:", width.get(), "x",
                 height.get(), " -dpi:", dpi.get(),
                 " -performance:low -root:false -cpu:1 -memory:1024"});
}

// One first-pass instance; false ends the sequence (the report says why).
bool prepare_instance(int32_t i, Run& run) {
    OwnedText path(read_content(kPathBox));
    OwnedText command_line(first_pass_command_line(i));
    if (!launch(path.get(), command_line.get())) {
        run.report.end = SequenceEnd::LaunchFailed;
        notify_launch_failure(command_line.get());
        return false;
    }
    uint32_t window = 0;
    WaitEnd appeared =
        wait_for_instance_window(i, true, run.limits.appear_ms, run.limits.poll_ms, window);
    if (appeared == WaitEnd::TimedOut)
        run.report.never_appeared.push_back(i);
    if (appeared == WaitEnd::Met) {
        // An instance that ended before its owner was looked up leaves nothing
        // to terminate; the disappearance wait then ends at its first look.
        terminate_window_owner(window, "Nox.exe");
        appeared =
            wait_for_instance_window(i, false, run.limits.disappear_ms, run.limits.poll_ms, window);
        if (appeared == WaitEnd::TimedOut)
            run.report.never_closed.push_back(i);
    }
    if (appeared == WaitEnd::Abandoned || !delay(int32_t(run.limits.pause_ms))) {
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
        OwnedText number(number_text(i));
        OwnedText path(read_content(kPathBox));
        OwnedText program(command_path(path.get()));
        OwnedText command_line(join({program.get(), " -clone:Nox_", number.get()}));
        launch(path.get(), command_line.get());
        if (!delay(int32_t(run.limits.spacing_ms))) {
            run.report.end = SequenceEnd::Closed;
            return;
        }
    }
}

// At the end: the instances whose windows were overdue, and for a script
// that the window was closed early.
void tell_outcome(const Run& run) {
    if (run.report.end == SequenceEnd::Closed) {
        if (console_notices())
            notify("Vantor 的窗口在启动序列结束前被关闭。", NoticeIcon::Warning);
        return;
    }
    const std::string overdue = overdue_message(run.report, run.limits);
    if (!overdue.empty())
        notify(overdue, NoticeIcon::Warning);
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
    if (as_int(rt().call_command(controls::cmd_common_dlg_open, 1, &dialog)) == 0)
        return; // cancelled or failed: the path box keeps what it shows
    uint64_t value = rt().read_property(kMainWindow, kFileDialog, kPropFileName, -1);
    OwnedText file_name(reinterpret_cast<char*>(uintptr_t(uint32_t(value))));
    rt().write_property(kMainWindow, kPathBox, kPropContent, -1,
                        uint32_t(uintptr_t(file_name.get())), 0);
}

} // namespace vantor::app
