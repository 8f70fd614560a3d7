// The launcher's window and its units as system windows: what the edge needs
// to talk to the system about them. Windows only.
#pragma once

#include <windows.h>

#include <cstdint>

namespace vantor::app {

// The window handle of a unit of the launcher's window, or of the window
// itself; null when it is not (or no longer) there.
HWND unit_handle(uint32_t unit);
HWND main_window_handle();

} // namespace vantor::app
