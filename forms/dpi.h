// Display scale arithmetic of the form engine: stored geometry and fonts are in
// units of 96 pixels per inch; a window at another DPI shows them scaled by
// DPI / 96. Portable; the platform's side is forms/win32/dpi_win32.h.
#pragma once

#include <cstdint>

#include "forms/property_values.h"

namespace vantor::forms::dpi {

// The DPI stored geometry and fonts are designed at.
inline constexpr int32_t kStoredDpi = 96;

// `value` x `numerator` / `denominator`, rounded to the nearest integer with
// halves away from zero (as the platform's MulDiv), saturated to 32 bits. A
// denominator of 0 or less gives `value` unchanged.
int32_t mul_div(int32_t value, int32_t numerator, int32_t denominator);

// A DPI the arithmetic accepts: `dpi` itself when it is 1 or more, else 96.
int32_t valid_dpi(int32_t dpi);

// Stored units to pixels at `dpi` and back (identity at 96).
int32_t to_pixels(int32_t stored, int32_t dpi);
int32_t to_stored(int32_t pixels, int32_t dpi);

// A unit's place: left and top in its parent's client area (the screen for a
// window), width and height.
struct Box {
    int32_t left, top, width, height;
    bool operator==(const Box&) const = default;
};
Box to_pixels(const Box& stored, int32_t dpi);
Box to_stored(const Box& pixels, int32_t dpi);

// One extent of a window's outer size (width or height) whose client part
// scales while its frame is what the system draws at each DPI: `frame_96` and
// `frame_dpi` are the outer minus client extents at 96 and at `dpi`.
int32_t outer_to_pixels(int32_t stored, int32_t frame_96, int32_t frame_dpi, int32_t dpi);
int32_t outer_to_stored(int32_t pixels, int32_t frame_96, int32_t frame_dpi, int32_t dpi);

// A stored font at `dpi`: character height and width scaled (a width of 0
// stays 0, meaning the font's own).
LogFont font_at(const LogFont& stored, int32_t dpi);

} // namespace vantor::forms::dpi
