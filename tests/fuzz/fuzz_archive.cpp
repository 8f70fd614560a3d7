// One libFuzzer target over everything that parses stored form data: the
// runtime's table reader with the record cursor on every unit, the mouse
// pointer decoder, the five block codecs and the model codec. Besides the
// sanitizers it checks the codecs' promises and aborts when one is broken:
//   - a table that reads is consistent: every unit opens, in-place updates
//     keep it valid;
//   - a block that reads writes back as a prefix of its bytes and reads back
//     equal;
//   - an archive that decodes re-encodes to the same bytes (window slots 0)
//     and also reads as a window table.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "forms/archive.h"
#include "forms/blocks.h"
#include "forms/model.h"
#include "forms/mouse_pointer.h"
#include "forms/record.h"

using namespace vantor::forms;

namespace {

void require(bool condition, const char* what) {
    if (condition)
        return;
    std::fprintf(stderr, "broken promise: %s\n", what);
    std::abort();
}

template <class P> void check_block(const uint8_t* data, size_t size) {
    P props;
    if (!read_block(data, size, props))
        return;
    const ByteVec written = write_block(props);
    if (size == 0)
        return; // empty = defaults; the writer never writes an empty block
    require(written.size() <= size && std::memcmp(written.data(), data, written.size()) == 0,
            "read then write reproduces the block");
    P again;
    require(read_block(written.data(), written.size(), again) && again == props,
            "a written block reads back equal");
}

void check_block_of_kind(uint32_t kind, std::span<const uint8_t> block) {
    switch (kind) {
    case 0x00010001:
        check_block<WindowProps>(block.data(), block.size());
        break;
    case 0x00010005:
        check_block<EditBoxProps>(block.data(), block.size());
        break;
    case 0x0001000b:
        check_block<ButtonProps>(block.data(), block.size());
        break;
    case 0x0001001f:
        check_block<CommonDlgProps>(block.data(), block.size());
        break;
    case 0x00020005:
        check_block<TransLabelProps>(block.data(), block.size());
        break;
    default:
        break;
    }
}

void walk_units(const WindowRecord& w) {
    for (uint32_t j = 0; j < w.unit_count; ++j) {
        const uint32_t id = unit_id_at(w, j).value();
        auto by_id = find_unit(w, id);
        require(!id_passes_check(id) || (by_id && by_id->index <= j), "unit found by its id");
        if (is_menu_item_id(id))
            continue;
        RecordCursor c;
        require(open_unit(w, j, c), "a validated unit opens");
        volatile uint32_t sink = c.get(Field::Kind) ^ c.get(Field::TabOrder);
        for (uint32_t i = 0; i < c.child_count(); ++i)
            sink = sink ^ c.child(i);
        for (uint32_t i = 0; i < c.event_count(); ++i)
            sink = sink ^ c.event(i).handler;
        sink = sink ^ uint32_t(c.name().size() + c.remark().size() + c.tag().size());
        auto pointer = c.mouse_pointer();
        MousePointer p = decode_mouse_pointer(pointer.data(), uint32_t(pointer.size()));
        if (!p.image.empty())
            sink = sink ^ p.image.back();
        check_block_of_kind(c.get(Field::Kind), c.block());
    }
}

// Tag and mouse pointer writes on the first units must keep the table valid.
void exercise_updates(WindowRecord& w) {
    require(take_snapshot(w), "snapshot");
    const ByteVec before = w.units;
    static const uint8_t kPointer[] = {0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3, 4, 5, 6, 7, 8};
    for (uint32_t j = 0; j < w.unit_count && j < 8; ++j) {
        if (is_menu_item_id(unit_id_at(w, j).value()))
            continue;
        require(set_tag(w, j, "fuzz tag"), "set_tag");
        require(set_mouse_pointer(w, j, kPointer, sizeof kPointer), "set_mouse_pointer");
        require(check_unit_table(w, nullptr), "table valid after in-place updates");
        RecordCursor c;
        require(open_unit(w, j, c) && c.tag() == "fuzz tag" && c.mouse_pointer().size() == 12,
                "updated fields read back");
    }
    restore_snapshot(w);
    require(w.units == before, "snapshot restores the table");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    check_block<WindowProps>(data, size);
    check_block<EditBoxProps>(data, size);
    check_block<ButtonProps>(data, size);
    check_block<CommonDlgProps>(data, size);
    check_block<TransLabelProps>(data, size);

    WindowTable table;
    std::string error;
    const bool read = read_window_table(data, uint32_t(size), table, &error);
    require(read || !error.empty(), "a failed read says why");
    if (read) {
        for (WindowRecord& w : table.windows) {
            walk_units(w);
            exercise_updates(w);
        }
        relocate_handlers(table, 0x00401000);
    }

    ArchiveModel model;
    if (decode_archive(data, size, model, &error)) {
        require(read, "what decodes also reads");
        if (size > 0) {
            ByteVec expected(data, data + size);
            std::memset(expected.data() + 4 + 4 * model.windows.size(), 0,
                        4 * model.windows.size()); // window object slots
            require(encode_archive(model) == expected, "encode(decode(x)) == x");
        }
    }
    return 0;
}
