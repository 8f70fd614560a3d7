#include "app/scripted_start.h"

#include <windows.h>

#include "app/command_line.h"
#include "app/launcher.h"
#include "commands/library.h"
#include "forms/engine.h"
#include "forms/unit_type.h"
#include "runtime/interface.h"

namespace vantor::app {

namespace {

// The edit box each option fills, by OptionBox.
constexpr uint32_t kOptionBoxes[kOptionBoxCount] = {kCountBox, kWidthBox, kHeightBox, kDpiBox,
                                                    kPathBox};

constexpr uint32_t kWindowItself = 0; // unit id of the window's own unit for the engine

CommandLine g_pending; // what the posted action still has to do

HWND unit_handle(uint32_t unit) {
    UnitObject* object = forms::find_unit_object(kMainWindow, unit);
    return object && object->alive() ? object->handle() : nullptr;
}

void report_bad_option(const CommandLine& parsed) {
    const std::string text = option_error_message(parsed);
    const TypedValue args[4] = {make_text(text.c_str()), make_int(MB_ICONERROR),
                                make_text("Vantor"),
                                make_unit_ref(kMainWindow, kMainWindowUnit, forms::kind::Window)};
    app_interface().call_command(cmd_message_box, 4, args);
}

// Runs once from the message loop, after the window has been shown and drawn
// (a timer message comes only when nothing else waits).
void CALLBACK run_pending(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    const CommandLine pending = g_pending;
    if (pending.error != OptionError::None) {
        report_bad_option(pending);
        return;
    }
    // Sent, not posted: the click's handler (the launch sequence) has ended
    // when the send returns.
    if (pending.start) {
        if (HWND button = unit_handle(kStartButton))
            SendMessageW(button, BM_CLICK, 0, 0);
    }
    if (pending.exit) {
        if (HWND window = unit_handle(kWindowItself))
            PostMessageW(window, WM_CLOSE, 0, 0);
    }
}

} // namespace

void apply_command_line() {
    const CommandLine parsed = parse_command_line(GetCommandLineA());
    if (parsed.empty())
        return;
    if (parsed.error == OptionError::None) {
        for (int box = 0; box < kOptionBoxCount; ++box) {
            if (const auto& value = parsed.values[box]) {
                app_interface().write_property(kMainWindow, kOptionBoxes[box], kPropContent, -1,
                                               uint32_t(uintptr_t(value->c_str())), 0);
            }
        }
    }
    if (parsed.error != OptionError::None || parsed.start || parsed.exit) {
        g_pending = parsed;
        SetTimer(nullptr, 0, 0, run_pending);
    }
}

} // namespace vantor::app
