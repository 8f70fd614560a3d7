// The record cursor: the one place that knows where each field of a unit record
// body lies. Positions after the two z-texts depend on the name, the remark, the
// child list and the mouse pointer buffer, so they are found by one walk.
//
// Body layout (dwords unless stated):
//   kind, event source, 4 reserved, name (z-text), remark (z-text),
//   object slot, left, top, width, height, cursor slot, parent,
//   child count H, H child ids, mouse pointer (byte buffer), tag (z-text),
//   reserved, state, tab order, binding count E, E (event, handler) pairs,
//   5 reserved, kind-specific block (rest of the body)
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "forms/archive.h"

namespace vantor::forms {

// The fixed-size scalars a caller may read or write by name, in body order:
// each run of consecutive dwords is consecutive here (field_pos relies on it).
enum class Field : uint8_t {
    Kind,
    EventSource,
    ObjectSlot,
    Left,
    Top,
    Width,
    Height,
    CursorSlot,
    Parent,
    ReservedB,
    State,
    TabOrder,
};

namespace state_bit {
inline constexpr uint32_t Visible = 1u << 0;
inline constexpr uint32_t Disabled = 1u << 1;
inline constexpr uint32_t TabStop = 1u << 2;
} // namespace state_bit

struct Binding {
    int32_t event;
    uint32_t handler; // stored offset (-1 none) before relocation, address (0 none) after
};

// Byte positions inside one body, as found by RecordCursor::open.
struct RecordLayout {
    uint32_t size = 0; // body length
    uint32_t name = 0, name_len = 0;
    uint32_t remark = 0, remark_len = 0;
    uint32_t object_slot = 0; // left, top, width, height, cursor slot, parent,
                              // child count follow at 4-byte steps
    uint32_t child_count = 0;
    uint32_t children = 0;
    uint32_t mouse_pointer = 0; // the buffer's length dword
    uint32_t mouse_pointer_len = 0;
    uint32_t tag = 0, tag_len = 0; // tag_len excludes the 0 byte
    uint32_t reserved_b = 0;       // state, tab order, binding count follow
    uint32_t event_count = 0;
    uint32_t events = 0;
    uint32_t reserved_c = 0;
    uint32_t block = 0; // block length is size - block
};

class RecordCursor {
  public:
    // Smallest body: every field present, texts and lists empty.
    static constexpr uint32_t kMinBodySize = 6 * 4 + 2 + 8 * 4 + 4 + 1 + 4 * 4 + 5 * 4;

    RecordCursor() = default;
    // Walks a non-menu body. False when a field does not fit; `error` then names
    // the field and its position in the body.
    bool open(const uint8_t* body, uint32_t size, std::string* error = nullptr);

    const RecordLayout& layout() const { return layout_; }
    uint32_t field_pos(Field field) const;
    uint32_t get(Field field) const;
    int32_t get_signed(Field field) const { return int32_t(get(field)); }
    uint32_t reserved_a(uint32_t i) const; // i < 4
    uint32_t reserved_c(uint32_t i) const; // i < 5

    std::string_view name() const { return text(layout_.name, layout_.name_len); }
    std::string_view remark() const { return text(layout_.remark, layout_.remark_len); }
    std::string_view tag() const { return text(layout_.tag, layout_.tag_len); }

    uint32_t child_count() const { return layout_.child_count; }
    uint32_t child(uint32_t i) const; // i < child_count()

    std::span<const uint8_t> mouse_pointer() const;
    std::span<const uint8_t> block() const;

    uint32_t event_count() const { return layout_.event_count; }
    Binding event(uint32_t i) const; // i < event_count()
    uint32_t event_pos(uint32_t i) const { return layout_.events + 8 * i; }
    // First binding for `event_number`; false when there is none.
    bool find_binding(int32_t event_number, uint32_t& handler) const;

  private:
    std::string_view text(uint32_t pos, uint32_t len) const {
        return {reinterpret_cast<const char*>(body_ + pos), len};
    }
    uint32_t u32(uint32_t pos) const;

    const uint8_t* body_ = nullptr;
    RecordLayout layout_;
};

// Opens unit `index` of a validated window; false for a menu item or a bad index.
bool open_unit(const WindowRecord& window, uint32_t index, RecordCursor& cursor);

// ---- writes into the live unit table ------------------------------------------
// All return false (and change nothing) for a bad index or a menu item.
bool set_field(WindowRecord& window, uint32_t index, Field field, uint32_t value);

// In-place update: replaces body bytes [pos, pos + old_len) of unit `index` with
// `new_len` bytes; the record's length dword and the offsets of every record
// lying after it in the table (by position, not by index) move by the
// difference. Works on any unit, menu items
// included; the caller keeps the body well-formed. False when the range is not
// inside the body or the table would exceed 4 GB. Invalidates body pointers.
bool replace_record_bytes(WindowRecord& window, uint32_t index, uint32_t pos, uint32_t old_len,
                          const uint8_t* bytes, uint32_t new_len);

// The tag text (cut at a 0 byte, which the stored z-text cannot hold).
bool set_tag(WindowRecord& window, uint32_t index, std::string_view text);
// The mouse pointer buffer, stored as given (no cursor-number conversion).
bool set_mouse_pointer(WindowRecord& window, uint32_t index, const uint8_t* data, uint32_t size);

// Loading copies the live table aside; destroying the window puts it back so the
// next load starts from the same description. Restore without a snapshot does
// nothing. take_snapshot fails (false, nothing changed) only when out of memory.
bool take_snapshot(WindowRecord& window);
void restore_snapshot(WindowRecord& window);

} // namespace vantor::forms
