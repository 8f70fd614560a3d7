// Window shapes: the regions of Shape 1 to 29, computed from the window size.
#include <algorithm>

#include "controls/window_kind.h"

namespace vantor::controls {

namespace {

constexpr uint16_t kEnd = 0xFFFF;

// Shapes 4 to 29: closed outlines in the unit square (0..32767 on both axes),
// one list per value in order, each ended by kEnd.
constexpr uint16_t kShapePoints[] = {
    // 4 triangle, apex at the top centre
    16383, 0, 32767, 32767, 0, 32767, 16383, 0, kEnd,
    // 5 triangle, apex at the bottom centre
    0, 0, 32767, 0, 16383, 32767, kEnd,
    // 6 triangle pointing left
    32767, 0, 32767, 32767, 0, 16383, 32767, 0, kEnd,
    // 7 triangle pointing right
    0, 0, 32767, 16383, 0, 32767, 0, 0, kEnd,
    // 8 trapezoid, wide at the bottom
    8191, 0, 24576, 0, 32767, 32767, 0, 32767, 8191, 0, kEnd,
    // 9 trapezoid, wide at the top
    0, 0, 32767, 0, 24576, 32767, 8191, 32767, 0, 0, kEnd,
    // 10 hexagon
    8191, 0, 24576, 0, 32767, 16383, 24576, 32767, 8191, 32767, 0, 16383, kEnd,
    // 11 pentagon
    16383, 0, 31965, 11321, 26013, 29638, 6754, 29638, 802, 11321, 16383, 0, kEnd,
    // 12 diamond
    16383, 0, 32767, 16383, 16383, 32767, 0, 16383, kEnd,
    // 13 octagon
    9597, 0, 23170, 0, 32767, 9597, 32767, 23170, 23170, 32767, 9597, 32767, 0, 23170, 0, 9597,
    9597, 0, kEnd,
    // 14 parallelogram leaning right
    8191, 0, 32767, 0, 24576, 32767, 0, 32767, 8191, 0, kEnd,
    // 15 parallelogram leaning left
    0, 0, 24576, 0, 32767, 32767, 8191, 32767, 0, 0, kEnd,
    // 16 four-pointed star
    16383, 0, 21017, 11750, 32767, 16383, 21017, 21017, 16383, 32767, 11750, 21017, 0, 16383,
    11750, 11750, 16383, 0, kEnd,
    // 17 five-pointed star
    16383, 0, 20062, 11320, 31965, 11321, 22336, 18317, 26013, 29638, 16383, 22642, 6754, 29638,
    10431, 18317, 802, 11321, 12705, 11320, 16383, 0, kEnd,
    // 18 six-pointed star
    16383, 0, 20889, 8580, 30572, 8192, 25394, 16383, 30572, 24575, 20889, 24187, 16383, 32767,
    11878, 24187, 2195, 24575, 7373, 16383, 2195, 8192, 11878, 8580, 16383, 0, kEnd,
    // 19 eight-pointed star
    16383, 0, 20145, 7302, 27968, 4799, 25465, 12622, 32767, 16383, 25465, 20145, 27968, 27968,
    20145, 25465, 16383, 32767, 12622, 25465, 4799, 27968, 7302, 20145, 0, 16383, 7302, 12622,
    4799, 4799, 12622, 7302, 16383, 0, kEnd,
    // 20 arrow pointing right
    0, 8191, 16383, 8191, 16383, 0, 32767, 16383, 16383, 32767, 16383, 24576, 0, 24576, 0, 8191,
    kEnd,
    // 21 arrow pointing left
    32767, 8191, 16383, 8191, 16383, 0, 0, 16383, 16383, 32767, 16383, 24576, 32767, 24576,
    32767, 8191, kEnd,
    // 22 arrow pointing up
    8191, 32767, 8191, 16383, 0, 16383, 16383, 0, 32767, 16383, 24576, 16383, 24576, 32767,
    8191, 32767, kEnd,
    // 23 arrow pointing down
    8191, 0, 8191, 16383, 0, 16383, 16383, 32767, 32767, 16383, 24576, 16383, 24576, 0, 8191, 0,
    kEnd,
    // 24 cross
    10922, 0, 21845, 0, 21845, 10922, 32767, 10922, 32767, 21845, 21845, 21845, 21845, 32767,
    10922, 32767, 10922, 21845, 0, 21845, 0, 10922, 10922, 10922, 10922, 0, kEnd,
    // 25 chevron pointing right
    0, 0, 16383, 0, 32767, 16383, 16383, 32767, 0, 32767, 16383, 16383, 0, 0, kEnd,
    // 26 chevron pointing left
    32767, 0, 16383, 0, 0, 16383, 16383, 32767, 32767, 32767, 16383, 16383, 32767, 0, kEnd,
    // 27 double arrow, left and right
    0, 16383, 8191, 0, 8191, 8191, 24576, 8191, 24576, 0, 32767, 16383, 24576, 32767, 24576,
    24576, 8191, 24576, 8191, 32767, 0, 16383, kEnd,
    // 28 double arrow, up and down
    16383, 0, 32767, 8191, 24576, 8191, 24576, 24576, 32767, 24576, 16383, 32767, 0, 24576,
    8191, 24576, 8191, 8191, 0, 8191, 16383, 0, kEnd,
    // 29 speech balloon with its tail at the lower left
    0, 0, 32767, 0, 32767, 24576, 12287, 24576, 4095, 32767, 8191, 24576, 0, 24576, 0, 0, kEnd,
};

}  // namespace

std::vector<POINT> shape_points(int32_t shape) {
    std::vector<POINT> out;
    if (shape < 4 || shape > 29) return out;
    int32_t list = 4;
    size_t i = 0;
    const size_t n = std::size(kShapePoints);
    while (list < shape && i < n) {
        if (kShapePoints[i++] == kEnd) ++list;
    }
    while (i + 1 < n && kShapePoints[i] != kEnd) {
        out.push_back({kShapePoints[i], kShapePoints[i + 1]});
        i += 2;
    }
    return out;
}

HRGN make_shape_region(int32_t shape, int w, int h) {
    switch (shape) {
    case 1: return CreateEllipticRgn(0, 0, w, h);
    case 2: {
        int corner = std::min(w / 5, h / 5);
        return CreateRoundRectRgn(0, 0, w, h, corner, corner);
    }
    case 3: {
        HRGN outer = CreateEllipticRgn(0, 0, w, h);
        HRGN inner = CreateEllipticRgn(w / 4, h / 4, w - w / 4, h - h / 4);
        if (outer && inner) CombineRgn(outer, outer, inner, RGN_DIFF);
        if (inner) DeleteObject(inner);
        return outer;
    }
    default: break;
    }
    std::vector<POINT> points = shape_points(shape);
    if (points.empty()) return nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return nullptr;
    BeginPath(dc);
    for (size_t i = 0; i < points.size(); ++i) {
        int x = MulDiv(points[i].x, w, 32767), y = MulDiv(points[i].y, h, 32767);
        if (i == 0)
            MoveToEx(dc, x, y, nullptr);
        else
            LineTo(dc, x, y);
    }
    EndPath(dc);
    HRGN region = PathToRegion(dc);
    DeleteDC(dc);
    return region;
}

}  // namespace vantor::controls
