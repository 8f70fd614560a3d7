// The form engine's Windows side: loads windows from the window table, keeps
// each unit's live object in its record, reads and writes properties by index
// and delivers events to handler routines.
//
// What the control kinds may use (all on the user-interface thread):
//
//   install_form_engine()            fills kernel().forms; call before start-up
//   unit_type_of_kind(kind)          the unit type record of a kind, or null
//   unit_routine(type, number)       routine `number` of a unit type, or null
//   find_unit_object(w, u)           a unit's live object (u = 0: the window)
//   unit_info(w, u, out)             a unit's stored fields and its object
//   window_units(w)                  every unit of a window, stored order
//   tab_candidates(w)                units Tab may move the focus to, by tab order
//   unit_cursor(w, u)                the unit's cursor (for WM_SETCURSOR), or null
//   request_close(w)                 the user asked window w to close
//   is_modal(w), loaded_windows()    modal state and the loaded windows
//   set_selected_page_query(fn)      how a page container tells its selected page
//   set_handler_result(v)            a handler returns a value (dispatch.h)
//
// Window ids and unit ids are those of the form archive; unit id 0 addresses
// the window's own unit wherever a unit id is taken.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "forms/win32/unit_object.h"
#include "forms/win32/unit_type.h"

namespace vantor::forms {

// Lends the kernel the engine: idle turns, requests UnitDestroyed, LoadWindow,
// FindUnitObject, RequireUnitObject, RaiseEvent and RaiseTypedEvent,
// the start-up window load and property access.
void install_form_engine();
// The archive reader alone, for a kernel that reads a form archive without
// loading its windows.
void install_archive_reader();

// Unit kind = library number x 65536 + type number, both counted from 1, in the
// kernel's library list. Null when either number is outside the arrays.
const UnitTypeRecord* unit_type_of_kind(uint32_t kind);
// Routine `number` of `type` (routine::Create ...), null when it has none.
void* unit_routine(const UnitTypeRecord* type, int32_t number);

// The unit's object while its window handle is valid, else null. Unit 0 is the
// window's own unit.
UnitObject* find_unit_object(uint32_t window_id, uint32_t unit_id);

struct UnitInfo {
    uint32_t id = 0;
    uint32_t index = 0; // stored position; 0 is the window's own unit
    uint32_t kind = 0;
    uint32_t parent = 0; // parent unit id, 0 = the window
    uint32_t state = 0;  // state_bit::Visible, Disabled, TabStop
    uint32_t tab_order = 0;
    const UnitTypeRecord* type = nullptr;
    UnitObject* object = nullptr; // live object, null when none is alive
};
// False for an unknown window or unit, and for menu items.
bool unit_info(uint32_t window_id, uint32_t unit_id, UnitInfo& out);
// Every unit of the window but its menu items, in stored order; empty when the
// window is unknown.
std::vector<UnitInfo> window_units(uint32_t window_id);
// The controls Tab moves between: alive, visible, enabled, tab stop set in the
// record, and of a kind that takes the focus (neither 0x10000 nor 0x8000 set);
// ordered by tab order, ties in stored order.
std::vector<UnitInfo> tab_candidates(uint32_t window_id);

// The cursor made from the unit's mouse pointer data; null for none.
HCURSOR unit_cursor(uint32_t window_id, uint32_t unit_id);

// The close request of a loaded window: events 12, then 1 (a handler returning
// the logical false vetoes); then the windows a modal load disabled are enabled
// again as they were and the window is destroyed. True when it was destroyed.
bool request_close(uint32_t window_id);

// True while the window is loaded and was loaded modally.
bool is_modal(uint32_t window_id);
// The objects of the windows that are loaded now, in window table order.
std::vector<UnitObject*> loaded_windows();

// A page container kind reports its selected page (0 = the first) so that a
// visible write keeps controls of the other pages hidden. Without a query the
// first page counts as selected.
using SelectedPageQuery = uint32_t (*)(UnitObject* container);
void set_selected_page_query(SelectedPageQuery query);

} // namespace vantor::forms
