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

// A window frame's extents: outer minus client size.
struct Frame {
    int32_t width, height;
    bool operator==(const Frame&) const = default;
};

// The parts of a frame that a window's styles give it.
struct FrameParts {
    bool caption = false;     // a title bar...
    bool tool = false;        // ...the small one of a tool window
    bool sizing = false;      // a sizing border
    bool fixed = false;       // a dialog frame, when there is no sizing border
    bool border = false;      // a thin line, when there is neither
    bool client_edge = false; // a sunken edge around the client area
    bool menu = false;        // a menu bar
};

// A system's frame metrics at one DPI, as its GetSystemMetrics names them:
// SM_CYCAPTION, SM_CYSMCAPTION, SM_CYMENU, SM_CXFIXEDFRAME, SM_CXSIZEFRAME plus
// SM_CXPADDEDBORDER, SM_CXEDGE, SM_CXBORDER.
struct FrameMetrics {
    int32_t caption, small_caption, menu, fixed_frame, sizing_frame, edge, border;
};

// The frame a system with `metrics` draws around a window with `parts`.
Frame frame_of(const FrameMetrics& metrics, const FrameParts& parts);
// Metrics at 96 DPI scaled to `dpi`.
FrameMetrics metrics_at(const FrameMetrics& at_96, int32_t dpi);

// The frame stored outer sizes of windows are made for, whatever system runs
// them: the classic look at 96 DPI (19-pixel caption, 3-pixel dialog frame), as
// Windows XP's classic theme and Wine 8 draw it. A window of 217 x 210 outside
// has a client area of 211 x 185 under it; the window is sized so that it has
// that client area under the running system's own frame.
inline constexpr FrameMetrics kReferenceMetrics{19, 16, 19, 3, 4, 2, 1};

// One extent of a window's outer size (width or height) whose client part
// scales while its frame is what the system draws at each DPI: `reference` is
// the outer minus client extent of the reference frame (stored units), `frame`
// the system's at `dpi` (pixels).
int32_t outer_to_pixels(int32_t stored, int32_t reference, int32_t frame, int32_t dpi);
int32_t outer_to_stored(int32_t pixels, int32_t reference, int32_t frame, int32_t dpi);

// A stored font at `dpi`: character height and width scaled (a width of 0
// stays 0, meaning the font's own).
LogFont font_at(const LogFont& stored, int32_t dpi);

} // namespace vantor::forms::dpi
