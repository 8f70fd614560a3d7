// The platform's side of display scaling: the DPI of a window and of the
// system, system metrics and window frames at a DPI, and where a unit's
// window goes for its stored geometry. The per-monitor functions exist only on
// newer systems (Windows 10); they are looked up at run time, with fallbacks
// from the screen's pixels per inch.
//
// The fixed properties left, top, width and height of a live unit are read and
// written in stored units through stored_box and place_unit; loading and a DPI
// change place units through them too, so the one conversion lives here. A
// top-level window's stored outer size is read under the reference frame
// (forms/dpi.h): its client area is what the form stores, whatever frame the
// running system draws.
#pragma once

#include <windows.h>

#include <cstdint>

#include "forms/dpi.h"

namespace vantor::forms::dpi {

// The system's DPI: GetDpiForSystem, else the screen's LOGPIXELSY, else 96.
int32_t system_dpi();

// The DPI of the top-level window that holds `hwnd`: the one noted for it
// (remember_dpi), else GetDpiForWindow, else the DPI of
// its monitor (GetDpiForMonitor), else the system's.
int32_t window_dpi(HWND hwnd);
// Notes the DPI the top-level window `hwnd` is laid out at (when it is placed,
// and what WM_DPICHANGED gives it); forget_dpi drops the note (before the
// window is destroyed).
void remember_dpi(HWND hwnd, int32_t dpi);
void forget_dpi(HWND hwnd);

// System metric `index` at `dpi`: GetSystemMetricsForDpi, else the system's
// value scaled from the system DPI.
int32_t metric_at(int index, int32_t dpi);

// The parts of a frame these styles give a top-level window.
FrameParts frame_parts(DWORD style, DWORD ex_style, bool menu);
// The running system's frame for these styles at `dpi` (outer minus client size).
Frame frame_at(DWORD style, DWORD ex_style, bool menu, int32_t dpi);
// The reference frame (kReferenceMetrics) for these styles, in stored units.
Frame reference_frame(DWORD style, DWORD ex_style, bool menu);

// For tests: frame_at gives the frames of a system with `at_96` (scaled to each
// DPI) instead of the running system's, so that another system's metrics can be
// tried on this one; null goes back to the running system's.
void model_system_metrics(const FrameMetrics* at_96);

// Whether the unit's window is a top-level window (screen coordinates, frame
// kept as the system draws it) or a child (its parent's client coordinates).
bool is_top_level(HWND hwnd);

// The live window's place in stored units.
Box stored_box(HWND hwnd);
// The place in pixels of `stored` for the live window `hwnd` at its DPI.
Box pixel_box(HWND hwnd, const Box& stored);
// The top-level window `hwnd` moved to a monitor of `dpi` (WM_DPICHANGED):
// notes the DPI and takes the place the system suggests, with the size that
// gives its client area at `dpi` under the system's frame there (a suggested
// size scales the frame too, on some systems). A minimised or maximised window
// takes the suggested rectangle.
void move_to_dpi(HWND hwnd, int32_t dpi, const RECT& suggested);
// Moves and sizes the live window `hwnd` to `stored` (no z-order change, no
// activation); `flags` may add SWP_NOMOVE or SWP_NOSIZE.
void place_unit(HWND hwnd, const Box& stored, UINT flags = 0);

} // namespace vantor::forms::dpi
