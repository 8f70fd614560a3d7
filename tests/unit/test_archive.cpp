// The archive reader, the window table and its lookups, relocation, the model
// codec and the mouse pointer decoder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>
#include <vector>

#include "forms/archive.h"
#include "forms/model.h"
#include "forms/mouse_pointer.h"
#include "forms/reader.h"
#include "tests/unit/form_bytes.h"

namespace vantor::forms {
namespace {

using namespace form_bytes;

Bytes sample_archive() {
    return archive({sample_window()});
}

std::string read_error(const Bytes& data) {
    WindowTable table;
    std::string error;
    if (read_window_table(data.data(), uint32_t(data.size()), table, &error))
        return "(read)";
    return error;
}

// ---- reader -------------------------------------------------------------------

TEST(Reader, ReadsAcrossBufferRefills) {
    // A text that straddles the 4096-byte buffer edge, then a buffer larger than
    // the whole buffer, then a dword: each must come out intact.
    std::string straddling(5000, 'x');
    straddling[4090] = 'y';
    Bytes big(9000);
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = uint8_t(i * 7);
    Out o;
    o.u32(1).counted(straddling).buffer(big).u32(0xCAFEBABE).z("end");
    Reader r(o.b.data(), uint32_t(o.b.size()));
    uint32_t a = 0, b = 0;
    std::string text, tail;
    Bytes buffer;
    ASSERT_TRUE(r.dword(a) && r.counted_text(text) && r.byte_buffer(buffer) && r.dword(b) &&
                r.z_text(tail))
        << r.error();
    EXPECT_EQ(a, 1u);
    EXPECT_EQ(text, straddling);
    EXPECT_EQ(buffer, big);
    EXPECT_EQ(b, 0xCAFEBABEu);
    EXPECT_EQ(tail, "end");
    EXPECT_EQ(r.remaining(), 0u);
}

TEST(Reader, FailuresNameTheOffsetAndStick) {
    Out o;
    o.u32(7).raw("ab");
    Reader r(o.b.data(), uint32_t(o.b.size()));
    uint32_t v;
    uint16_t w;
    EXPECT_TRUE(r.dword(v));
    EXPECT_FALSE(r.dword(v));
    EXPECT_EQ(r.error(), "truncated at offset 4");
    EXPECT_FALSE(r.word(w)) << "a failed reader keeps failing, even for a read that would fit";
    EXPECT_EQ(r.error(), "truncated at offset 4") << "the first message is kept";
}

TEST(Reader, DamagedLengthsFailBeforeAllocating) {
    for (uint32_t length : {5u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        Out o;
        o.u32(length).raw("abcd");
        Reader r(o.b.data(), uint32_t(o.b.size()));
        std::string text;
        EXPECT_FALSE(r.counted_text(text)) << "length " << length;
        EXPECT_EQ(r.error(), "truncated (length " + std::to_string(length) + ") at offset 0");
        EXPECT_LE(text.capacity(), 64u) << "nothing should have been allocated for " << length;
    }
    Out z;
    z.raw("no end");
    Reader r(z.b.data(), uint32_t(z.b.size()));
    std::string text;
    EXPECT_FALSE(r.z_text(text));
    EXPECT_EQ(r.error(), "unterminated text at offset 0");
}

// ---- reading the window table ---------------------------------------------------

TEST(WindowTable, EmptyArchiveGivesEmptyTable) {
    WindowTable table;
    table.ids = {1};
    table.windows.resize(1);
    std::string error;
    ASSERT_TRUE(read_window_table(nullptr, 0, table, &error)) << error;
    EXPECT_EQ(window_count(table), 0u);
    EXPECT_TRUE(table.ids.empty());
}

TEST(WindowTable, ReadsWindowFieldsAndLooksUpWindows) {
    Window second = sample_window();
    second.id = 0x52010010;
    second.text_a = "";
    Bytes data = archive({sample_window(), second});
    WindowTable table;
    std::string error;
    ASSERT_TRUE(read_window_table(data.data(), uint32_t(data.size()), table, &error)) << error;
    ASSERT_EQ(window_count(table), 2u);
    const WindowRecord& w = table.windows[0];
    EXPECT_EQ(w.attr_a, 0x02050c88u);
    EXPECT_EQ(w.attr_b, 0x19010007u);
    EXPECT_EQ(w.text_a, "A");
    EXPECT_EQ(w.text_b, "BB");
    EXPECT_EQ(w.unit_count, 4u);
    EXPECT_EQ(w.units, sample_window().table);
    EXPECT_TRUE(w.snapshot.empty());

    uint32_t index = 99;
    EXPECT_EQ(find_window(table, 0x52010010, &index), &table.windows[1]);
    EXPECT_EQ(index, 1u);
    EXPECT_EQ(find_window(table, 0x52010011), nullptr);
    EXPECT_EQ(window_at(table, 0), &table.windows[0]);
    EXPECT_EQ(window_at(table, 2), nullptr);

    int object = 0;
    uint32_t id = 0;
    EXPECT_FALSE(window_id_of_object(table, &object, id));
    table.windows[1].object = &object;
    ASSERT_TRUE(window_id_of_object(table, &object, id));
    EXPECT_EQ(id, 0x52010010u);
    EXPECT_FALSE(window_id_of_object(table, nullptr, id))
        << "null never matches an unloaded window";
}

TEST(WindowTable, UnitLookupsApplyTheIdCheck) {
    Bytes data = sample_archive();
    WindowTable table;
    ASSERT_TRUE(read_window_table(data.data(), uint32_t(data.size()), table, nullptr));
    const WindowRecord& w = table.windows[0];

    auto own = find_unit(w, kOwnUnit);
    ASSERT_TRUE(own);
    EXPECT_EQ(own->index, 0u);
    auto button = find_unit(w, kButton);
    ASSERT_TRUE(button);
    EXPECT_EQ(button->index, 2u);
    EXPECT_EQ(button->size, body(button_body()).size());
    EXPECT_EQ(Bytes(button->body, button->body + button->size), body(button_body()));

    EXPECT_FALSE(find_unit(w, 0)) << "0 fails the id check";
    EXPECT_FALSE(find_unit(w, kButton & 0xF0FFFFFF)) << "bits 24-27 zero";
    EXPECT_FALSE(find_unit(w, kButton & 0xFF000000)) << "low 24 bits zero";
    EXPECT_FALSE(find_unit(w, 0x16019999)) << "absent";
    auto by_zero = find_unit_or_window(w, 0);
    ASSERT_TRUE(by_zero) << "unit id 0 addresses the window's own unit";
    EXPECT_EQ(by_zero->index, 0u);
    EXPECT_EQ(find_unit_or_window(w, kPanel)->index, 1u);

    // Ids that fail the check are not found even when they are stored.
    Body plain;
    const uint32_t odd_ids[] = {0x10010005, 0x06000000, kButton};
    Window odd{
        kWindowId,
        0,
        0,
        "",
        "",
        3,
        unit_table({odd_ids[0], odd_ids[1], odd_ids[2]}, {body(plain), body(plain), body(plain)})};
    Bytes odd_data = archive({odd});
    WindowTable odd_table;
    ASSERT_TRUE(read_window_table(odd_data.data(), uint32_t(odd_data.size()), odd_table, nullptr));
    EXPECT_FALSE(find_unit(odd_table.windows[0], odd_ids[0])) << "bits 24-27 zero";
    EXPECT_FALSE(find_unit(odd_table.windows[0], odd_ids[1])) << "low 24 bits zero";
    EXPECT_EQ(find_unit(odd_table.windows[0], kButton)->index, 2u);
    EXPECT_EQ(unit_id_at(odd_table.windows[0], 0).value_or(0), odd_ids[0]);

    EXPECT_EQ(unit_id_at(w, 3).value_or(0), kMenuItem);
    EXPECT_FALSE(unit_id_at(w, 4));
    EXPECT_FALSE(unit_at(w, 4));
    EXPECT_TRUE(id_passes_check(0x01000001));
    EXPECT_TRUE(is_menu_item_id(kMenuItem));
    EXPECT_FALSE(is_menu_item_id(0x16010007));
    EXPECT_FALSE(is_menu_item_id(0x25010007));
}

TEST(WindowTable, RelocationTurnsOffsetsIntoAddresses) {
    Bytes data = sample_archive();
    WindowTable table;
    ASSERT_TRUE(read_window_table(data.data(), uint32_t(data.size()), table, nullptr));
    relocate_handlers(table, 0x00401000);
    const WindowRecord& w = table.windows[0];
    auto handler = [&](uint32_t unit, uint32_t n) {
        auto v = unit_at(w, unit);
        return get_u32(Bytes(v->body, v->body + v->size), n);
    };
    // Button bindings start after name "button": 24 + 7 + 1 + 28 + 4 + 8 + 1 + 16 = 89.
    EXPECT_EQ(handler(2, 89 + 4), 0x00401044u);
    EXPECT_EQ(handler(2, 89 + 12), 0x00401055u);
    EXPECT_EQ(handler(2, 89 + 20), 0u) << "-1 means no handler";
    EXPECT_EQ(handler(2, 89 + 16), uint32_t(-8)) << "event numbers stay";
    EXPECT_EQ(handler(3, 0), 0x00401020u) << "a menu item's handler dword";
    EXPECT_EQ(handler(3, 4), get_u32({'m', 'e', 'n', 'u'}, 0)) << "the rest of a menu item stays";
}

TEST(WindowTable, RecordsMayLieInAnyOrder) {
    const Bytes stored = sample_archive();
    WindowTable expected;
    ASSERT_TRUE(read_window_table(stored.data(), uint32_t(stored.size()), expected, nullptr));
    relocate_handlers(expected, 0x00401000);
    const std::vector<std::vector<size_t>> orders = {{3, 2, 1, 0}, {2, 0, 3, 1}, {1, 3, 0, 2}};
    for (const auto& order : orders) {
        const std::string label = ::testing::PrintToString(order);
        Window gapped = sample_window(order);
        // A gap before the last record lying in the table: offsets say where.
        const size_t last = order.back(), at = 32 + get_u32(gapped.table, 16 + 4 * last);
        gapped.table.insert(gapped.table.begin() + long(at), {0xEE, 0xEE});
        put_u32(gapped.table, 16 + 4 * last, get_u32(gapped.table, 16 + 4 * last) + 2);
        for (const Window& w : {sample_window(order), gapped}) {
            const Bytes data = archive({w});
            WindowTable table;
            std::string error;
            ASSERT_TRUE(read_window_table(data.data(), uint32_t(data.size()), table, &error))
                << label << ": " << error;
            relocate_handlers(table, 0x00401000);
            for (uint32_t j = 0; j < 4; ++j) {
                auto a = unit_at(table.windows[0], j), b = unit_at(expected.windows[0], j);
                EXPECT_EQ(Bytes(a->body, a->body + a->size), Bytes(b->body, b->body + b->size))
                    << label << ", unit " << j;
                EXPECT_EQ(find_unit(table.windows[0], *unit_id_at(table.windows[0], j))->index, j)
                    << label;
            }
        }
    }
}

TEST(WindowTable, WindowIdBufferHoldsLengthOverEightWindows) {
    Window second = sample_window();
    second.id = 0x52010010;
    for (uint32_t extra : {1u, 4u, 7u}) {
        // Two windows' ids and slots, then `extra` bytes that belong to neither.
        Bytes data = archive({sample_window(), second});
        put_u32(data, 0, 16 + extra);
        const Bytes neither(extra, 0xAB);
        data.insert(data.begin() + 4 + 16, neither.begin(), neither.end());
        WindowTable table;
        std::string error;
        ASSERT_TRUE(read_window_table(data.data(), uint32_t(data.size()), table, &error))
            << extra << ": " << error;
        EXPECT_EQ(table.ids, (std::vector<uint32_t>{kWindowId, 0x52010010})) << extra;
        EXPECT_EQ(table.windows[1].units, sample_window().table) << extra;
    }
    Bytes lone = {4, 0, 0, 0, 1, 2, 3, 4};
    WindowTable table;
    ASSERT_TRUE(read_window_table(lone.data(), uint32_t(lone.size()), table, nullptr));
    EXPECT_EQ(window_count(table), 0u) << "4 bytes hold no window";
}

// ---- damaged archives -----------------------------------------------------------

struct Damage {
    const char* what;
    Bytes data;
    std::string message;
};

std::vector<Damage> damaged_archives() {
    std::vector<Damage> cases;
    const Bytes good = sample_archive();
    const Window sw = sample_window();
    const size_t table_at = 4 + 8 + 8 + 4 + 1 + 4 + 2 + 4 + 4; // first unit-table byte
    auto patched = [&](size_t at, uint32_t v) {
        Bytes b = good;
        put_u32(b, at, v);
        return b;
    };
    cases.push_back({"truncated header", {8, 0}, "truncated at offset 0"});
    // 12 bytes hold one window; its record is then read 4 bytes late.
    cases.push_back({"id table of 12 bytes", patched(0, 12), "truncated"});
    cases.push_back({"id table longer than the archive", patched(0, 0xFFFFFFF8u),
                     "truncated (length 4294967288) at offset 0"});
    cases.push_back({"huge unit count", patched(table_at - 8, 0x40000000u),
                     "unit count 1073741824 does not fit a unit table"});
    cases.push_back({"offset out of range", patched(table_at + 16 + 4, 0x7FFFFFF0u),
                     "unit 1 (id 0x16010004): record offset 2147483632 out of range at offset " +
                         std::to_string(table_at + 20)});
    const uint32_t rec1 = uint32_t(table_at + 32 + get_u32(sw.table, 20));
    cases.push_back({"record length past the table", patched(rec1, 0x10000u),
                     "record length 65536 exceeds the unit table"});
    cases.push_back({"two units on one record", patched(table_at + 20, 0),
                     "unit 1 (id 0x16010004): record overlaps the record of unit 0 at offset " +
                         std::to_string(table_at + 20)});
    cases.push_back({"records overlapping by one byte", patched(rec1, get_u32(good, rec1) + 1),
                     "unit 2 (id 0x16010005): record overlaps the record of unit 1"});
    {
        // Laid out last to first; the menu item, lying first, is made 4 bytes
        // longer, into the button's record that follows it.
        Window w = sample_window({3, 2, 1, 0});
        put_u32(w.table, 32, get_u32(w.table, 32) + 4);
        cases.push_back({"records out of stored order overlapping", archive({w}),
                         "unit 2 (id 0x16010005): record overlaps the record of unit 3"});
    }
    {
        Body tiny;
        Bytes short_body = body(tiny);
        short_body.pop_back(); // one byte short of the reserved dwords
        Window w{kWindowId, 0, 0, "", "", 1, unit_table({kOwnUnit}, {short_body})};
        cases.push_back({"record shorter than its fields", archive({w}),
                         "unit 0 (id 0x06010002): record too short for the reserved dwords"});
    }
    {
        Bytes b = body(Body{});
        put_u32(b, 24 + 2 + 28, 0x40000001u); // child count
        Window w{kWindowId, 0, 0, "", "", 1, unit_table({kOwnUnit}, {b})};
        cases.push_back({"huge child count", archive({w}), "record too short for the child list"});
    }
    {
        Bytes b = body(Body{});
        put_u32(b, 24 + 2 + 28 + 4 + 8 + 1 + 12, 0x20000000u); // binding count
        Window w{kWindowId, 0, 0, "", "", 1, unit_table({kOwnUnit}, {b})};
        cases.push_back(
            {"huge binding count", archive({w}), "record too short for the event bindings"});
    }
    {
        Bytes b = body(Body{});
        b.resize(30); // the name never ends
        std::fill(b.begin() + 24, b.end(), 'n');
        Window w{kWindowId, 0, 0, "", "", 1, unit_table({kOwnUnit}, {b})};
        cases.push_back({"unterminated name", archive({w}), "record too short for the name"});
    }
    {
        Window w{kWindowId, 0, 0, "", "", 1, unit_table({kMenuItem}, {{1, 2, 3}})};
        cases.push_back({"menu item without handler", archive({w}),
                         "menu item shorter than its handler offset"});
    }
    return cases;
}

TEST(DamagedArchive, FailsCleanlyWithAMessage) {
    for (const Damage& d : damaged_archives()) {
        WindowTable table;
        table.ids = {42};
        std::string error;
        EXPECT_FALSE(read_window_table(d.data.data(), uint32_t(d.data.size()), table, &error))
            << d.what;
        EXPECT_NE(error.find(d.message), std::string::npos)
            << d.what << "\n  expected message containing: " << d.message
            << "\n  actual: " << error;
        EXPECT_EQ(table.ids, std::vector<uint32_t>{42}) << d.what << ": output must stay untouched";
        ArchiveModel model;
        EXPECT_FALSE(decode_archive(d.data.data(), d.data.size(), model, &error)) << d.what;
    }
}

TEST(DamagedArchive, EveryTruncationFails) {
    const Bytes good = sample_archive();
    for (size_t n = 1; n < good.size(); ++n) {
        Bytes cut(good.begin(), good.begin() + long(n));
        EXPECT_NE(read_error(cut), "(read)") << "archive cut to " << n << " of " << good.size();
        ArchiveModel model;
        EXPECT_FALSE(decode_archive(cut.data(), cut.size(), model, nullptr)) << "cut to " << n;
    }
}

// The files of a folder of the source tree, each with its bytes; none is a failure.
std::vector<std::pair<std::filesystem::path, Bytes>> files_of(const char* folder) {
    std::vector<std::pair<std::filesystem::path, Bytes>> files;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(VANTOR_SOURCE_DIR) / folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        files.emplace_back(entry.path(), Bytes{std::istreambuf_iterator<char>(in), {}});
    }
    EXPECT_FALSE(files.empty()) << "no files in " << folder;
    return files;
}

// Inputs that once broke the reader or the fuzz target, kept as regression files.
TEST(DamagedArchive, RegressionFilesFailCleanly) {
    for (const auto& [path, data] : files_of("tests/fixtures/damaged")) {
        EXPECT_NE(read_error(data), "(read)") << path;
        ArchiveModel model;
        EXPECT_FALSE(decode_archive(data.data(), data.size(), model, nullptr)) << path;
    }
}

TEST(Corpus, SeedsAreValidArchivesThatReencodeExactly) {
    for (const auto& [path, data] : files_of("tests/fuzz/corpus/fuzz_archive")) {
        ArchiveModel model;
        std::string error;
        ASSERT_TRUE(decode_archive(data.data(), data.size(), model, &error))
            << path << ": " << error;
        EXPECT_EQ(encode_archive(model), data) << path;
    }
}

// ---- the model codec ------------------------------------------------------------

TEST(Model, DecodesTheSampleAndEncodesItBack) {
    const Bytes data = sample_archive();
    ArchiveModel model;
    std::string error;
    ASSERT_TRUE(decode_archive(data.data(), data.size(), model, &error)) << error;
    ASSERT_EQ(model.windows.size(), 1u);
    const WindowDesc& w = model.windows[0];
    EXPECT_EQ(w.id, kWindowId);
    EXPECT_EQ(w.text_b, "BB");
    ASSERT_EQ(w.units.size(), 4u);
    const UnitDesc& panel = w.units[1];
    EXPECT_EQ(panel.id, kPanel);
    EXPECT_EQ(panel.kind, 0x00010001u);
    EXPECT_EQ(panel.name, "panel");
    EXPECT_EQ(panel.remark, "r");
    EXPECT_EQ(panel.width, 300);
    EXPECT_EQ(panel.children, (std::vector<uint32_t>{kButton, 0, 0x16010009}));
    EXPECT_EQ(panel.mouse_pointer, panel_body().pointer);
    EXPECT_EQ(panel.tag, "tagged");
    EXPECT_EQ(panel.tab_order, 3u);
    EXPECT_EQ(panel.events, (std::vector<EventBinding>{{-7, 0x10}, {0, -1}}));
    EXPECT_EQ(panel.block, panel_body().block);
    EXPECT_TRUE(panel.raw_body.empty());
    EXPECT_EQ(w.units[3].raw_body, (Bytes{0x20, 0, 0, 0, 'm', 'e', 'n', 'u'}));

    EXPECT_EQ(encode_archive(model), data);
    ArchiveModel again;
    Bytes encoded = encode_archive(model);
    ASSERT_TRUE(decode_archive(encoded.data(), encoded.size(), again, &error)) << error;
    EXPECT_TRUE(again == model);
}

TEST(Model, WorkedExampleButtonRecord) {
    // The import button: 158-byte body whose last 35 bytes are the button block.
    Body b;
    b.name = "按钮_导入EXE";
    b.events = {{0, 0x44}};
    b.left = 120, b.top = 152, b.width = 80, b.height = 32;
    Out block;
    block.u32(1).u32(0).u32(1).u32(1).u32(0).u32(0).counted("导入EXE");
    b.block = block.b;
    const Bytes expected = body(b);
    EXPECT_EQ(expected.size(), 158u);

    UnitDesc u;
    u.id = 0x16011eab;
    u.kind = 0x0001000b;
    u.name = "按钮_导入EXE";
    u.left = 120, u.top = 152, u.width = 80, u.height = 32;
    u.mouse_pointer = {0, 0, 0, 0};
    u.state = 5;
    u.events = {{0, 0x44}};
    u.block = block.b;
    ArchiveModel model{{WindowDesc{kWindowId, 0x02050c88, 0x19010007, "", "", {u}}}};
    Window w{kWindowId, 0x02050c88, 0x19010007, "", "", 1, unit_table({0x16011eab}, {expected})};
    EXPECT_EQ(encode_archive(model), archive({w}));
}

// Layouts the runtime reads but the exact decode rejects, since they would not
// re-encode to the same bytes; decoded as read, they give the stored layout.
TEST(Model, LayoutsTheRuntimeToleratesDecodeOnlyAsRead) {
    Window gap = sample_window();
    // Move the last record one byte on: a gap the runtime accepts.
    Bytes& t = gap.table;
    const size_t last = 4 * 4 + 3 * 4;
    const size_t rec = 32 + get_u32(t, last);
    put_u32(t, last, get_u32(t, last) + 1);
    t.insert(t.begin() + long(rec), 0xEE);
    Bytes trailing = sample_archive();
    trailing.push_back(0);
    Bytes long_ids = sample_archive();
    put_u32(long_ids, 0, 12);
    long_ids.insert(long_ids.begin() + 12, {0, 0, 0, 0});
    for (const Bytes& data :
         {archive({gap}), trailing, archive({sample_window({3, 2, 1, 0})}), long_ids}) {
        EXPECT_EQ(read_error(data), "(read)");
        ArchiveModel model;
        std::string error;
        EXPECT_FALSE(decode_archive(data.data(), data.size(), model, &error));
        EXPECT_NE(error.find(" at offset "), std::string::npos) << error;
        ASSERT_TRUE(decode_archive(data.data(), data.size(), model, &error, DecodeLayout::AsRead))
            << error;
        EXPECT_EQ(encode_archive(model), sample_archive());
    }
}

TEST(Model, EncoderCutsTextsAtZeroBytes) {
    UnitDesc u;
    u.id = kOwnUnit;
    u.name = std::string("ab\0cd", 5);
    u.tag = std::string("\0x", 2);
    ArchiveModel model{{WindowDesc{kWindowId, 0, 0, "", "", {u}}}};
    Bytes data = encode_archive(model);
    ArchiveModel back;
    ASSERT_TRUE(decode_archive(data.data(), data.size(), back, nullptr));
    EXPECT_EQ(back.windows[0].units[0].name, "ab");
    EXPECT_EQ(back.windows[0].units[0].tag, "");
}

// ---- mouse pointer data ---------------------------------------------------------

TEST(MousePointer, Decodes) {
    struct Row {
        Bytes data;
        PointerKind kind;
        uint32_t number;
        bool candidate;
    };
    const Row rows[] = {
        {{}, PointerKind::None, 0, false},
        {{0, 0, 0, 0}, PointerKind::None, 0, false},
        {{3}, PointerKind::Standard, 3, false}, // short: first byte is the number
        {{14, 99, 99}, PointerKind::Standard, 14, false},
        {{15, 0, 0, 0}, PointerKind::None, 0, false},
        {{1, 0, 0, 0}, PointerKind::Standard, 1, false},
        {{0x00, 0x7F, 0, 0}, PointerKind::Standard, 1, false},   // 32512 stored: arrow
        {{0x89, 0x7F, 0, 0}, PointerKind::Standard, 14, false},  // 32649 stored: hand
        {{0xFF, 0xFF, 0xFF, 0xFF}, PointerKind::None, 0, false}, // -1 without an image
        {{0xFF, 0xFF, 0xFF, 0xFF, 1, 2}, PointerKind::Image, 0, false},
        {{2, 0, 0, 0, 0, 0, 0, 0, 0, 0}, PointerKind::Standard, 2, false}, // 10: not over
        {{2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, PointerKind::Standard, 2, true},
        {{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0}, PointerKind::None, 0, true},
    };
    for (const Row& row : rows) {
        MousePointer p = decode_mouse_pointer(row.data.data(), uint32_t(row.data.size()));
        const std::string label = ::testing::PrintToString(row.data);
        EXPECT_EQ(int(p.kind), int(row.kind)) << label;
        EXPECT_EQ(p.number, row.number) << label;
        EXPECT_EQ(p.system_id, cursor_system_id(row.number)) << label;
        EXPECT_EQ(p.whole_is_candidate, row.candidate) << label;
        if (row.candidate) {
            EXPECT_EQ(p.image.size(), row.data.size()) << label;
        }
    }
    Bytes image = {0xFF, 0xFF, 0xFF, 0xFF, 7, 8, 9};
    MousePointer p = decode_mouse_pointer(image.data(), uint32_t(image.size()));
    EXPECT_EQ(Bytes(p.image.begin(), p.image.end()), (Bytes{7, 8, 9}));
}

TEST(MousePointer, PropertyConversionsRoundTripTheTable) {
    for (uint32_t n = 1; n <= kStandardCursorCount; ++n) {
        Bytes data;
        Out o;
        o.u32(n).raw("tail");
        data = o.b;
        pointer_numbers_to_ids(data.data(), uint32_t(data.size()));
        EXPECT_EQ(get_u32(data, 0), cursor_system_id(n)) << "number " << n;
        pointer_ids_to_numbers(data.data(), uint32_t(data.size()));
        EXPECT_EQ(get_u32(data, 0), n);
    }
    EXPECT_EQ(cursor_system_id(5), 32651u);
    EXPECT_EQ(cursor_system_id(13), 32516u);
    EXPECT_EQ(cursor_system_id(0), 0u);
    EXPECT_EQ(cursor_system_id(15), 0u);
    Bytes odd = {0xFF, 0xFF, 0xFF, 0xFF};
    pointer_numbers_to_ids(odd.data(), 4);
    pointer_ids_to_numbers(odd.data(), 4);
    EXPECT_EQ(odd, (Bytes{0xFF, 0xFF, 0xFF, 0xFF})) << "-1 is left alone";
    Bytes shorter = {3, 0, 0};
    pointer_numbers_to_ids(shorter.data(), 3);
    EXPECT_EQ(shorter, (Bytes{3, 0, 0})) << "below 4 bytes nothing is converted";
}

} // namespace
} // namespace vantor::forms
