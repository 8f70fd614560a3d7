#include "app/win32/scripted_start.h"

#include <windows.h>

#include "app/command_line.h"
#include "app/launch_sequence.h"
#include "app/launcher.h"
#include "app/runtime_api.h"
#include "app/win32/main_window.h"
#include "app/win32/notices.h"
#include "runtime/win32/system_text.h"

namespace vantor::app {

namespace {

// The edit box each option fills, by OptionBox.
constexpr uint32_t kOptionBoxes[kOptionBoxCount] = {kCountBox, kWidthBox, kHeightBox, kDpiBox,
                                                    kPathBox};

constexpr uint32_t kMsPerSecond = 1000;

CommandLine g_pending; // what the posted action still has to do
int g_exit_code = kExitDone;

void close_window() {
    if (HWND window = main_window_handle())
        PostMessageW(window, WM_CLOSE, 0, 0);
}

// Runs once from the message loop, after the window has been shown and drawn
// (a timer message comes only when nothing else waits).
void CALLBACK run_pending(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    const CommandLine pending = g_pending;
    if (pending.error != OptionError::None) {
        notify(option_error_message(pending), NoticeIcon::Error);
        if (pending.exit) {
            g_exit_code = kExitBadCommandLine;
            close_window();
        }
        return;
    }
    // Sent, not posted: the click's handler (the launch sequence) has ended
    // when the send returns.
    if (pending.start) {
        if (HWND button = unit_handle(kStartButton))
            SendMessageW(button, BM_CLICK, 0, 0);
    }
    if (pending.exit) {
        g_exit_code = pending.start ? exit_code_of(last_sequence_report()) : kExitDone;
        close_window();
    }
}

void apply_values(const CommandLine& parsed) {
    for (int box = 0; box < kOptionBoxCount; ++box) {
        if (const auto& value = parsed.values[box]) {
            api::write_text(kOptionBoxes[box], kPropContent, value->c_str());
        }
    }
    WaitLimits limits = wait_limits();
    if (parsed.appear_limit_s)
        limits.appear_ms = *parsed.appear_limit_s * kMsPerSecond;
    if (parsed.close_limit_s)
        limits.disappear_ms = *parsed.close_limit_s * kMsPerSecond;
    set_wait_limits(limits);
}

} // namespace

void prepare_scripted_reports() {
    const wchar_t* p = GetCommandLineW();
    constexpr wchar_t kExit[] = L"/exit";
    while (p && *p) {
        while (*p == L' ' || *p == L'\t')
            ++p;
        const wchar_t* word = p;
        while (*p && *p != L' ' && *p != L'\t')
            ++p;
        if (p - word == 5 && _wcsnicmp(word, kExit, 5) == 0) {
            set_console_notices(true);
            return;
        }
    }
}

void apply_command_line() {
    const std::string line = system_text::from_wide(GetCommandLineW());
    const CommandLine parsed = parse_command_line(line.c_str());
    if (parsed.empty())
        return;
    set_console_notices(parsed.exit);
    if (parsed.error == OptionError::None)
        apply_values(parsed);
    if (parsed.error != OptionError::None || parsed.start || parsed.exit) {
        g_pending = parsed;
        SetTimer(nullptr, 0, 0, run_pending);
    }
}

int scripted_exit_code() {
    return g_exit_code;
}

} // namespace vantor::app
