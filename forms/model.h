// A decoded form archive as plain data: what the form compiler builds from form
// source and the dump tool prints. The runtime does not use this model; it works
// on the stored bytes in place (archive.h, record.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "forms/blocks.h"
#include "runtime/window_table.h"

namespace vantor::forms {

struct EventBinding {
    int32_t event;
    int32_t handler; // offset from the code base as stored; -1 = none

    friend bool operator==(const EventBinding&, const EventBinding&) = default;
};

struct UnitDesc {
    uint32_t id = 0;
    // Menu items (id bits 28-31 = 2, bits 24-27 = 6) have their own layout:
    // only `id` and `raw_body` are meaningful for them. raw_body starts with the
    // item's handler offset dword (relocated like event bindings); the rest is
    // opaque. Empty for every other unit.
    ByteVec raw_body;

    uint32_t kind = 0;
    uint32_t event_source = 0;
    uint32_t reserved_a[4] = {0, 0, 0, 0};
    std::string name;
    std::string remark;
    uint32_t object_slot = 0;
    int32_t left = 0, top = 0, width = 0, height = 0;
    uint32_t cursor_slot = 0;
    uint32_t parent = 0;
    std::vector<uint32_t> children;
    ByteVec mouse_pointer;
    std::string tag;
    uint32_t reserved_b = 0;
    uint32_t state = 0; // bit 0 visible, bit 1 disabled, bit 2 tab stop
    uint32_t tab_order = 0;
    std::vector<EventBinding> events;
    uint32_t reserved_c[5] = {0, 0, 0, 0, 0};
    ByteVec block; // kind-specific property block, may be empty

    friend bool operator==(const UnitDesc&, const UnitDesc&) = default;
};

struct WindowDesc {
    uint32_t id = 0;
    // Attributes A and B, texts A and B: kept as stored, not interpreted.
    uint32_t attr_a = 0;
    uint32_t attr_b = 0;
    std::string text_a;
    std::string text_b;
    std::vector<UnitDesc> units; // units[0] is the window's own unit

    friend bool operator==(const WindowDesc&, const WindowDesc&) = default;
};

struct ArchiveModel {
    std::vector<WindowDesc> windows;

    friend bool operator==(const ArchiveModel&, const ArchiveModel&) = default;
};

bool is_menu_item_id(uint32_t id);

// Encodes the archive byte for byte as stored in the program image: records
// contiguous in stored order, window object slots 0. Name, remark and tag are
// cut at a 0 byte (z-texts cannot hold one). Menu items need a raw_body of at
// least 4 bytes, or the result will not read back.
ByteVec encode_archive(const ArchiveModel& model);
// Decodes an archive; false (with a message naming the offset) on any damage.
// Stricter than the runtime's read_window_table: records must be contiguous in
// stored order, the window id buffer 8 bytes per window and nothing may follow
// the last window, so that for every valid
// non-empty archive x, encode_archive(decode(x)) == x apart from the window
// object slots (always written as 0). Size 0 gives an empty model.
// With `as_read`, every archive that the runtime reads decodes (records in any
// order, gaps, extra bytes), and encoding the model gives its stored layout:
// what the dump tool prints.
enum class DecodeLayout { Exact, AsRead };
bool decode_archive(const uint8_t* data, size_t size, ArchiveModel& out, std::string* error,
                    DecodeLayout layout = DecodeLayout::Exact);
// The same from `table`, which read_window_table read from `data` (and which has
// not been changed since).
bool decode_archive(const WindowTable& table, const uint8_t* data, size_t size, ArchiveModel& out,
                    std::string* error, DecodeLayout layout = DecodeLayout::Exact);

} // namespace vantor::forms
