#include "forms/archive.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <utility>

#include "forms/reader.h"
#include "forms/record.h"
#include "runtime/value.h"

namespace vantor::forms {

namespace {

std::string hex(uint32_t v) {
    char text[12];
    std::snprintf(text, sizeof text, "0x%08x", unsigned(v));
    return text;
}

bool set_error(std::string* error, std::string message) {
    if (error)
        *error = std::move(message);
    return false;
}

uint32_t table_dword(const WindowRecord& w, uint32_t pos) {
    return read_u32(w.units.data() + pos);
}

// Offset of record j (its length dword) in the unit table.
uint32_t record_pos(const WindowRecord& w, uint32_t j) {
    return 8 * w.unit_count + table_dword(w, 4 * w.unit_count + 4 * j);
}

uint32_t relocate(uint32_t offset, uint32_t code_base) {
    return offset == 0xFFFFFFFFu ? 0 : code_base + offset;
}

// Each record inside the buffer and long enough for its fields; then, sorted by
// position, no record may overlap the next one. Records may lie in any order
// (the offsets say where): in-place updates shift the records that lie after
// the changed one, which keeps them apart.
bool check_records(const WindowRecord& w, std::string* error, uint32_t base) {
    auto fail = [&](const std::string& what, uint32_t at) {
        return set_error(error, what + " at offset " + std::to_string(uint64_t(base) + at));
    };
    auto fail_unit = [&](uint32_t j, const std::string& what, uint32_t at) {
        return fail(
            "unit " + std::to_string(j) + " (id " + hex(table_dword(w, 4 * j)) + "): " + what, at);
    };
    const auto len = uint32_t(w.units.size());
    const uint32_t count = w.unit_count;
    if (count > len / 8) {
        return fail("unit count " + std::to_string(count) + " does not fit a unit table of " +
                        std::to_string(len) + " bytes",
                    0);
    }
    const uint32_t head = 8 * count;
    struct Span {
        uint32_t start, end, unit;
    };
    std::vector<Span> spans;
    spans.reserve(count);
    for (uint32_t j = 0; j < count; ++j) {
        const uint32_t offset_at = 4 * count + 4 * j;
        const uint32_t offset = table_dword(w, offset_at);
        if (offset > len - head || len - head - offset < 4) {
            return fail_unit(j, "record offset " + std::to_string(offset) + " out of range",
                             offset_at);
        }
        const uint32_t rec = head + offset;
        const uint32_t body_len = table_dword(w, rec);
        if (body_len > len - rec - 4) {
            return fail_unit(
                j, "record length " + std::to_string(body_len) + " exceeds the unit table", rec);
        }
        const uint32_t body = rec + 4;
        if (is_menu_item_id(table_dword(w, 4 * j))) {
            if (body_len < 4)
                return fail_unit(j, "menu item shorter than its handler offset", rec);
        } else {
            RecordCursor cursor;
            std::string why;
            if (!cursor.open(w.units.data() + body, body_len, &why)) {
                return fail_unit(j, why + ", record body", body);
            }
        }
        spans.push_back({rec, body + body_len, j});
    }
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) {
        return a.start != b.start ? a.start < b.start : a.unit < b.unit;
    });
    for (size_t k = 1; k < spans.size(); ++k) {
        if (spans[k].start < spans[k - 1].end) {
            const uint32_t j = spans[k].unit;
            return fail_unit(
                j, "record overlaps the record of unit " + std::to_string(spans[k - 1].unit),
                4 * count + 4 * j);
        }
    }
    return true;
}

bool read_window(Reader& r, WindowRecord& w, std::string* error) {
    if (!r.dword(w.attr_a) || !r.dword(w.attr_b) || !r.counted_text(w.text_a) ||
        !r.counted_text(w.text_b) || !r.dword(w.unit_count)) {
        return set_error(error, r.error());
    }
    uint32_t table_at = r.offset() + 4;
    if (!r.byte_buffer(w.units))
        return set_error(error, r.error());
    return check_unit_table(w, error, table_at);
}

bool read_table(const uint8_t* data, uint32_t size, WindowTable& out, std::string* error) {
    WindowTable table;
    if (size > 0) {
        Reader r(data, size);
        std::vector<uint8_t> head;
        if (!r.byte_buffer(head))
            return set_error(error, r.error());
        // n ids, then n object slots; bytes beyond 8 x n belong to neither.
        auto n = uint32_t(head.size() / 8);
        table.ids.resize(n);
        for (uint32_t i = 0; i < n; ++i)
            table.ids[i] = read_u32(head.data() + 4 * i);
        table.windows.reserve(n);
        for (uint32_t i = 0; i < n; ++i) {
            WindowRecord w;
            if (!read_window(r, w, error))
                return false;
            table.windows.push_back(std::move(w));
        }
    }
    out = std::move(table);
    return true;
}

} // namespace

bool read_window_table(const uint8_t* data, uint32_t size, WindowTable& out, std::string* error) {
    try {
        return read_table(data, size, out, error);
    } catch (const std::bad_alloc&) {
        return set_error(error, "out of memory reading the window table");
    }
}

bool check_unit_table(const WindowRecord& w, std::string* error, uint32_t base) {
    try {
        return check_records(w, error, base);
    } catch (const std::bad_alloc&) {
        return set_error(error, "out of memory checking a unit table");
    }
}

void relocate_handlers(WindowTable& table, uint32_t code_base) {
    for (WindowRecord& w : table.windows) {
        for (uint32_t j = 0; j < w.unit_count; ++j) {
            const uint32_t body = unit_body_offset(w, j);
            uint8_t* p = w.units.data() + body;
            if (is_menu_item_id(table_dword(w, 4 * j))) {
                write_u32(p, relocate(read_u32(p), code_base));
                continue;
            }
            RecordCursor cursor;
            if (!cursor.open(p, unit_body_size(w, j)))
                continue; // validated on read
            for (uint32_t i = 0; i < cursor.event_count(); ++i) {
                uint8_t* handler = p + cursor.event_pos(i) + 4;
                write_u32(handler, relocate(read_u32(handler), code_base));
            }
        }
    }
}

uint32_t window_count(const WindowTable& table) {
    return uint32_t(table.windows.size());
}

const WindowRecord* find_window(const WindowTable& table, uint32_t id, uint32_t* index) {
    const auto n = uint32_t(std::min(table.ids.size(), table.windows.size()));
    for (uint32_t i = 0; i < n; ++i) {
        if (table.ids[i] == id) {
            if (index)
                *index = i;
            return &table.windows[i];
        }
    }
    return nullptr;
}

WindowRecord* find_window(WindowTable& table, uint32_t id, uint32_t* index) {
    return const_cast<WindowRecord*>(find_window(std::as_const(table), id, index));
}

const WindowRecord* window_at(const WindowTable& table, uint32_t index) {
    return index < table.windows.size() ? &table.windows[index] : nullptr;
}

WindowRecord* window_at(WindowTable& table, uint32_t index) {
    return index < table.windows.size() ? &table.windows[index] : nullptr;
}

bool window_id_of_object(const WindowTable& table, const void* object, uint32_t& id) {
    if (!object)
        return false;
    for (size_t i = 0; i < table.windows.size() && i < table.ids.size(); ++i) {
        if (table.windows[i].object == object) {
            id = table.ids[i];
            return true;
        }
    }
    return false;
}

// An id: a number in the low 24 bits, a sort in bits 24-27 and a group in
// bits 28-31.
namespace {
constexpr uint32_t kIdNumberMask = 0x00FFFFFFu;
constexpr uint32_t id_sort(uint32_t id) {
    return (id >> 24) & 0xF;
}
constexpr uint32_t id_group(uint32_t id) {
    return id >> 28;
}
constexpr uint32_t kMenuItemSort = 6;
constexpr uint32_t kMenuItemGroup = 2;
} // namespace

bool id_passes_check(uint32_t id) {
    return (id & kIdNumberMask) != 0 && id_sort(id) != 0;
}

bool is_menu_item_id(uint32_t id) {
    return id_group(id) == kMenuItemGroup && id_sort(id) == kMenuItemSort;
}

uint32_t unit_body_offset(const WindowRecord& w, uint32_t index) {
    return record_pos(w, index) + 4;
}

uint32_t unit_body_size(const WindowRecord& w, uint32_t index) {
    return table_dword(w, record_pos(w, index));
}

std::optional<UnitView> unit_at(const WindowRecord& w, uint32_t index) {
    if (index >= w.unit_count)
        return std::nullopt;
    return UnitView{w.units.data() + unit_body_offset(w, index), unit_body_size(w, index), index};
}

std::optional<UnitView> find_unit(const WindowRecord& w, uint32_t id) {
    if (!id_passes_check(id) || w.unit_count == 0)
        return std::nullopt;
    // The window's own unit is asked for most often: compare it before searching.
    if (table_dword(w, 0) == id)
        return unit_at(w, 0);
    for (uint32_t j = 1; j < w.unit_count; ++j) {
        if (table_dword(w, 4 * j) == id)
            return unit_at(w, j);
    }
    return std::nullopt;
}

std::optional<UnitView> find_unit_or_window(const WindowRecord& w, uint32_t id) {
    return id == 0 ? unit_at(w, 0) : find_unit(w, id);
}

std::optional<uint32_t> unit_id_at(const WindowRecord& w, uint32_t index) {
    if (index >= w.unit_count)
        return std::nullopt;
    return table_dword(w, 4 * index);
}

} // namespace vantor::forms
