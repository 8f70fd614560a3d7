// One libFuzzer target over everything that reads stored form data: the reader's
// primitives, the runtime's window table with its lookups, the record cursor on
// every unit, the in-place updates, the mouse pointer decoder and conversions,
// the five block codecs (the model codec has a target of its own, fuzz_model).
// Besides the sanitizers it checks what each of them promises and aborts when a
// promise is broken:
//   - a z-text read stops at the first 0 byte and gives the bytes before it;
//   - a window or unit found by id or by index is the one with that id, and its
//     record lies inside its unit table; a binding found is the first for its
//     event;
//   - an in-place update reads back as written, leaves every other record's
//     bytes alone and moves the offsets of the records stored after it by the
//     size difference; the table stays valid and the snapshot restores it;
//   - a block that reads writes back as a prefix of its bytes and reads back
//     equal (the whole input as a block of each kind, and the picked unit's block);
// The window attributes and texts, which nothing interprets, pick the unit whose
// block is checked and which is updated, and give the tag, pointer, field value
// and block bytes written, so the fuzzer varies them without breaking the archive.
#include <algorithm>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "forms/archive.h"
#include "forms/blocks.h"
#include "forms/kind_table.h"
#include "forms/mouse_pointer.h"
#include "forms/reader.h"
#include "forms/record.h"
#include "tests/fuzz/promise.h"

using namespace vantor::forms;

// Recording allocation stacks costs a quarter of each run, and a large
// quarantine a page fault per allocation; a finding is re-run with
// ASAN_OPTIONS=malloc_context_size=30 to see where its memory came from.
extern "C" const char* __asan_default_options() {
    return "malloc_context_size=0:quarantine_size_mb=16";
}

namespace {

using Bytes = std::span<const uint8_t>;

bool inside(Bytes part, Bytes whole) {
    return part.data() >= whole.data() && part.size() <= whole.size() &&
           size_t(part.data() - whole.data()) <= whole.size() - part.size();
}

template <class P> void check_block(Bytes block) {
    P props;
    if (!read_block(block.data(), block.size(), props))
        return;
    const ByteVec written = write_block(props);
    if (block.empty())
        return; // empty = defaults; the writer never writes an empty block
    require(written.size() <= block.size() &&
                std::memcmp(written.data(), block.data(), written.size()) == 0,
            "read then write reproduces the block");
    P again;
    require(read_block(written.data(), written.size(), again) && again == props,
            "a written block reads back equal");
}

struct KindCodec {
    uint32_t kind;
    void (*check)(Bytes);
};
constexpr KindCodec kCodecs[] = {{kind::Window, check_block<WindowProps>},
                                 {kind::EditBox, check_block<EditBoxProps>},
                                 {kind::Button, check_block<ButtonProps>},
                                 {kind::CommonDlg, check_block<CommonDlgProps>},
                                 {kind::TransLabel, check_block<TransLabelProps>}};

void check_block_of_kind(uint32_t kind, Bytes block) {
    for (const KindCodec& c : kCodecs)
        if (c.kind == kind)
            c.check(block);
}

// Successive z-texts of the input: each ends at the next 0 byte; the last read
// fails exactly when no 0 byte is left.
void check_z_texts(Bytes data) {
    constexpr size_t kLimit = 16; // read byte by byte: a few texts reach every branch
    data = data.first(std::min(data.size(), kLimit));
    Reader r(data.data(), uint32_t(data.size()));
    uint8_t head[4];
    require(r.bytes(head, 4) == (data.size() >= 4), "raw bytes read while there are enough");
    if (r.failed())
        return;
    require(std::memcmp(head, data.data(), 4) == 0, "raw bytes are the input's");
    std::string text;
    for (uint32_t start = 4; r.z_text(text); start = r.offset()) {
        require(r.offset() == start + text.size() + 1 && data[start + text.size()] == 0 &&
                    std::memcmp(text.data(), data.data() + start, text.size()) == 0,
                "a z-text is the bytes before the next 0");
    }
    require(!r.error().empty() &&
                std::memchr(data.data() + r.offset(), 0, r.remaining()) == nullptr,
            "a z-text read fails only without a 0 byte");
}

// Decoding stays inside the bytes; the id and number conversions undo each other.
void check_pointer(Bytes pointer) {
    const MousePointer p = decode_mouse_pointer(pointer.data(), uint32_t(pointer.size()));
    require(p.image.empty() || inside(p.image, pointer), "a cursor image lies inside its data");
    require(p.kind != PointerKind::Standard || cursor_system_id(p.number) == p.system_id,
            "a standard cursor has its system id");
    // Shorter data is left alone: the conversions act on a whole first dword.
    const auto n = uint32_t(std::min<size_t>(pointer.size(), 4));
    uint8_t copy[4] = {};
    std::memcpy(copy, pointer.data(), n);
    uint32_t first;
    std::memcpy(&first, copy, 4);
    pointer_ids_to_numbers(copy, n);
    if (uint32_t number = n == 4 ? cursor_number_of(first) : 0) {
        require(cursor_system_id(number) == first && std::memcmp(copy, &number, 4) == 0,
                "a system id converts to its number");
        pointer_numbers_to_ids(copy, n);
    }
    require(std::memcmp(copy, &first, 4) == 0, "ids convert to numbers and back, others stay");
    pointer_numbers_to_ids(copy, n);
    const uint32_t id = n == 4 ? cursor_system_id(first) : 0;
    require(std::memcmp(copy, id ? &id : &first, 4) == 0, "numbers convert to ids, others stay");
}

Bytes units_of(const WindowRecord& w) {
    return {w.units.data(), w.units.size()};
}

void check_view(const WindowRecord& w, const std::optional<UnitView>& v, uint32_t index) {
    require(v && v->index == index && v->body == w.units.data() + unit_body_offset(w, index) &&
                v->size == unit_body_size(w, index) &&
                inside({v->body, v->size}, units_of(w).subspan(8 * w.unit_count)),
            "a unit found lies inside its unit table");
}

// Every binding is found by its event number unless an earlier one has it.
void check_bindings(const RecordCursor& c, int32_t probe) {
    constexpr uint32_t kChecked = 64; // the search for the first is quadratic
    for (uint32_t i = 0; i < c.event_count() && i < kChecked; ++i) {
        const Binding b = c.event(i);
        uint32_t handler = 0;
        require(c.find_binding(b.event, handler), "a stored binding is found");
        uint32_t first = 0;
        while (c.event(first).event != b.event)
            ++first;
        require(handler == c.event(first).handler, "the first binding of an event wins");
    }
    uint32_t handler = 0;
    bool stored = false;
    for (uint32_t i = 0; i < c.event_count(); ++i)
        stored = stored || c.event(i).event == probe;
    require(c.find_binding(probe, handler) == stored, "only stored events have bindings");
}

void walk_units(const WindowRecord& w) {
    for (uint32_t j = 0; j < w.unit_count; ++j) {
        const uint32_t id = unit_id_at(w, j).value();
        check_view(w, unit_at(w, j), j);
        auto by_id = find_unit(w, id);
        require(!id_passes_check(id) ||
                    (by_id && by_id->index <= j && unit_id_at(w, by_id->index).value() == id),
                "a unit is found by its id");
        if (by_id)
            check_view(w, by_id, by_id->index);
        if (is_menu_item_id(id))
            continue;
        RecordCursor c;
        require(open_unit(w, j, c), "a validated unit opens");
        volatile uint32_t sink = c.get(Field::Kind) ^ c.get(Field::TabOrder);
        for (uint32_t i = 0; i < c.child_count(); ++i)
            sink = sink ^ c.child(i);
        sink = sink ^ uint32_t(c.name().size() + c.remark().size() + c.tag().size());
        check_bindings(c, int32_t(w.attr_b));
        check_pointer(c.mouse_pointer());
        // The codecs also run on the raw input; here on the unit the updates pick.
        if (j == w.attr_a % w.unit_count)
            check_block_of_kind(c.get(Field::Kind), c.block());
    }
    require(!unit_at(w, w.unit_count) && !unit_id_at(w, w.unit_count), "no unit past the end");
    if (w.unit_count > 0)
        check_view(w, find_unit_or_window(w, 0), 0);
    if (auto probe = find_unit(w, w.attr_b))
        require(unit_id_at(w, probe->index).value() == w.attr_b, "a probed id is the unit's");
}

void check_window_lookups(WindowTable& t) {
    const uint32_t n = window_count(t);
    require(n == t.windows.size() && !window_at(t, n), "window count");
    for (uint32_t i = 0; i < n; ++i) {
        require(window_at(t, i) == &t.windows[i] &&
                    window_at(std::as_const(t), i) == window_at(t, i),
                "window by index");
        uint32_t index = n;
        const WindowRecord* w = find_window(t, t.ids[i], &index);
        require(w == &t.windows[index] && index <= i && t.ids[index] == t.ids[i],
                "the first window with an id is found");
        t.windows[i].object = &t.windows[i];
    }
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t id = 0;
        require(window_id_of_object(t, &t.windows[i], id) && id == t.ids[i], "window by object");
        t.windows[i].object = nullptr;
    }
    uint32_t id = 0, index = 0;
    require(!window_id_of_object(t, nullptr, id) && !window_id_of_object(t, &id, id),
            "no window has a null or foreign object");
    if (n == 0)
        return;
    const uint32_t probe = t.windows[0].attr_b; // any id the fuzzer likes
    const WindowRecord* w = find_window(t, probe, &index);
    require(w ? t.ids[index] == probe
              : std::find(t.ids.begin(), t.ids.begin() + n, probe) == t.ids.begin() + n,
            "a probed window id is found exactly when present");
}

std::vector<uint32_t> record_offsets(const WindowRecord& w) {
    std::vector<uint32_t> out(w.unit_count);
    std::memcpy(out.data(), w.units.data() + 4 * w.unit_count, 4 * w.unit_count);
    return out;
}

// Runs `update` on unit j, then checks that every other record kept its bytes
// and that the offsets of records stored after j moved by the size difference.
template <class F> void check_update(WindowRecord& w, uint32_t j, F update, const char* what) {
    const ByteVec before = w.units;
    const std::vector<uint32_t> offsets = record_offsets(w);
    if (!update()) {
        require(w.units == before, "a refused update changes nothing");
        return;
    }
    const uint32_t delta = uint32_t(w.units.size() - before.size());
    const std::vector<uint32_t> moved = record_offsets(w);
    for (uint32_t k = 0; k < w.unit_count; ++k) {
        const bool later = offsets[k] > offsets[j];
        require(moved[k] == offsets[k] + (later ? delta : 0), what);
        if (k == j)
            continue;
        const uint8_t* old_body = before.data() + 8 * w.unit_count + offsets[k];
        const UnitView now = unit_at(w, k).value();
        uint32_t old_size;
        std::memcpy(&old_size, old_body, 4);
        require(old_size == now.size && std::memcmp(old_body + 4, now.body, now.size) == 0,
                "other records keep their bytes");
    }
}

// Writes the tag, mouse pointer, one field and the block of one unit, chosen and
// filled from the window's uninterpreted attributes and texts.
void exercise_updates(WindowRecord& w) {
    if (w.unit_count == 0)
        return;
    require(take_snapshot(w), "snapshot");
    const ByteVec before = w.units;
    const uint32_t j = w.attr_a % w.unit_count;
    const std::string& tag = w.text_a;
    const Bytes bytes{reinterpret_cast<const uint8_t*>(w.text_b.data()), w.text_b.size()};
    RecordCursor c;
    const bool menu = !open_unit(w, j, c);
    require(!set_tag(w, w.unit_count, tag) && !set_field(w, w.unit_count, Field::Left, 0) &&
                !set_mouse_pointer(w, w.unit_count, bytes.data(), uint32_t(bytes.size())) &&
                !replace_record_bytes(w, j, unit_body_size(w, j), 1, bytes.data(), 0) &&
                (!menu || (!set_tag(w, j, tag) && !set_field(w, j, Field::Left, 0) &&
                           !set_mouse_pointer(w, j, bytes.data(), uint32_t(bytes.size())))) &&
                w.units == before,
            "updates outside a record or of a menu item's fields are refused");
    if (menu) { // only its bytes after the handler
        check_update(
            w, j,
            [&] {
                return replace_record_bytes(w, j, 4, unit_body_size(w, j) - 4, bytes.data(),
                                            uint32_t(bytes.size()));
            },
            "menu item update moves later records");
        const UnitView v = unit_at(w, j).value();
        require(v.size == 4 + bytes.size() &&
                    std::memcmp(v.body + 4, bytes.data(), bytes.size()) == 0,
                "a menu item reads back as written");
    } else {
        const auto update_tag = [&] { return set_tag(w, j, tag); };
        check_update(w, j, update_tag, "tag update moves later records");
        check_update(
            w, j, [&] { return set_mouse_pointer(w, j, bytes.data(), uint32_t(bytes.size())); },
            "pointer update moves later records");
        require(set_field(w, j, Field::Left, w.attr_b), "set_field");
        require(open_unit(w, j, c) && c.get(Field::Left) == w.attr_b &&
                    c.tag() == std::string_view(tag).substr(0, tag.find('\0')) &&
                    c.mouse_pointer().size() == bytes.size() &&
                    std::memcmp(c.mouse_pointer().data(), bytes.data(), bytes.size()) == 0,
                "updated fields read back");
        const uint32_t block_at = c.layout().block;
        check_update(
            w, j,
            [&] {
                return replace_record_bytes(w, j, block_at, c.layout().size - block_at,
                                            bytes.data(), uint32_t(bytes.size()));
            },
            "block update moves later records");
        require(open_unit(w, j, c) && c.block().size() == bytes.size() &&
                    std::memcmp(c.block().data(), bytes.data(), bytes.size()) == 0,
                "the block reads back as written");
    }
    require(check_unit_table(w, nullptr), "the table stays valid");
    restore_snapshot(w);
    require(w.units == before, "the snapshot restores the table");
}

void check_relocation(WindowTable& t) {
    const WindowTable stored = t;
    constexpr uint32_t kCodeBase = 0x00401000;
    relocate_handlers(t, kCodeBase);
    for (size_t i = 0; i < t.windows.size(); ++i) {
        for (uint32_t j = 0; j < t.windows[i].unit_count; ++j) {
            RecordCursor was, now;
            if (!open_unit(stored.windows[i], j, was))
                continue;
            require(open_unit(t.windows[i], j, now), "a relocated unit opens");
            for (uint32_t e = 0; e < was.event_count(); ++e) {
                const uint32_t offset = was.event(e).handler;
                require(now.event(e).handler == (offset == 0xFFFFFFFFu ? 0 : kCodeBase + offset),
                        "handlers relocate to the code base");
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Bytes input{data, size};
    // The whole input as the block of one kind, picked by its length: every
    // kind's codec meets every kind of input, at a fifth of the cost per run.
    kCodecs[size % std::size(kCodecs)].check(input);
    check_z_texts(input);
    check_pointer(input);

    WindowTable table;
    std::string error;
    const bool read = read_window_table(data, uint32_t(size), table, &error);
    require(read || !error.empty(), "a failed read says why");
    if (read) {
        check_window_lookups(table);
        for (WindowRecord& w : table.windows) {
            walk_units(w);
            exercise_updates(w);
        }
        check_relocation(table);
    }

    return 0;
}
