// Window shapes: the regions of Shape 1 to 29, computed from the window size.
#include <algorithm>
#include <span>

#include "controls/window_kind.h"

namespace vantor::controls {

namespace {

// A point of an outline in the unit square, 0..32767 on both axes.
struct UnitPoint {
    uint16_t x, y;
};

// The outlines of shapes 4 to 29, each as it is drawn: some repeat their first
// point at the end, some leave the path to close itself.

// 4: triangle, apex at the top centre
constexpr UnitPoint kTriangleUp[] = {{16383, 0}, {32767, 32767}, {0, 32767}, {16383, 0}};
// 5: triangle, apex at the bottom centre
constexpr UnitPoint kTriangleDown[] = {{0, 0}, {32767, 0}, {16383, 32767}};
// 6: triangle pointing left
constexpr UnitPoint kTriangleLeft[] = {{32767, 0}, {32767, 32767}, {0, 16383}, {32767, 0}};
// 7: triangle pointing right
constexpr UnitPoint kTriangleRight[] = {{0, 0}, {32767, 16383}, {0, 32767}, {0, 0}};
// 8: trapezoid, wide at the bottom
constexpr UnitPoint kTrapezoidWideBottom[] = {
    {8191, 0}, {24576, 0}, {32767, 32767}, {0, 32767}, {8191, 0}};
// 9: trapezoid, wide at the top
constexpr UnitPoint kTrapezoidWideTop[] = {
    {0, 0}, {32767, 0}, {24576, 32767}, {8191, 32767}, {0, 0}};
// 10: hexagon
constexpr UnitPoint kHexagon[] = {{8191, 0},      {24576, 0},    {32767, 16383},
                                  {24576, 32767}, {8191, 32767}, {0, 16383}};
// 11: pentagon
constexpr UnitPoint kPentagon[] = {{16383, 0},    {31965, 11321}, {26013, 29638},
                                   {6754, 29638}, {802, 11321},   {16383, 0}};
// 12: diamond
constexpr UnitPoint kDiamond[] = {{16383, 0}, {32767, 16383}, {16383, 32767}, {0, 16383}};
// 13: octagon
constexpr UnitPoint kOctagon[] = {{9597, 0},      {23170, 0},     {32767, 9597},
                                  {32767, 23170}, {23170, 32767}, {9597, 32767},
                                  {0, 23170},     {0, 9597},      {9597, 0}};
// 14: parallelogram leaning right
constexpr UnitPoint kParallelogramRight[] = {
    {8191, 0}, {32767, 0}, {24576, 32767}, {0, 32767}, {8191, 0}};
// 15: parallelogram leaning left
constexpr UnitPoint kParallelogramLeft[] = {
    {0, 0}, {24576, 0}, {32767, 32767}, {8191, 32767}, {0, 0}};
// 16: four-pointed star
constexpr UnitPoint kStar4[] = {{16383, 0},     {21017, 11750}, {32767, 16383},
                                {21017, 21017}, {16383, 32767}, {11750, 21017},
                                {0, 16383},     {11750, 11750}, {16383, 0}};
// 17: five-pointed star
constexpr UnitPoint kStar5[] = {{16383, 0},     {20062, 11320}, {31965, 11321}, {22336, 18317},
                                {26013, 29638}, {16383, 22642}, {6754, 29638},  {10431, 18317},
                                {802, 11321},   {12705, 11320}, {16383, 0}};
// 18: six-pointed star
constexpr UnitPoint kStar6[] = {{16383, 0},     {20889, 8580},  {30572, 8192},  {25394, 16383},
                                {30572, 24575}, {20889, 24187}, {16383, 32767}, {11878, 24187},
                                {2195, 24575},  {7373, 16383},  {2195, 8192},   {11878, 8580},
                                {16383, 0}};
// 19: eight-pointed star
constexpr UnitPoint kStar8[] = {
    {16383, 0},     {20145, 7302},  {27968, 4799},  {25465, 12622}, {32767, 16383}, {25465, 20145},
    {27968, 27968}, {20145, 25465}, {16383, 32767}, {12622, 25465}, {4799, 27968},  {7302, 20145},
    {0, 16383},     {7302, 12622},  {4799, 4799},   {12622, 7302},  {16383, 0}};
// 20: arrow pointing right
constexpr UnitPoint kArrowRight[] = {{0, 8191},      {16383, 8191},  {16383, 0}, {32767, 16383},
                                     {16383, 32767}, {16383, 24576}, {0, 24576}, {0, 8191}};
// 21: arrow pointing left
constexpr UnitPoint kArrowLeft[] = {{32767, 8191},  {16383, 8191},  {16383, 0},     {0, 16383},
                                    {16383, 32767}, {16383, 24576}, {32767, 24576}, {32767, 8191}};
// 22: arrow pointing up
constexpr UnitPoint kArrowUp[] = {{8191, 32767},  {8191, 16383},  {0, 16383},     {16383, 0},
                                  {32767, 16383}, {24576, 16383}, {24576, 32767}, {8191, 32767}};
// 23: arrow pointing down
constexpr UnitPoint kArrowDown[] = {{8191, 0},      {8191, 16383},  {0, 16383}, {16383, 32767},
                                    {32767, 16383}, {24576, 16383}, {24576, 0}, {8191, 0}};
// 24: cross
constexpr UnitPoint kCross[] = {{10922, 0},     {21845, 0},     {21845, 10922}, {32767, 10922},
                                {32767, 21845}, {21845, 21845}, {21845, 32767}, {10922, 32767},
                                {10922, 21845}, {0, 21845},     {0, 10922},     {10922, 10922},
                                {10922, 0}};
// 25: chevron pointing right
constexpr UnitPoint kChevronRight[] = {{0, 0},     {16383, 0},     {32767, 16383}, {16383, 32767},
                                       {0, 32767}, {16383, 16383}, {0, 0}};
// 26: chevron pointing left
constexpr UnitPoint kChevronLeft[] = {{32767, 0},     {16383, 0},     {0, 16383}, {16383, 32767},
                                      {32767, 32767}, {16383, 16383}, {32767, 0}};
// 27: double arrow, left and right
constexpr UnitPoint kArrowLeftRight[] = {
    {0, 16383},     {8191, 0},      {8191, 8191},  {24576, 8191}, {24576, 0}, {32767, 16383},
    {24576, 32767}, {24576, 24576}, {8191, 24576}, {8191, 32767}, {0, 16383}};
// 28: double arrow, up and down
constexpr UnitPoint kArrowUpDown[] = {{16383, 0},     {32767, 8191},  {24576, 8191}, {24576, 24576},
                                      {32767, 24576}, {16383, 32767}, {0, 24576},    {8191, 24576},
                                      {8191, 8191},   {0, 8191},      {16383, 0}};
// 29: speech balloon with its tail at the lower left
constexpr UnitPoint kSpeechBalloon[] = {{0, 0},         {32767, 0},    {32767, 24576},
                                        {12287, 24576}, {4095, 32767}, {8191, 24576},
                                        {0, 24576},     {0, 0}};

namespace shape = forms::choice::Shape;
constexpr int32_t kFirstPolygon = shape::TriangleUp, kLastShape = shape::kLast;
// Indexed by shape - kFirstPolygon.
constexpr std::span<const UnitPoint> kOutlines[] = {kTriangleUp,
                                                    kTriangleDown,
                                                    kTriangleLeft,
                                                    kTriangleRight,
                                                    kTrapezoidWideBottom,
                                                    kTrapezoidWideTop,
                                                    kHexagon,
                                                    kPentagon,
                                                    kDiamond,
                                                    kOctagon,
                                                    kParallelogramRight,
                                                    kParallelogramLeft,
                                                    kStar4,
                                                    kStar5,
                                                    kStar6,
                                                    kStar8,
                                                    kArrowRight,
                                                    kArrowLeft,
                                                    kArrowUp,
                                                    kArrowDown,
                                                    kCross,
                                                    kChevronRight,
                                                    kChevronLeft,
                                                    kArrowLeftRight,
                                                    kArrowUpDown,
                                                    kSpeechBalloon};
static_assert(std::size(kOutlines) == kLastShape - kFirstPolygon + 1);

} // namespace

std::vector<POINT> shape_points(int32_t shape) {
    std::vector<POINT> out;
    if (shape < kFirstPolygon || shape > kLastShape)
        return out;
    for (UnitPoint p : kOutlines[size_t(shape - kFirstPolygon)])
        out.push_back({p.x, p.y});
    return out;
}

HRGN make_shape_region(int32_t shape, int w, int h) {
    switch (shape) {
    case shape::Ellipse:
        return CreateEllipticRgn(0, 0, w, h);
    case shape::RoundedRectangle: {
        int corner = std::min(w / 5, h / 5);
        return CreateRoundRectRgn(0, 0, w, h, corner, corner);
    }
    case shape::Ring: {
        HRGN outer = CreateEllipticRgn(0, 0, w, h);
        HRGN inner = CreateEllipticRgn(w / 4, h / 4, w - w / 4, h - h / 4);
        if (outer && inner)
            CombineRgn(outer, outer, inner, RGN_DIFF);
        if (inner)
            DeleteObject(inner);
        return outer;
    }
    default:
        break;
    }
    std::vector<POINT> points = shape_points(shape);
    if (points.empty())
        return nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc)
        return nullptr;
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

} // namespace vantor::controls
