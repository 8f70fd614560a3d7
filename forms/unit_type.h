// Unit types: how the form engine creates units of a kind and reaches their
// properties. One record per kind (56 bytes, an entry of its library's data-type
// table) with its type flags, its property table and its interface routine.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace vantor {
class UnitObject;
}

namespace vantor::forms {

// ---- type flags ---------------------------------------------------------------
namespace type_flag {
inline constexpr uint32_t RaisesEventsA = 0x4;
inline constexpr uint32_t NeverRecreated = 0x10;
inline constexpr uint32_t RaisesEventsB = 0x40;
inline constexpr uint32_t HoldsChildren = 0x80;
inline constexpr uint32_t PagedContainer = 0x100;
inline constexpr uint32_t NeverShown = 0x8000;
inline constexpr uint32_t NoTabFocus = 0x10000;
inline constexpr uint32_t NotifyParentOnRecreate = 0x100000;
} // namespace type_flag

inline constexpr uint32_t kFlagsWindow = 0x800000D0;
inline constexpr uint32_t kFlagsEditBox = 0x80000040;
inline constexpr uint32_t kFlagsButton = 0x80000840;
inline constexpr uint32_t kFlagsCommonDlg = 0x80008040;
inline constexpr uint32_t kFlagsTransLabel = 0x00012040;

// Unit kinds: library number x 65536 + type number.
namespace kind {
inline constexpr uint32_t Window = 0x00010001;
inline constexpr uint32_t EditBox = 0x00010005;
inline constexpr uint32_t Button = 0x0001000B;
inline constexpr uint32_t CommonDlg = 0x0001001F;
inline constexpr uint32_t TransLabel = 0x00020005;
inline constexpr uint32_t PageContainer = 0x00010015;
} // namespace kind

// ---- property table -------------------------------------------------------------
namespace prop_type {
inline constexpr uint16_t Integer = 1001;
inline constexpr uint16_t Logical = 1003;
inline constexpr uint16_t Text = 1005;
inline constexpr uint16_t Choice = 1006;
inline constexpr uint16_t Picture = 1009;
inline constexpr uint16_t Icon = 1010;
inline constexpr uint16_t MousePointer = 1011;
inline constexpr uint16_t Sound = 1012;
inline constexpr uint16_t Font = 1013;
inline constexpr uint16_t Color = 1014;
inline constexpr uint16_t FileName = 1016;
inline constexpr uint16_t BackColor = 1017;
inline constexpr uint16_t DataSource = 1018;
inline constexpr uint16_t DataColumn = 1020;
} // namespace prop_type

inline constexpr uint16_t kFixedPropertyFlags = 0xE000; // indexes 0..7 of every kind

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

// Value handed to routine 4 (property written): integers, logicals, colours and
// choices in word0; a text as a pointer to a zero-terminated string in word0
// (never null: the empty text is ""); byte data as pointer (word0) and count (word1).
struct PropValue {
    uint32_t word0;
    uint32_t word1;
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
inline constexpr int32_t Create = 1;
inline constexpr int32_t PropertyWritten = 4;
inline constexpr int32_t CurrentData = 5;
inline constexpr int32_t PropertyRead = 6;
inline constexpr int32_t IconData = 7;
inline constexpr int32_t KeyWanted = 8;
inline constexpr int32_t EnumerateTexts = 9;
inline constexpr int32_t IsDefaultButton = 10;
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
