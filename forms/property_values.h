// Value conversions of property access by property type: what a read gives
// application code from a kind's read result, and what a write hands the kind's
// write routine from the two value words. Portable; the form engine's Win32 side
// supplies what only the platform knows (the default user-interface font and the
// screen's pixels per inch).
#pragma once

#include <cstdint>
#include <vector>

#include "forms/kind_table.h"

namespace vantor::forms {

// Font property members (member index; -1 is the whole font).
namespace font_member {
inline constexpr int32_t Whole = -1; // a FontRecord
inline constexpr int32_t Angle = 0;  // tenths of a degree, escapement and orientation
inline constexpr int32_t Bold = 1;   // weight 700 and above
inline constexpr int32_t Italic = 2;
inline constexpr int32_t StrikeOut = 3;
inline constexpr int32_t Underline = 4;
inline constexpr int32_t Size = 5;     // points
inline constexpr int32_t FaceName = 6; // 1 to 31 bytes
} // namespace font_member

// The whole-font value (member -1): 7 dwords, the face name a text.
struct FontRecord {
    int32_t angle; // tenths of a degree
    uint32_t bold; // logicals as 0 or 1
    uint32_t italic;
    uint32_t strike_out;
    uint32_t underline;
    int32_t size;     // points
    const char* face; // on read a new text the caller frees
};
static_assert(sizeof(FontRecord) == 28);

// A stored font: the 60-byte Windows logical font record (LOGFONTA).
struct LogFont {
    int32_t height;
    int32_t width;
    int32_t escapement;
    int32_t orientation;
    int32_t weight;
    uint8_t italic;
    uint8_t underline;
    uint8_t strike_out;
    uint8_t char_set;
    uint8_t out_precision;
    uint8_t clip_precision;
    uint8_t quality;
    uint8_t pitch_and_family;
    char face[32];
};
static_assert(sizeof(LogFont) == 60);

inline constexpr int32_t kBoldWeight = 700;
inline constexpr char kDefaultFace[] = "宋体";

// What the platform gives the font conversions.
struct FontSetting {
    LogFont fallback; // the default user-interface font, for a unit without one
    int32_t dpi;      // the screen's vertical pixels per inch
};

// Font size arithmetic, integers truncating: |height| x 72 / dpi points, and a
// height of -(points x dpi / 72) (negative points count as 0). Results beyond
// 32 bits saturate; a dpi of 0 or less gives 0.
int32_t font_points(int32_t height, int32_t dpi);
int32_t font_height(int32_t points, int32_t dpi);

// The stored font: exactly sizeof(LogFont) bytes, else `fallback`.
LogFont font_of(const uint8_t* data, uint32_t size, const LogFont& fallback);
// A member of `font` as a property read gives it (face name and whole font as
// new blocks the caller frees); 0 for an unknown member.
uint64_t read_font_member(const LogFont& font, int32_t member, int32_t dpi);
// Applies a written member, or the whole font record that `value` points to.
// False when the write carries no font at all (member -1 without a record); an
// unknown member leaves the font unchanged.
bool apply_font_member(LogFont& font, int32_t member, uint32_t value, int32_t dpi);

// How a property type's values convert.
enum class Conversion : uint8_t { Integer, Choice, Eight, Logical, Data, MousePointer, Font, Text };
Conversion conversion_of(uint16_t type);

// A property read: `value` is the kind's read result (a word, a text pointer, or
// a data pointer and count). Texts and byte sets come back as new blocks.
uint64_t value_for_read(uint16_t type, const uint32_t value[2], int32_t member,
                        const FontSetting& font);

// Storage a written value may point into while the write routine runs.
struct WriteScratch {
    std::vector<uint8_t> pointer;
    LogFont font{};
};

// A property write: the value for the kind's write routine from the two value
// words. A byte-set word points at a byte set {1, n, bytes} or is 0. For a Font
// property `current` is the kind's current value (data pointer and count).
PropValue value_for_write(uint16_t type, uint32_t low, uint32_t high, int32_t member,
                          const uint32_t current[2], const FontSetting& font,
                          WriteScratch& scratch);

} // namespace vantor::forms
