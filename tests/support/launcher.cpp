#include "tests/support/launcher.h"

#include <cstdio>

namespace vantor::testing {

namespace {

constexpr DWORD kWatchPollMs = 5;

const char* box_name(int id) {
    switch (id) {
    case kCountBox:
        return "count box";
    case kWidthBox:
        return "width box";
    case kHeightBox:
        return "height box";
    case kDpiBox:
        return "DPI box";
    case kPathBox:
        return "path box";
    default:
        return "box";
    }
}

} // namespace

LaunchSettings example_settings(const std::string& count) {
    return {count, "720", "1280", "320", standin_exe()};
}

std::string first_pass_line(const std::string& program, int i, const LaunchSettings& s) {
    return program + " -clone:Nox_" + std::to_string(i) + " -resolution:" + s.width + "x" +
           s.height + " -dpi:" + s.dpi + " -performance:low -root:false -cpu:1 -memory:1024";
}

std::string second_pass_line(const std::string& program, int i) {
    return program + " -clone:Nox_" + std::to_string(i);
}

std::vector<std::string> command_lines(const std::vector<LogEntry>& starts) {
    std::vector<std::string> lines;
    for (const LogEntry& e : starts)
        lines.push_back(e.rest("cmd"));
    return lines;
}

std::string listing(const std::vector<std::string>& lines) {
    if (lines.empty())
        return "  (none)\n";
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i)
        out += "  " + std::to_string(i + 1) + ": " + lines[i] + "\n";
    return out;
}

// ---- Launcher -----------------------------------------------------------------------

Launcher::Launcher(const std::string& exe) {
    if (program_.start("\"" + exe + "\""))
        window_ = wait_top_window(program_.pid(), nullptr, "Vantor", kOpenMs);
}

std::string Launcher::enter(int id, const std::string& text) {
    retype_text(control(id), text);
    return content(id);
}

std::string Launcher::wait_content(int id, const std::string& expected, DWORD ms) const {
    return wait_window_text(control(id), expected, ms);
}

::testing::AssertionResult Launcher::fill(const LaunchSettings& s) {
    const std::pair<int, const std::string*> boxes[] = {{kCountBox, &s.count},
                                                        {kWidthBox, &s.width},
                                                        {kHeightBox, &s.height},
                                                        {kDpiBox, &s.dpi},
                                                        {kPathBox, &s.path}};
    for (const auto& [id, text] : boxes) {
        const std::string shown = enter(id, *text);
        if (shown != *text) {
            return ::testing::AssertionFailure()
                   << box_name(id) << ": typed \"" << *text << "\", it shows \"" << shown << "\"";
        }
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult Launcher::start(const LaunchSettings& s) {
    if (!ready())
        return ::testing::AssertionFailure() << "no window titled Vantor";
    if (auto filled = fill(s); !filled)
        return filled;
    press_start();
    return ::testing::AssertionSuccess();
}

bool wait_sequence_over(HWND vantor, DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (!IsWindow(vantor) || (IsWindowEnabled(control_by_id(vantor, kStartButton)) &&
                                  window_text(vantor) == "Vantor"))
            return true;
        if (GetTickCount() - start >= ms)
            return false;
        Sleep(kWatchPollMs);
    }
}

// ---- InstanceWatcher ----------------------------------------------------------------

InstanceWatcher::InstanceWatcher(const StandinLog& log)
    : log_(log), stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)), thread_([this] { run(); }) {}

InstanceWatcher::~InstanceWatcher() {
    SetEvent(stop_);
    thread_.join();
    for (HANDLE h : handles_) {
        if (h)
            CloseHandle(h);
    }
    CloseHandle(stop_);
}

std::vector<Instance> InstanceWatcher::instances() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Instance> copy = instances_;
    // An exit line may be logged a moment after the process was seen to end.
    const std::vector<LogEntry> exits = entries_of(log_.entries(), "exit");
    for (Instance& instance : copy) {
        for (const LogEntry& e : exits) {
            if (e.pid == instance.start.pid && e.ms >= instance.start.ms)
                instance.logged_exit = true;
        }
    }
    return copy;
}

void InstanceWatcher::poll_log() {
    const std::vector<LogEntry> starts = entries_of(log_.entries(), "start");
    std::lock_guard<std::mutex> lock(mutex_);
    for (size_t i = instances_.size(); i < starts.size(); ++i) {
        Instance instance;
        instance.start = starts[i];
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, starts[i].pid);
        instance.watched = process != nullptr;
        instances_.push_back(instance);
        handles_.push_back(process);
    }
}

void InstanceWatcher::run() {
    for (;;) {
        poll_log();
        // Waits on the stop event and every process still running; an end is
        // noted as soon as it is signalled.
        std::vector<HANDLE> waiting{stop_};
        std::vector<size_t> index{0};
        {
            std::lock_guard<std::mutex> lock(mutex_);
            for (size_t i = 0; i < handles_.size() && waiting.size() < MAXIMUM_WAIT_OBJECTS; ++i) {
                if (handles_[i]) {
                    waiting.push_back(handles_[i]);
                    index.push_back(i);
                }
            }
        }
        const DWORD r =
            WaitForMultipleObjects(DWORD(waiting.size()), waiting.data(), FALSE, kWatchPollMs);
        if (r == WAIT_OBJECT_0)
            return;
        if (r > WAIT_OBJECT_0 && r < WAIT_OBJECT_0 + waiting.size()) {
            const double at = now_ms();
            std::lock_guard<std::mutex> lock(mutex_);
            const size_t i = index[r - WAIT_OBJECT_0];
            instances_[i].ended = true;
            instances_[i].end_ms = at;
            GetExitCodeProcess(handles_[i], &instances_[i].exit_code);
            CloseHandle(handles_[i]);
            handles_[i] = nullptr;
        }
    }
}

// ---- log and dialogs ------------------------------------------------------------------

std::vector<LogEntry> starts_after(const StandinLog& log, HWND vantor, size_t count, DWORD ms) {
    log.wait_for("start", count, ms);
    if (wait_sequence_over(vantor, ms) && IsWindow(vantor))
        round_trip(control_by_id(vantor, kCountBox));
    return log.settled_starts();
}

std::string describe_dialog(HWND dialog) {
    if (!dialog)
        return "(none)";
    return "caption \"" + window_text(dialog) + "\", text \"" + message_box_text(dialog) + "\"";
}

} // namespace vantor::testing
