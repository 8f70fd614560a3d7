// Helpers the window kind's source files share.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace vantor::controls {

class WindowUnit;

namespace window_detail {

// Frame styles of a BorderStyle value (creation steps 2 and 3, write 9).
uint32_t border_style_bits(int32_t border);
uint32_t border_ex_bits(int32_t border);
// Redraws the frame after a style change without moving, sizing or activating.
void frame_changed(HWND hwnd);
// The loaded windows of this thread: top-level windows with a window object.
std::vector<WindowUnit*> loaded_windows();

} // namespace window_detail
} // namespace vantor::controls
