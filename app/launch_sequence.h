// The start button's launch sequence and the import button's executable picker.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "app/sequence_report.h"

namespace vantor::app {

// The limits the start button's sequence uses (kWaitLimits until set).
void set_wait_limits(const WaitLimits& limits);
const WaitLimits& wait_limits();

// Told where a sequence stands, for what the system shows beside the window
// (the taskbar): `done` of `total` steps (each instance once per pass); a
// total of 0 when it has ended. Null (the default): nothing is told.
using ProgressHook = void (*)(uint32_t done, uint32_t total);
void set_progress_hook(ProgressHook hook);

// How the sequence tells its outcome; the application's edge gives them
// (app/win32/notices.h: a box for a person, a console line for a script).
// Unset (the default), nothing is told.
struct NoticeHooks {
    void (*warning)(const std::string& text) = nullptr;
    void (*launch_failed)(std::string_view command_line) = nullptr;
    // A script runs the sequence: a window closed before its end is told too.
    bool (*for_script)() = nullptr;
};
void set_notice_hooks(const NoticeHooks& hooks);

// Click handler of 按钮_启动: prepares every clone (first pass) and starts them
// all again (second pass). While it runs 启动 is disabled and the window's
// title names the pass and the instance ("Vantor - 准备 2/5", "Vantor - 启动
// 2/5"); both come back as they were when it ends, unless the window was
// closed. Instances whose window never appeared or never closed are told in
// one warning at the end. A click while a sequence runs does nothing (the
// report of the sequence that runs is kept). It reaches the runtime only
// through the application's interface table and its hooks.
SequenceReport launch_sequence(const WaitLimits& limits = kWaitLimits);

// How the last sequence that ran ended (Finished with nothing overdue when
// none ran).
const SequenceReport& last_sequence_report();

// Click handler of 按钮_导入EXE: the open-file dialog; a confirmed choice goes
// into the path box, a cancelled or failed dialog leaves the box as it is.
void pick_executable();

} // namespace vantor::app
