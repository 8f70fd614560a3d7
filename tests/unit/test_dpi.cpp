// Display scale arithmetic: stored units (96 per inch) to pixels at a DPI and
// back, window outer sizes whose client part scales, and stored fonts.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "forms/dpi.h"

namespace vantor::forms::dpi {
namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

TEST(DpiArithmetic, MulDivRoundsHalvesAwayFromZeroAndSaturates) {
    struct Row {
        int32_t value, numerator, denominator, expected;
    };
    const Row rows[] = {
        {11, 144, 96, 17},     // 16.5 up
        {-11, 144, 96, -17},   // -16.5 away from zero
        {211, 144, 96, 317},   // the launcher's client width at 150%
        {185, 120, 96, 231},   // 231.25 down
        {3, 120, 96, 4},       // 3.75 up
        {-3, 120, 96, -4},     //
        {1, 96, 144, 1},       // 0.67 up
        {1, 96, 192, 1},       // 0.5 away from zero
        {-1, 96, 192, -1},     //
        {0, 144, 96, 0},       //
        {kMax, 192, 96, kMax}, // saturated
        {kMin, 192, 96, kMin}, //
        {kMin, -1, 1, kMax},   // the one product whose negation overflows 32 bits
        {1234, 144, 0, 1234},  // no denominator: unchanged
        {1234, 144, -96, 1234},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.expected, mul_div(r.value, r.numerator, r.denominator))
            << r.value << " x " << r.numerator << " / " << r.denominator;
    }
}

TEST(DpiArithmetic, StoredUnitsToPixelsAtEachDpi) {
    struct Row {
        int32_t stored, dpi, pixels;
    };
    const Row rows[] = {
        {152, 96, 152}, {152, 120, 190}, {152, 144, 228}, {152, 192, 304},
        {18, 120, 23},  {18, 144, 27},   {18, 192, 36},   {1, 144, 2},
        {2, 144, 3},    {-5, 144, -8},   {24, 0, 24},     {24, -120, 24}, // invalid DPI: 96
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.pixels, to_pixels(r.stored, r.dpi)) << r.stored << " at " << r.dpi;
    }
    EXPECT_EQ(96, valid_dpi(0));
    EXPECT_EQ(96, valid_dpi(-1));
    EXPECT_EQ(144, valid_dpi(144));
}

// At 96 and above every stored value comes back from its pixels: the fixed
// properties read what the form stored and what application code wrote.
TEST(DpiArithmetic, PixelsGoBackToTheStoredValueAtAndAboveTheStoredDpi) {
    for (int32_t dpi : {96, 110, 120, 144, 168, 192, 240, 288}) {
        for (int32_t stored = -3000; stored <= 3000; ++stored) {
            ASSERT_EQ(stored, to_stored(to_pixels(stored, dpi), dpi)) << "at " << dpi;
        }
    }
}

TEST(DpiArithmetic, BoxesScaleEveryField) {
    const Box stored{8, 16, 88, 24};
    EXPECT_EQ((Box{8, 16, 88, 24}), to_pixels(stored, 96));
    EXPECT_EQ((Box{10, 20, 110, 30}), to_pixels(stored, 120));
    EXPECT_EQ((Box{12, 24, 132, 36}), to_pixels(stored, 144));
    EXPECT_EQ((Box{16, 32, 176, 48}), to_pixels(stored, 192));
    for (int32_t dpi : {96, 120, 144, 192})
        EXPECT_EQ(stored, to_stored(to_pixels(stored, dpi), dpi)) << dpi;
}

// The launcher's window: 217 x 210 stored with a reference frame of 6 x 25;
// the client area 211 x 185 scaled inside each system's frame: Wine 8's 6 x 34
// at 144, Windows 10's 6 x 29 at 96.
TEST(DpiArithmetic, OuterSizesScaleTheClientAreaAndKeepTheSystemsFrame) {
    struct Row {
        int32_t stored, reference, frame, dpi, pixels;
    };
    const Row rows[] = {
        {217, 6, 6, 96, 217},    {210, 25, 25, 96, 210},  {217, 6, 6, 144, 323},
        {210, 25, 34, 144, 312}, {210, 25, 29, 120, 260}, {217, 6, 8, 192, 430},
        {210, 25, 29, 96, 214},  {210, 25, 32, 96, 217}, // Windows 10's frame; Wine 10's
        {0, 6, 6, 96, 0},        {4, 6, 9, 144, 6},      // smaller than its frame: stays consistent
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message() << r.stored << " at " << r.dpi);
        EXPECT_EQ(r.pixels, outer_to_pixels(r.stored, r.reference, r.frame, r.dpi));
        EXPECT_EQ(r.stored, outer_to_stored(r.pixels, r.reference, r.frame, r.dpi));
    }
    // Extreme values saturate instead of wrapping.
    EXPECT_EQ(kMax, outer_to_pixels(kMax, -100, 100, 192));
    EXPECT_EQ(kMin, outer_to_pixels(kMin, 100, -100, 192));
    EXPECT_EQ(kMax, outer_to_stored(kMax, 100, -100, 96));
}

// Frames from a system's metrics: the reference's (the classic look, as Wine 8
// draws it at 96 DPI, measured there), Windows 10 and 11's at 100%, and the
// reference's scaled to 144 DPI.
TEST(DpiArithmetic, FramesComeFromTheSystemsMetrics) {
    constexpr FrameMetrics kWindows10{23, 23, 20, 3, 8, 2, 1};
    const FrameMetrics at_144 = metrics_at(kReferenceMetrics, 144);
    const FrameParts fixed{.caption = true, .fixed = true, .border = true};
    const FrameParts sizable{.caption = true, .sizing = true, .fixed = true, .border = true};
    const FrameParts tool_sunken_menu{
        .caption = true, .tool = true, .fixed = true, .client_edge = true, .menu = true};
    struct Row {
        const FrameMetrics& metrics;
        FrameParts parts;
        Frame frame;
    };
    const Row rows[] = {
        {kReferenceMetrics, fixed, {6, 25}},
        {kReferenceMetrics, sizable, {8, 27}},
        {kReferenceMetrics, tool_sunken_menu, {10, 45}},
        {kReferenceMetrics, {}, {0, 0}},
        {kWindows10, fixed, {6, 29}},
        {kWindows10, sizable, {16, 39}},
        {at_144, fixed, {10, 39}},
    };
    for (const Row& r : rows) {
        const Frame is = frame_of(r.metrics, r.parts);
        EXPECT_EQ(r.frame, is) << "caption " << r.metrics.caption << ": " << is.width << "x"
                               << is.height;
    }
}

TEST(DpiArithmetic, StoredFontsScaleTheirCharacterSizeOnly) {
    LogFont stored{};
    stored.height = -12;
    stored.width = 5;
    stored.weight = 700;
    stored.escapement = 450;
    stored.face[0] = 'T';
    struct Row {
        int32_t dpi, height, width;
    };
    for (const Row& r : {Row{96, -12, 5}, Row{120, -15, 6}, Row{144, -18, 8}, Row{192, -24, 10}}) {
        const LogFont f = font_at(stored, r.dpi);
        EXPECT_EQ(r.height, f.height) << r.dpi;
        EXPECT_EQ(r.width, f.width) << r.dpi;
        EXPECT_EQ(700, f.weight);
        EXPECT_EQ(450, f.escapement);
        EXPECT_EQ('T', f.face[0]);
    }
    stored.width = 0;
    EXPECT_EQ(0, font_at(stored, 192).width) << "the font's own width stays its own";
}

} // namespace
} // namespace vantor::forms::dpi
