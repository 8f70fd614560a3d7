#include "forms/record.h"

#include <cstring>
#include <new>

#include "runtime/value.h"

namespace vantor::forms {

namespace {

// Bounds-checked walk over one body; every step goes through need().
struct Walk {
    const uint8_t* body;
    uint32_t size;
    uint32_t pos = 0;
    std::string* error;

    bool need(uint32_t n, const char* field) {
        if (n > size - pos) {
            if (error) {
                *error = std::string("record too short for the ") + field + " at body position " +
                         std::to_string(pos);
            }
            return false;
        }
        pos += n;
        return true;
    }
    bool dword(uint32_t& out, const char* field) {
        if (!need(4, field))
            return false;
        out = read_u32(body + pos - 4);
        return true;
    }
    bool z_text(uint32_t& at, uint32_t& len, const char* field) {
        at = pos;
        const void* end = size > pos ? std::memchr(body + pos, 0, size - pos) : nullptr;
        if (!end)
            return need(size - pos + 1, field); // fails, naming the field
        len = uint32_t(static_cast<const uint8_t*>(end) - (body + pos));
        return need(len + 1, field);
    }
    // count items of `item` bytes each (count * item may not fit 32 bits).
    bool items(uint32_t count, uint32_t item, const char* field) {
        if (count > (size - pos) / item)
            return need(size - pos + 1, field);
        return need(count * item, field);
    }
};

bool open_mutable(WindowRecord& w, uint32_t index, RecordCursor& cursor, uint32_t& body) {
    auto id = unit_id_at(w, index);
    if (!id || is_menu_item_id(*id))
        return false;
    body = unit_body_offset(w, index);
    return cursor.open(w.units.data() + body, unit_body_size(w, index));
}

} // namespace

bool RecordCursor::open(const uint8_t* body, uint32_t size, std::string* error) {
    body_ = body;
    layout_ = RecordLayout{};
    layout_.size = size;
    RecordLayout& l = layout_;
    Walk w{body, size, 0, error};
    if (!w.need(24, "kind, event source and reserved dwords") ||
        !w.z_text(l.name, l.name_len, "name") || !w.z_text(l.remark, l.remark_len, "remark")) {
        return false;
    }
    l.object_slot = w.pos;
    if (!w.need(28, "object slot, geometry, cursor slot and parent"))
        return false;
    if (!w.dword(l.child_count, "child count"))
        return false;
    l.children = w.pos;
    if (!w.items(l.child_count, 4, "child list"))
        return false;
    l.mouse_pointer = w.pos;
    if (!w.dword(l.mouse_pointer_len, "mouse pointer length") ||
        !w.items(l.mouse_pointer_len, 1, "mouse pointer data") ||
        !w.z_text(l.tag, l.tag_len, "tag")) {
        return false;
    }
    l.reserved_b = w.pos;
    if (!w.need(12, "state and tab order") || !w.dword(l.event_count, "event binding count")) {
        return false;
    }
    l.events = w.pos;
    if (!w.items(l.event_count, 8, "event bindings"))
        return false;
    l.reserved_c = w.pos;
    if (!w.need(20, "reserved dwords"))
        return false;
    l.block = w.pos;
    return true;
}

uint32_t RecordCursor::u32(uint32_t pos) const {
    return read_u32(body_ + pos);
}

// The fields stand in three runs of dwords, in the order of Field: Kind and
// EventSource at the body's start, ObjectSlot to Parent from the object slot,
// ReservedB to TabOrder from reserved_b.
uint32_t RecordCursor::field_pos(Field field) const {
    auto dwords_from = [field](Field first) { return 4 * (uint32_t(field) - uint32_t(first)); };
    if (field >= Field::ReservedB)
        return layout_.reserved_b + dwords_from(Field::ReservedB);
    if (field >= Field::ObjectSlot)
        return layout_.object_slot + dwords_from(Field::ObjectSlot);
    return dwords_from(Field::Kind);
}

uint32_t RecordCursor::get(Field field) const {
    return u32(field_pos(field));
}
uint32_t RecordCursor::reserved_a(uint32_t i) const {
    return u32(8 + 4 * i);
}
uint32_t RecordCursor::reserved_c(uint32_t i) const {
    return u32(layout_.reserved_c + 4 * i);
}
uint32_t RecordCursor::child(uint32_t i) const {
    return u32(layout_.children + 4 * i);
}

std::span<const uint8_t> RecordCursor::mouse_pointer() const {
    return {body_ + layout_.mouse_pointer + 4, layout_.mouse_pointer_len};
}

std::span<const uint8_t> RecordCursor::block() const {
    return {body_ + layout_.block, layout_.size - layout_.block};
}

Binding RecordCursor::event(uint32_t i) const {
    return {int32_t(u32(event_pos(i))), u32(event_pos(i) + 4)};
}

bool RecordCursor::find_binding(int32_t event_number, uint32_t& handler) const {
    for (uint32_t i = 0; i < layout_.event_count; ++i) {
        Binding b = event(i);
        if (b.event == event_number) {
            handler = b.handler;
            return true;
        }
    }
    return false;
}

bool open_unit(const WindowRecord& window, uint32_t index, RecordCursor& cursor) {
    auto id = unit_id_at(window, index);
    if (!id || is_menu_item_id(*id))
        return false;
    return cursor.open(window.units.data() + unit_body_offset(window, index),
                       unit_body_size(window, index));
}

bool set_field(WindowRecord& window, uint32_t index, Field field, uint32_t value) {
    RecordCursor cursor;
    uint32_t body;
    if (!open_mutable(window, index, cursor, body))
        return false;
    write_u32(window.units.data() + body + cursor.field_pos(field), value);
    return true;
}

bool replace_record_bytes(WindowRecord& w, uint32_t index, uint32_t pos, uint32_t old_len,
                          const uint8_t* bytes, uint32_t new_len) {
    if (index >= w.unit_count)
        return false;
    const uint32_t body = unit_body_offset(w, index);
    const uint32_t size = unit_body_size(w, index);
    if (pos > size || old_len > size - pos)
        return false;
    const uint64_t table_size = uint64_t(w.units.size()) - old_len + new_len;
    if (table_size > 0xFFFFFFFFu)
        return false;
    try {
        // Copy first: `bytes` may point into the table, and reserving up front
        // means the splice below cannot fail half-way.
        std::vector<uint8_t> insert(bytes, bytes + new_len);
        w.units.reserve(size_t(table_size));
        auto at = w.units.begin() + (body + pos);
        at = w.units.erase(at, at + old_len);
        w.units.insert(at, insert.begin(), insert.end());
    } catch (const std::bad_alloc&) {
        return false;
    }
    const uint32_t delta = new_len - old_len; // modulo 2^32: adding it moves either way
    uint8_t* units = w.units.data();
    write_u32(units + body - 4, size + delta);
    // Records never overlap, so those with a higher offset lie wholly after this
    // one, whatever their index; they alone moved.
    const uint32_t own_offset = body - 4 - 8 * w.unit_count;
    for (uint32_t k = 0; k < w.unit_count; ++k) {
        uint8_t* slot = units + 4 * w.unit_count + 4 * k;
        if (read_u32(slot) > own_offset)
            write_u32(slot, read_u32(slot) + delta);
    }
    return true;
}

bool set_tag(WindowRecord& window, uint32_t index, std::string_view text) {
    RecordCursor cursor;
    uint32_t body;
    if (!open_mutable(window, index, cursor, body))
        return false;
    text = text.substr(0, text.find('\0'));
    return replace_record_bytes(window, index, cursor.layout().tag, cursor.layout().tag_len,
                                reinterpret_cast<const uint8_t*>(text.data()),
                                uint32_t(text.size()));
}

bool set_mouse_pointer(WindowRecord& window, uint32_t index, const uint8_t* data, uint32_t size) {
    RecordCursor cursor;
    uint32_t body;
    if (!open_mutable(window, index, cursor, body) || size > 0xFFFFFFFBu)
        return false;
    std::vector<uint8_t> stored;
    try {
        stored.resize(4 + size_t(size));
    } catch (const std::bad_alloc&) {
        return false;
    }
    write_u32(stored.data(), size);
    if (size)
        std::memcpy(stored.data() + 4, data, size);
    const RecordLayout& l = cursor.layout();
    return replace_record_bytes(window, index, l.mouse_pointer, 4 + l.mouse_pointer_len,
                                stored.data(), uint32_t(stored.size()));
}

bool take_snapshot(WindowRecord& window) {
    try {
        window.snapshot = window.units;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void restore_snapshot(WindowRecord& window) {
    if (window.snapshot.empty())
        return;
    window.units.swap(window.snapshot);
    std::vector<uint8_t>().swap(window.snapshot);
}

} // namespace vantor::forms
