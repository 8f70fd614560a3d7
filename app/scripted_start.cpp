#include "app/scripted_start.h"

#include <windows.h>

#include "app/command_line.h"
#include "app/launch_sequence.h"
#include "app/launcher.h"
#include "app/notices.h"
#include "commands/library.h"
#include "forms/win32/engine.h"
#include "forms/win32/unit_type.h"
#include "runtime/win32/interface.h"
#include "runtime/win32/system_text.h"

namespace vantor::app {

namespace {

// The edit box each option fills, by OptionBox.
constexpr uint32_t kOptionBoxes[kOptionBoxCount] = {kCountBox, kWidthBox, kHeightBox, kDpiBox,
                                                    kPathBox};

constexpr uint32_t kWindowItself = 0; // unit id of the window's own unit for the engine
constexpr uint32_t kMsPerSecond = 1000;

CommandLine g_pending; // what the posted action still has to do
int g_exit_code = kExitDone;

HWND unit_handle(uint32_t unit) {
    UnitObject* object = forms::find_unit_object(kMainWindow, unit);
    return object && object->alive() ? object->handle() : nullptr;
}

void close_window() {
    if (HWND window = unit_handle(kWindowItself))
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
            app_interface().write_property(kMainWindow, kOptionBoxes[box], kPropContent, -1,
                                           uint32_t(uintptr_t(value->c_str())), 0);
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
