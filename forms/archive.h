// The runtime's window table: the form archive read once at start-up and kept
// as stored, so that record fields are read and written in place.
//
// Archive layout (little-endian):
//   byte buffer of L bytes, n = L / 8: n window ids, then n object slots (ignored)
//   n window records: attr A, attr B (dwords), text A, text B (counted texts),
//                     unit count, unit table (byte buffer)
// Unit table: count unit ids, count record offsets (relative to byte 8 x count),
// then the records, each a dword body length followed by the body (record.h).
// The records may lie in any order; the offsets say where each one is.
//
// Menu items (id bits 28-31 = 2, bits 24-27 = 6) use a layout of their own that
// nothing here interprets except its first dword, the item's handler offset:
// a menu-item body is that dword followed by opaque bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vantor::forms {

struct WindowRecord {
    // The stored window header's attributes A and B and texts A and B: read and
    // kept with the window (and written back); nothing in the program interprets them.
    uint32_t attr_a = 0;
    uint32_t attr_b = 0;
    std::string text_a;
    std::string text_b;
    uint32_t unit_count = 0;
    std::vector<uint8_t> units;    // live unit table, changed in place by property writes
    std::vector<uint8_t> snapshot; // copy of `units` while the window is loaded
    void* object = nullptr;        // the loaded window object, null while none
};

struct WindowTable {
    std::vector<uint32_t> ids; // ids[i] names windows[i]
    std::vector<WindowRecord> windows;
};

// Reads the archive. size 0 gives an empty table; a window id buffer of L bytes
// holds L / 8 windows. Every unit table is validated (arrays fit, each record
// inside the buffer, no two records overlapping, in whatever order they lie,
// every non-menu record long enough for all of its fields, every menu item at
// least 4 bytes), so the accessors below can rely on it.
// On failure returns false, leaves `out` untouched and, when `error` is given,
// stores a message naming the offset in the archive. Never throws.
bool read_window_table(const uint8_t* data, uint32_t size, WindowTable& out, std::string* error);

// Re-checks one window's unit table with the rules of read_window_table.
// `base` is added to the offsets named in the message.
bool check_unit_table(const WindowRecord& window, std::string* error, uint32_t base = 0);

// Converts every stored handler offset into an address: -1 becomes 0 (none),
// anything else code_base + offset (modulo 2^32). Covers every event binding of
// the non-menu units and the handler dword of each menu item. Run once, on a
// freshly read table.
void relocate_handlers(WindowTable& table, uint32_t code_base);

// ---- window lookups -----------------------------------------------------------
uint32_t window_count(const WindowTable& table);
// First window with `id`; null when absent. `index` (optional) receives its index.
WindowRecord* find_window(WindowTable& table, uint32_t id, uint32_t* index = nullptr);
const WindowRecord* find_window(const WindowTable& table, uint32_t id, uint32_t* index = nullptr);
WindowRecord* window_at(WindowTable& table, uint32_t index);
const WindowRecord* window_at(const WindowTable& table, uint32_t index);
// Id of the window whose object is `object`; false when none (or object is null).
bool window_id_of_object(const WindowTable& table, const void* object, uint32_t& id);

// ---- unit lookups (on a validated table) --------------------------------------
// Ids are accepted for lookup only with low 24 bits nonzero and bits 24-27 nonzero.
bool id_passes_check(uint32_t id);
bool is_menu_item_id(uint32_t id);

struct UnitView {
    const uint8_t* body; // valid until the unit table is next resized
    uint32_t size;
    uint32_t index;
};

std::optional<UnitView> unit_at(const WindowRecord& window, uint32_t index);
// By id: fails the id check or absent -> nullopt. The first id is compared
// directly, then the array is searched.
std::optional<UnitView> find_unit(const WindowRecord& window, uint32_t id);
// As find_unit, except that 0 addresses the window's own unit (the first).
std::optional<UnitView> find_unit_or_window(const WindowRecord& window, uint32_t id);
std::optional<uint32_t> unit_id_at(const WindowRecord& window, uint32_t index);
// Position of unit `index`'s body in window.units, and its length. The index
// must be below unit_count.
uint32_t unit_body_offset(const WindowRecord& window, uint32_t index);
uint32_t unit_body_size(const WindowRecord& window, uint32_t index);

} // namespace vantor::forms
