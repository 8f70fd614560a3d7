#include "forms/dpi.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace vantor::forms::dpi {

int32_t mul_div(int32_t value, int32_t numerator, int32_t denominator) {
    if (denominator <= 0)
        return value;
    const int64_t product = int64_t(value) * numerator;
    const int64_t magnitude = (product < 0 ? -product : product) + denominator / 2;
    const int64_t quotient = (product < 0 ? -1 : 1) * (magnitude / denominator);
    if (quotient > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (quotient < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return int32_t(quotient);
}

int32_t valid_dpi(int32_t dpi) {
    return dpi > 0 ? dpi : kStoredDpi;
}

int32_t to_pixels(int32_t stored, int32_t dpi) {
    return mul_div(stored, valid_dpi(dpi), kStoredDpi);
}

int32_t to_stored(int32_t pixels, int32_t dpi) {
    return mul_div(pixels, kStoredDpi, valid_dpi(dpi));
}

Box to_pixels(const Box& stored, int32_t dpi) {
    return {to_pixels(stored.left, dpi), to_pixels(stored.top, dpi), to_pixels(stored.width, dpi),
            to_pixels(stored.height, dpi)};
}

Box to_stored(const Box& pixels, int32_t dpi) {
    return {to_stored(pixels.left, dpi), to_stored(pixels.top, dpi), to_stored(pixels.width, dpi),
            to_stored(pixels.height, dpi)};
}

Frame frame_of(const FrameMetrics& m, const FrameParts& parts) {
    int32_t side = parts.sizing   ? m.sizing_frame
                   : parts.fixed  ? m.fixed_frame
                   : parts.border ? m.border
                                  : 0;
    if (parts.client_edge)
        side += m.edge;
    int32_t top = side;
    if (parts.caption)
        top += parts.tool ? m.small_caption : m.caption;
    if (parts.menu)
        top += m.menu;
    return {2 * side, top + side};
}

FrameMetrics metrics_at(const FrameMetrics& at_96, int32_t dpi) {
    return {to_pixels(at_96.caption, dpi),      to_pixels(at_96.small_caption, dpi),
            to_pixels(at_96.menu, dpi),         to_pixels(at_96.fixed_frame, dpi),
            to_pixels(at_96.sizing_frame, dpi), to_pixels(at_96.edge, dpi),
            to_pixels(at_96.border, dpi)};
}

// The client part is computed in 64 bits: stored values and frames come from
// anywhere in the 32-bit range.
int32_t outer_to_pixels(int32_t stored, int32_t reference, int32_t frame, int32_t dpi) {
    const int64_t client = int64_t(stored) - reference;
    const int32_t narrowed = int32_t(std::clamp<int64_t>(client, INT32_MIN, INT32_MAX));
    return int32_t(
        std::clamp<int64_t>(int64_t(to_pixels(narrowed, dpi)) + frame, INT32_MIN, INT32_MAX));
}

int32_t outer_to_stored(int32_t pixels, int32_t reference, int32_t frame, int32_t dpi) {
    const int64_t client = int64_t(pixels) - frame;
    const int32_t narrowed = int32_t(std::clamp<int64_t>(client, INT32_MIN, INT32_MAX));
    return int32_t(
        std::clamp<int64_t>(int64_t(to_stored(narrowed, dpi)) + reference, INT32_MIN, INT32_MAX));
}

LogFont font_at(const LogFont& stored, int32_t dpi) {
    LogFont font = stored;
    font.height = to_pixels(stored.height, dpi);
    font.width = to_pixels(stored.width, dpi);
    return font;
}

} // namespace vantor::forms::dpi
