// What the control kinds need of display scaling: their window's DPI, fonts
// and system metrics at a DPI, and pixel lengths given in stored units.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace vantor::controls {

// The DPI of the top-level window holding `hwnd` (forms/win32/dpi_win32.h).
int32_t dpi_of(HWND hwnd);

// Stored units (96 per inch) in pixels at `dpi`.
int32_t scaled(int32_t stored, int32_t dpi);

// System metric `index` at `dpi`; dpi 0 means the system's own metric.
int32_t metric_for(int index, int32_t dpi);

// A stored font (60 bytes, sized for 96 per inch) realised at `dpi` as
// realise_font does. Without a stored font, or when it cannot be made: null at
// the system's DPI (font_or_default then gives the stock DEFAULT_GUI_FONT),
// else the stock font's copy scaled from the system's DPI to `dpi`. A font
// returned is the caller's to delete.
HFONT realise_font_at(const std::vector<uint8_t>& font, int32_t dpi);

} // namespace vantor::controls
