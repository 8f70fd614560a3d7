// Unit types: how the form engine creates units of a kind and reaches their
// properties. One record per kind (56 bytes, an entry of its library's data-type
// table) with its type flags, its property table and its interface routine.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "forms/kind_table.h"

namespace vantor {
class UnitObject;
}

namespace vantor::forms {

// Kind codes, type flags, property type codes and PropValue: forms/kind_table.h.

// An entry of a unit type's property table (index order): three names, empty in
// this program, the property type and its flags, and the list of choices.
struct PropertyEntry {
    const char* name;
    const char* english_name;
    const char* explanation;
    uint16_t type;
    uint16_t flags;
    const void* choices;
};
static_assert(sizeof(PropertyEntry) == 20);

// ---- interface routines -----------------------------------------------------------
// Arguments of routine 1, in the stored order of the create call.
struct CreateParams {
    const uint8_t* block; // kind-specific block, may be empty
    uint32_t block_size;
    uint32_t styles;     // WS_VISIBLE is never set here; WS_DISABLED, WS_TABSTOP may be
    HWND parent;         // a control: its parent; a window: its owner (null = none)
    uint32_t control_id; // controls: 100, 110, ...
    HMENU menu;          // windows only
    int32_t left, top, width, height;
    uint32_t window_id;
    uint32_t unit_id;
    uint32_t flag1;       // 0 in every creation of the form engine
    uint32_t design_mode; // 1: a window is created as a child window
    bool modal;           // the load is modal (seen by the window kind only)
};

using CreateRoutine = UnitObject* (*)(const CreateParams& params);
// Returns 1 when the unit must be re-created for the change to take effect.
using WriteRoutine = int32_t (*)(UnitObject* unit, int32_t index, const PropValue* value,
                                 const char** error_text);
// Serialises the current values into a new block from mem_alloc; false when none.
using SerialiseRoutine = bool (*)(UnitObject* unit, uint8_t** block, uint32_t* size);
// Fills result[0] (and result[1] for byte data: count); texts as a pointer to
// the unit's own string. Returns 1 for a known index, 0 otherwise.
using ReadRoutine = int32_t (*)(UnitObject* unit, int32_t index, uint32_t result[2]);
using IconDataRoutine = bool (*)(UnitObject* unit, const uint8_t** data, uint32_t* size);
// Does the focused unit handle this key itself?
using KeyWantedRoutine = bool (*)(UnitObject* unit, const MSG* msg);
using TextVisitor = void (*)(void* context, const char* text, uint32_t length);
using EnumerateTextsRoutine = void (*)(const uint8_t* block, uint32_t size, TextVisitor visit,
                                       void* context);
using IsDefaultButtonRoutine = bool (*)(UnitObject* unit);

namespace routine {
inline constexpr int32_t Create = 1;           // CreateRoutine
inline constexpr int32_t PropertyWritten = 4;  // WriteRoutine
inline constexpr int32_t CurrentData = 5;      // SerialiseRoutine
inline constexpr int32_t PropertyRead = 6;     // ReadRoutine
inline constexpr int32_t IconData = 7;         // IconDataRoutine, window only
inline constexpr int32_t KeyWanted = 8;        // KeyWantedRoutine, edit box only
inline constexpr int32_t EnumerateTexts = 9;   // EnumerateTextsRoutine
inline constexpr int32_t IsDefaultButton = 10; // IsDefaultButtonRoutine, button only
} // namespace routine

// Returns the routine with that number cast to void*, or null.
using InterfaceRoutine = void* (*)(int32_t number);

// 14 dwords: the entry of a library's data-type table.
struct UnitTypeRecord {
    const char* chinese_name;
    const char* english_name;
    const char* explanation;
    uint32_t method_count;
    const void* methods;
    uint32_t flags;
    uint32_t bitmap_id;
    uint32_t event_count;
    const void* events;
    uint32_t property_count;         // including the eight fixed properties
    const PropertyEntry* properties; // index order
    InterfaceRoutine routine;
    uint32_t element_count;
    const void* elements;
};
static_assert(sizeof(UnitTypeRecord) == 56);

} // namespace vantor::forms
