// The start button's launch sequence and the import button's executable picker.
#pragma once

#include <cstdint>

namespace vantor::app {

// Upper bounds of the two window waits of the first pass, in milliseconds:
// for an instance's window to appear, and to go after its termination.
struct WaitLimits {
    uint32_t appear_ms;
    uint32_t disappear_ms;
};
inline constexpr WaitLimits kWaitLimits{120000, 30000};

// Click handler of 按钮_启动: prepares every clone (first pass) and starts them
// all again (second pass). A click while a sequence runs does nothing. It
// reaches the runtime only through the application's interface table.
void launch_sequence(const WaitLimits& limits = kWaitLimits);

// Click handler of 按钮_导入EXE: the open-file dialog, its file name into the
// path box.
void pick_executable();

} // namespace vantor::app
