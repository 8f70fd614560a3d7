// What the launcher's end-to-end tests share: Vantor started and its window
// operated as a user would (boxes filled in, buttons pressed), the command
// lines the launch sequence is expected to give, and a watcher that notes
// when each stand-in the sequence started has ended.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/driver.h"

namespace vantor::testing {

// Dialog ids of the live window's controls: the form engine numbers them 100,
// 110, ... from the last stored control up to the first.
enum LauncherControl : int {
    kCountLabel = 100,
    kCountBox = 110,    // 编辑框_多开数量
    kStartButton = 120, // 按钮_启动
    kResolutionLabel = 130,
    kWidthBox = 140, // 编辑框_宽
    kHeightLabel = 150,
    kHeightBox = 160, // 编辑框_高
    kDpiLabel = 170,
    kDpiBox = 180, // 编辑框_DPI
    kPathLabel = 190,
    kPathBox = 200,        // 编辑框_路径
    kFileDialogUnit = 210, // 通用对话框1, never shown
    kImportButton = 220,   // 按钮_导入EXE
};

// Each box with its label and the caption a screen reader names both by.
struct LabelledBox {
    int box, label;
    const char* caption;
};
inline constexpr LabelledBox kLabelledBoxes[] = {{kCountBox, kCountLabel, "启动模拟器数量"},
                                                 {kWidthBox, kResolutionLabel, "分辨率 宽 "},
                                                 {kHeightBox, kHeightLabel, "高"},
                                                 {kDpiBox, kDpiLabel, "DPI "},
                                                 {kPathBox, kPathLabel, "Nox.exe路径"}};

constexpr DWORD kOpenMs = 15000;     // a program's window to appear
constexpr DWORD kSequenceMs = 20000; // a launch sequence's starts to appear in the log

// What the user types into the five boxes.
struct LaunchSettings {
    std::string count;
    std::string width;
    std::string height;
    std::string dpi;
    std::string path;
};

// The example of the launch command: 720 x 1280 at DPI 320, the stand-in as
// the emulator.
LaunchSettings example_settings(const std::string& count);

// The command line of instance `i`: first pass with the display and
// performance options, second pass plain. `program` starts the line as the
// launcher writes it (quoted or not).
std::string first_pass_line(const std::string& program, int i, const LaunchSettings& s);
std::string second_pass_line(const std::string& program, int i);

// Command lines of the logged starts, in order.
std::vector<std::string> command_lines(const std::vector<LogEntry>& starts);
// One command line per line, numbered, for failure messages.
std::string listing(const std::vector<std::string>& lines);

// Polls up to `ms` until no sequence runs in the launcher whose window is
// `vantor`: 启动 is enabled and the title is "Vantor" (a running sequence
// disables it and shows its step there), or the launcher has ended.
bool wait_sequence_over(HWND vantor, DWORD ms);

// Vantor, started by the test, with its window. The destructor ends it if it
// still runs.
class Launcher {
  public:
    // Starts `exe` and waits for its window titled "Vantor".
    explicit Launcher(const std::string& exe = vantor_exe());

    bool ready() const { return window_ != nullptr; }
    HWND window() const { return window_; }
    HWND control(int id) const { return control_by_id(window_, id); }
    DWORD pid() const { return program_.pid(); }
    bool running() const { return program_.running(); }
    DWORD wait_exit(DWORD ms) const { return program_.wait_exit(ms); }

    // Replaces the content of box `id` by typing `text`; what the box shows
    // afterwards.
    std::string enter(int id, const std::string& text);
    std::string content(int id) const { return window_text(control(id)); }
    // Polls up to `ms` until box `id` shows `expected`; what it shows then.
    std::string wait_content(int id, const std::string& expected, DWORD ms = 5000) const;
    // Enters all five boxes; fails naming the box that does not show what was
    // typed.
    ::testing::AssertionResult fill(const LaunchSettings& s);

    void press_start() { click(control(kStartButton)); }
    // With the window shown, enters the five boxes and presses Start; fails
    // naming what was missing.
    ::testing::AssertionResult start(const LaunchSettings& s);
    void press_import() { click(control(kImportButton)); }
    // A visible dialog (message box, file dialog) of Vantor, or null.
    HWND wait_dialog(DWORD ms) const { return testing::wait_dialog(pid(), ms); }
    bool wait_sequence_over(DWORD ms) const { return testing::wait_sequence_over(window_, ms); }
    // round_trip through the count box: whatever the launcher had queued or
    // was running before has been handled (or waits in a message box).
    bool round_trip() const { return testing::round_trip(control(kCountBox)); }

  private:
    Program program_;
    HWND window_ = nullptr;
};

// How a program's end looks from the test: its exit code and when the test
// saw it go (now_ms clock), for each stand-in start in the log.
struct Instance {
    LogEntry start;
    bool watched = false; // the process could be opened while it ran
    bool ended = false;
    double end_ms = 0;
    DWORD exit_code = STILL_ACTIVE;
    bool logged_exit = false; // it ended by itself (a terminated stand-in logs nothing)
};

// Follows a stand-in log from a thread of its own: opens every process that
// logs a start and notes the moment it ends, within a few milliseconds.
class InstanceWatcher {
  public:
    explicit InstanceWatcher(const StandinLog& log);
    InstanceWatcher(const InstanceWatcher&) = delete;
    InstanceWatcher& operator=(const InstanceWatcher&) = delete;
    ~InstanceWatcher();

    // Every start logged so far, in order, with what became of it.
    std::vector<Instance> instances() const;

  private:
    void run();
    void poll_log();

    const StandinLog& log_;
    mutable std::mutex mutex_;
    std::vector<Instance> instances_;
    std::vector<HANDLE> handles_; // parallel to instances_; null once ended or not opened
    HANDLE stop_;
    std::thread thread_;
};

// The starts of the sequence of the launcher whose window is `vantor` once it
// is over: waits up to `ms` for
// `count` starts, then for the sequence's end (启动 enabled again and the
// title "Vantor" back, or the launcher gone) and its last steps (a round
// trip), then for every running stand-in to have logged its start. A start
// that should not come would come before.
std::vector<LogEntry> starts_after(const StandinLog& log, HWND vantor, size_t count, DWORD ms);

// A new temporary directory (trailing backslash) for the life of the object.
class TempDirectory {
  public:
    explicit TempDirectory(const char* prefix) : path_(make_temp_directory(prefix)) {}
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;
    ~TempDirectory() { remove_tree(path_); }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// Names the rows of a parameterised test by their `name` member.
template <class Case> std::string case_name(const ::testing::TestParamInfo<Case>& row) {
    return row.param.name;
}

// Message boxes and other dialogs: caption and text, for failure messages.
std::string describe_dialog(HWND dialog);

} // namespace vantor::testing
