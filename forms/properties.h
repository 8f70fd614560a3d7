// Property access by index: the eight fixed properties kept by the engine, the
// kinds' own properties through their read and write routines with the value
// conversions by property type, and re-creation after a write that asks for it.
#pragma once

#include <cstdint>

namespace vantor::forms {

// Interface slot 4. Texts and byte sets returned belong to the caller. Raises
// "未载入欲访问窗口组件所在的窗口" for an unknown window and "指定窗口尚未载入"
// for a kind property of a unit without a live object (fatal).
uint64_t read_property(uint32_t window_id, uint32_t unit_id, int32_t index, int32_t member);
// Interface slot 5; the same errors.
void write_property(uint32_t window_id, uint32_t unit_id, int32_t index, int32_t member,
                    uint32_t low, uint32_t high);

// Font property members (member index; -1 is the whole font).
namespace font_member {
inline constexpr int32_t Whole = -1;
inline constexpr int32_t Angle = 0;
inline constexpr int32_t Bold = 1;
inline constexpr int32_t Italic = 2;
inline constexpr int32_t StrikeOut = 3;
inline constexpr int32_t Underline = 4;
inline constexpr int32_t Size = 5;
inline constexpr int32_t FaceName = 6;
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

} // namespace vantor::forms
