// What the system shows of a running launch sequence beside the window: its
// progress on the taskbar button (ITaskbarList3, where the system has it;
// nothing elsewhere), and the keyboard focus kept in the window when the
// sequence disables 启动, so that Esc still closes it. Windows only.
#pragma once

namespace vantor::app {

// Installs the launch sequence's progress hook.
void install_taskbar_progress();

} // namespace vantor::app
