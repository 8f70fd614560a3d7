// Unit kinds for the form engine's tests, built on the system's "STATIC" and
// "BUTTON" classes and one top-level class. Each kind is a unit type record of
// Baselib (or Uilib) with its type flags, property table and routines. Units
// log the private load messages, WM_SHOWWINDOW and WM_DESTROY (sequence.h).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "forms/win32/unit_object.h"
#include "forms/win32/unit_type.h"

namespace vantor::testing {

namespace kinds {
inline constexpr uint32_t Form = 0x00010001;      // top-level window, flags 0x800000D0
inline constexpr uint32_t Label = 0x00010002;     // STATIC; raises event 5 on the private messages
inline constexpr uint32_t Push = 0x00010003;      // BUTTON; click 0, focus -7 / -8
inline constexpr uint32_t Hidden = 0x00010004;    // never shown (0x8000)
inline constexpr uint32_t Probe = 0x00010005;     // a property of every conversion type
inline constexpr uint32_t Panel = 0x00010006;     // holds children (0x80), parent told (0x100000)
inline constexpr uint32_t Fixed = 0x00010007;     // never re-created (0x10)
inline constexpr uint32_t Mute = 0x00010008;      // may not raise events (flags 0)
inline constexpr uint32_t Broken = 0x00010009;    // its create routine fails
inline constexpr uint32_t NoRoutine = 0x0001000A; // a type without interface routine
inline constexpr uint32_t Pages = 0x00010015;     // paged container (0x100)
inline constexpr uint32_t Trans = 0x00020005;     // no tab focus (0x10000)
} // namespace kinds

// Probe property indexes (8 and up) and their property types.
namespace probe {
inline constexpr int32_t Integer = 8;   // 1001
inline constexpr int32_t Choice = 9;    // 1006
inline constexpr int32_t Logical = 10;  // 1003
inline constexpr int32_t Eight = 11;    // 1002
inline constexpr int32_t Picture = 12;  // 1009
inline constexpr int32_t Pointer = 13;  // 1011
inline constexpr int32_t Font = 14;     // 1013
inline constexpr int32_t Text = 15;     // 1005
inline constexpr int32_t Recreate = 16; // 1001; a write asks for re-creation
inline constexpr int32_t Color = 17;    // 1014
} // namespace probe
// Panel and Fixed: property 8 asks for re-creation; Pages: property 8 is the page.
inline constexpr int32_t kRecreateProperty = 8;

class TestUnit : public UnitObject {
  public:
    TestUnit(uint32_t window_id, uint32_t unit_id, const forms::UnitTypeRecord* type,
             uint32_t unit_kind, std::string unit_name)
        : UnitObject(window_id, unit_id, type), kind(unit_kind), name(std::move(unit_name)) {}

    uint32_t kind;
    std::string name;
    uint32_t generation = 0; // how often the unit was re-created
    // Probe values as the kind holds them.
    int32_t integer = 0;
    int32_t choice = 0;
    uint32_t logical = 0;
    uint32_t eight[2] = {0, 0};
    std::vector<uint8_t> picture, pointer, font;
    std::string text;
    uint32_t color = 0;
    uint32_t page = 0; // Pages: the selected page
    // The last value a write routine received, as it arrived.
    forms::PropValue last_value{};
    std::vector<uint8_t> last_data; // bytes behind last_value for data, texts and fonts

    bool on_reflected(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

  protected:
    LRESULT on_message(UINT msg, WPARAM wp, LPARAM lp) override;
};

// Registers the kinds as Baselib's and Uilib's data types and the page query.
void register_test_kinds();

// How many units each create routine has made so far.
uint32_t units_created();

TestUnit* test_unit(uint32_t window_id, uint32_t unit_id);

// The design-time name of a unit's record ("W" for an unnamed one, "?" when
// there is none); unit id 0 is the window's own unit.
std::string record_name(uint32_t window_id, uint32_t unit_id);

} // namespace vantor::testing
