#include "forms/model.h"

#include <new>

#include "forms/archive.h"
#include "forms/record.h"
#include "forms/writer.h"
#include "runtime/value.h"

namespace vantor::forms {

namespace {

void encode_unit_body(Writer& w, const UnitDesc& u) {
    w.dwords(u.kind, u.event_source);
    w.dwords_of(u.reserved_a);
    w.z_text(u.name);
    w.z_text(u.remark);
    w.dwords(u.object_slot, u.left, u.top, u.width, u.height, u.cursor_slot, u.parent,
             uint32_t(u.children.size()));
    w.dwords_of(u.children);
    w.byte_buffer(u.mouse_pointer);
    w.z_text(u.tag);
    w.dwords(u.reserved_b, u.state, u.tab_order, uint32_t(u.events.size()));
    for (const EventBinding& e : u.events)
        w.dwords(e.event, e.handler);
    w.dwords_of(u.reserved_c);
    w.bytes(u.block.data(), u.block.size());
}

// The ids, the offsets and the records, each record's length dword patched
// once its body is written: one buffer for the whole table.
ByteVec encode_unit_table(const std::vector<UnitDesc>& units) {
    const auto n = uint32_t(units.size());
    ByteVec table;
    Writer w(table);
    for (const UnitDesc& u : units)
        w.dword(u.id);
    table.resize(8 * size_t(n)); // offsets, filled in below
    const size_t records_at = table.size();
    for (uint32_t i = 0; i < n; ++i) {
        const UnitDesc& u = units[i];
        const size_t at = table.size();
        write_u32(table.data() + 4 * (n + i), uint32_t(at - records_at));
        w.dword(0u); // body length
        if (is_menu_item_id(u.id))
            w.bytes(u.raw_body.data(), u.raw_body.size());
        else
            encode_unit_body(w, u);
        write_u32(table.data() + at, uint32_t(table.size() - at - 4));
    }
    return table;
}

UnitDesc decode_unit(uint32_t id, const RecordCursor& c) {
    UnitDesc u;
    u.id = id;
    u.kind = c.get(Field::Kind);
    u.event_source = c.get(Field::EventSource);
    for (uint32_t i = 0; i < 4; ++i)
        u.reserved_a[i] = c.reserved_a(i);
    u.name = c.name();
    u.remark = c.remark();
    u.object_slot = c.get(Field::ObjectSlot);
    u.left = c.get_signed(Field::Left);
    u.top = c.get_signed(Field::Top);
    u.width = c.get_signed(Field::Width);
    u.height = c.get_signed(Field::Height);
    u.cursor_slot = c.get(Field::CursorSlot);
    u.parent = c.get(Field::Parent);
    for (uint32_t i = 0; i < c.child_count(); ++i)
        u.children.push_back(c.child(i));
    auto pointer = c.mouse_pointer();
    u.mouse_pointer.assign(pointer.begin(), pointer.end());
    u.tag = c.tag();
    u.reserved_b = c.get(Field::ReservedB);
    u.state = c.get(Field::State);
    u.tab_order = c.get(Field::TabOrder);
    for (uint32_t i = 0; i < c.event_count(); ++i) {
        Binding b = c.event(i);
        u.events.push_back({b.event, int32_t(b.handler)});
    }
    for (uint32_t i = 0; i < 5; ++i)
        u.reserved_c[i] = c.reserved_c(i);
    auto block = c.block();
    u.block.assign(block.begin(), block.end());
    return u;
}

// The runtime tolerates gaps between records and bytes after the last window;
// the model cannot represent them, so a decode that must re-encode exactly
// rejects them. `at` tracks the archive offset of each window record.
bool check_exact(const WindowTable& t, uint32_t size, std::string* error) {
    auto fail = [&](const std::string& what, uint64_t at) {
        if (error)
            *error = what + " at offset " + std::to_string(at);
        return false;
    };
    uint64_t at = 4 + 8 * uint64_t(t.ids.size());
    for (size_t i = 0; i < t.windows.size(); ++i) {
        const WindowRecord& w = t.windows[i];
        at += 8 + 4 + w.text_a.size() + 4 + w.text_b.size() + 4 + 4;
        uint32_t expected = 0;
        for (uint32_t j = 0; j < w.unit_count; ++j) {
            const uint32_t offset_at = 4 * w.unit_count + 4 * j;
            if (read_u32(w.units.data() + offset_at) != expected) {
                return fail("window " + std::to_string(i) + " unit " + std::to_string(j) +
                                ": record does not follow the previous one",
                            at + offset_at);
            }
            expected += 4 + unit_body_size(w, j);
        }
        if (8 * uint64_t(w.unit_count) + expected != w.units.size()) {
            return fail("window " + std::to_string(i) + ": bytes after the last unit record",
                        at + 8 * uint64_t(w.unit_count) + expected);
        }
        at += w.units.size();
    }
    if (size > 0 && at != size)
        return fail("bytes after the last window", at);
    return true;
}

bool decode_table(const WindowTable& table, const uint8_t* data, size_t size, ArchiveModel& out,
                  std::string* error, DecodeLayout layout) {
    const bool exact = layout == DecodeLayout::Exact;
    // The runtime reads length / 8 windows; the model has no place for the rest.
    if (exact && size >= 4 && read_u32(data) % 8 != 0) {
        if (error) {
            *error = "window id table of " + std::to_string(read_u32(data)) +
                     " bytes is not a multiple of 8 at offset 0";
        }
        return false;
    }
    if (exact && !check_exact(table, uint32_t(size), error))
        return false;
    ArchiveModel model;
    model.windows.reserve(table.windows.size());
    for (size_t i = 0; i < table.windows.size(); ++i) {
        const WindowRecord& w = table.windows[i];
        WindowDesc d;
        d.id = table.ids[i];
        d.attr_a = w.attr_a;
        d.attr_b = w.attr_b;
        d.text_a = w.text_a;
        d.text_b = w.text_b;
        d.units.reserve(w.unit_count);
        for (uint32_t j = 0; j < w.unit_count; ++j) {
            const uint32_t id = *unit_id_at(w, j);
            if (is_menu_item_id(id)) { // kept opaque
                UnitDesc u;
                u.id = id;
                const UnitView view = *unit_at(w, j);
                u.raw_body.assign(view.body, view.body + view.size);
                d.units.push_back(std::move(u));
                continue;
            }
            RecordCursor cursor;
            if (!open_unit(w, j, cursor))
                return false; // cannot happen: validated on read
            d.units.push_back(decode_unit(id, cursor));
        }
        model.windows.push_back(std::move(d));
    }
    out = std::move(model);
    return true;
}

} // namespace

ByteVec encode_archive(const ArchiveModel& model) {
    ByteVec out;
    Writer w(out);
    const auto n = uint32_t(model.windows.size());
    w.dword(8 * n);
    for (const WindowDesc& d : model.windows)
        w.dword(d.id);
    for (uint32_t i = 0; i < n; ++i)
        w.dword(0u);
    for (const WindowDesc& d : model.windows) {
        w.dword(d.attr_a);
        w.dword(d.attr_b);
        w.counted_text(d.text_a);
        w.counted_text(d.text_b);
        w.dword(uint32_t(d.units.size()));
        w.byte_buffer(encode_unit_table(d.units));
    }
    return out;
}

bool decode_archive(const uint8_t* data, size_t size, ArchiveModel& out, std::string* error,
                    DecodeLayout layout) {
    if (size > 0xFFFFFFFFu) {
        if (error)
            *error = "archive larger than 4 GB";
        return false;
    }
    WindowTable table; // read_window_table reports running out of memory itself
    return read_window_table(data, uint32_t(size), table, error) &&
           decode_archive(table, data, size, out, error, layout);
}

bool decode_archive(const WindowTable& table, const uint8_t* data, size_t size, ArchiveModel& out,
                    std::string* error, DecodeLayout layout) {
    try {
        return decode_table(table, data, size, out, error, layout);
    } catch (const std::bad_alloc&) {
        if (error)
            *error = "out of memory decoding the archive";
        return false;
    }
}

} // namespace vantor::forms
