// The record cursor, scalar writes, the in-place record update and snapshots.
#include <gtest/gtest.h>

#include "forms/archive.h"
#include "forms/record.h"
#include "tests/unit/form_bytes.h"

namespace vantor::forms {
namespace {

using namespace form_bytes;

class RecordTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Bytes data = archive({sample_window()});
        std::string error;
        ASSERT_TRUE(read_window_table(data.data(), uint32_t(data.size()), table_, &error)) << error;
        original_ = window().units;
    }
    WindowRecord& window() { return table_.windows[0]; }
    RecordCursor cursor(uint32_t index) {
        RecordCursor c;
        EXPECT_TRUE(open_unit(window(), index, c)) << "unit " << index;
        return c;
    }
    Bytes body_of(uint32_t index) {
        auto v = unit_at(window(), index);
        return Bytes(v->body, v->body + v->size);
    }
    uint32_t offset_of(uint32_t index) { return get_u32(window().units, 16 + 4 * index); }

    WindowTable table_;
    Bytes original_;
};

TEST_F(RecordTest, CursorFindsEveryFieldOfARecordWithChildrenPointerAndTag) {
    RecordCursor c = cursor(1); // the panel, positions worked out by hand
    const RecordLayout& l = c.layout();
    EXPECT_EQ(l.name, 24u);
    EXPECT_EQ(l.remark, 30u);
    EXPECT_EQ(l.object_slot, 32u);
    EXPECT_EQ(c.field_pos(Field::Height), 48u);
    EXPECT_EQ(c.field_pos(Field::Parent), 56u);
    EXPECT_EQ(l.child_count, 3u);
    EXPECT_EQ(l.children, 64u);
    EXPECT_EQ(l.mouse_pointer, 76u);
    EXPECT_EQ(l.tag, 87u);
    EXPECT_EQ(l.reserved_b, 94u);
    EXPECT_EQ(c.field_pos(Field::TabOrder), 102u);
    EXPECT_EQ(l.events, 110u);
    EXPECT_EQ(l.reserved_c, 126u);
    EXPECT_EQ(l.block, 146u);
    EXPECT_EQ(l.size, 151u);

    EXPECT_EQ(c.get(Field::Kind), 0x00010001u);
    EXPECT_EQ(c.name(), "panel");
    EXPECT_EQ(c.remark(), "r");
    EXPECT_EQ(c.get_signed(Field::Left), 1);
    EXPECT_EQ(c.get_signed(Field::Top), 2);
    EXPECT_EQ(c.get_signed(Field::Width), 300);
    EXPECT_EQ(c.get_signed(Field::Height), 400);
    EXPECT_EQ(c.child(0), kButton);
    EXPECT_EQ(c.child(1), 0u) << "page separator";
    EXPECT_EQ(c.child(2), 0x16010009u);
    EXPECT_EQ(Bytes(c.mouse_pointer().begin(), c.mouse_pointer().end()), panel_body().pointer);
    EXPECT_EQ(c.tag(), "tagged");
    EXPECT_EQ(c.get(Field::State), 5u);
    EXPECT_EQ(c.get(Field::TabOrder), 3u);
    EXPECT_EQ(Bytes(c.block().begin(), c.block().end()), panel_body().block);
}

TEST_F(RecordTest, BindingsAreSearchedFirstMatchFirst) {
    RecordCursor c = cursor(2);
    ASSERT_EQ(c.event_count(), 3u);
    EXPECT_EQ(c.event(2).event, -8);
    EXPECT_EQ(c.event(2).handler, 0xFFFFFFFFu);
    uint32_t handler = 0;
    ASSERT_TRUE(c.find_binding(0, handler));
    EXPECT_EQ(handler, 0x44u) << "the first of two bindings for event 0";
    EXPECT_FALSE(c.find_binding(-7, handler));
    RecordCursor own = cursor(0);
    EXPECT_EQ(own.event_count(), 0u);
    EXPECT_TRUE(own.block().empty()) << "an empty block means all defaults";
}

TEST_F(RecordTest, MenuItemsAndBadIndexesAreNotOpenedOrWritten) {
    RecordCursor c;
    EXPECT_FALSE(open_unit(window(), 3, c));
    EXPECT_FALSE(open_unit(window(), 4, c));
    EXPECT_FALSE(set_field(window(), 3, Field::State, 1));
    EXPECT_FALSE(set_tag(window(), 9, "x"));
    EXPECT_EQ(window().units, original_);
}

TEST_F(RecordTest, ScalarWritesLandInTheRecord) {
    ASSERT_TRUE(set_field(window(), 1, Field::ObjectSlot, 0x12345678));
    ASSERT_TRUE(set_field(window(), 1, Field::Width, uint32_t(-5)));
    ASSERT_TRUE(set_field(window(), 1, Field::State, 6));
    ASSERT_TRUE(set_field(window(), 1, Field::CursorSlot, 77));
    RecordCursor c = cursor(1);
    EXPECT_EQ(c.get(Field::ObjectSlot), 0x12345678u);
    EXPECT_EQ(c.get_signed(Field::Width), -5);
    EXPECT_EQ(c.get(Field::State), 6u);
    EXPECT_EQ(c.get(Field::CursorSlot), 77u);
    EXPECT_EQ(c.get_signed(Field::Height), 400) << "neighbours untouched";
    EXPECT_EQ(body_of(2), body(button_body())) << "other records untouched";
}

// Growing or shrinking one record must move exactly the records stored after it.
TEST_F(RecordTest, InPlaceUpdateAdjustsLengthAndLaterOffsets) {
    const Bytes before0 = body_of(0), before2 = body_of(2), before3 = body_of(3);
    const uint32_t off1 = offset_of(1), off2 = offset_of(2), off3 = offset_of(3);
    const uint32_t size1 = unit_body_size(window(), 1);

    ASSERT_TRUE(set_tag(window(), 1, "a much longer tag text")); // 6 -> 22 bytes
    EXPECT_EQ(unit_body_size(window(), 1), size1 + 16);
    EXPECT_EQ(offset_of(0), 0u);
    EXPECT_EQ(offset_of(1), off1) << "the updated record itself stays";
    EXPECT_EQ(offset_of(2), off2 + 16);
    EXPECT_EQ(offset_of(3), off3 + 16);
    EXPECT_EQ(body_of(0), before0);
    EXPECT_EQ(body_of(2), before2);
    EXPECT_EQ(body_of(3), before3);
    EXPECT_EQ(cursor(1).tag(), "a much longer tag text");
    EXPECT_EQ(cursor(1).get(Field::State), 5u) << "fields after the tag moved with it";
    EXPECT_EQ(cursor(1).event(0).handler, 0x10u);
    std::string error;
    EXPECT_TRUE(check_unit_table(window(), &error)) << error;

    ASSERT_TRUE(set_tag(window(), 1, ""));
    EXPECT_EQ(unit_body_size(window(), 1), size1 - 6);
    EXPECT_EQ(offset_of(2), off2 - 6);
    EXPECT_EQ(offset_of(3), off3 - 6);
    EXPECT_EQ(body_of(3), before3);

    ASSERT_TRUE(set_tag(window(), 1, "tagged"));
    EXPECT_EQ(window().units, original_) << "writing the old tag back restores every byte";
}

// Records laid out out of stored order: the ones lying after the changed record
// move, whatever their index, and the ones lying before it stay.
TEST(RecordUpdate, MovesTheRecordsLyingAfterTheChangedOne) {
    Bytes data = archive({sample_window({3, 1, 0, 2})}); // menu, panel, own, button
    WindowTable table;
    std::string error;
    ASSERT_TRUE(read_window_table(data.data(), uint32_t(data.size()), table, &error)) << error;
    WindowRecord& w = table.windows[0];
    const Bytes original = w.units;
    auto offset = [&](uint32_t j) { return get_u32(w.units, 16 + 4 * j); };
    auto body_of = [&](uint32_t j) {
        auto v = unit_at(w, j);
        return Bytes(v->body, v->body + v->size);
    };
    const uint32_t before[4] = {offset(0), offset(1), offset(2), offset(3)};
    const Bytes own = body_of(0), menu = body_of(3);

    ASSERT_TRUE(set_tag(w, 0, "longer")); // 0 -> 6 bytes
    EXPECT_EQ(offset(3), before[3]) << "lies before";
    EXPECT_EQ(offset(1), before[1]) << "lies before";
    EXPECT_EQ(offset(0), before[0]) << "the changed record";
    EXPECT_EQ(offset(2), before[2] + 6) << "lies after";
    EXPECT_EQ(body_of(2), body(button_body()));
    EXPECT_EQ(body_of(1), body(panel_body()));
    EXPECT_EQ(body_of(3), menu);
    EXPECT_TRUE(check_unit_table(w, &error)) << error;

    ASSERT_TRUE(set_tag(w, 1, "")); // the panel, lying second: 6 -> 0 bytes
    EXPECT_EQ(offset(3), before[3]);
    EXPECT_EQ(offset(0), before[0] - 6);
    EXPECT_EQ(offset(2), before[2]);
    EXPECT_EQ(body_of(2), body(button_body()));
    EXPECT_TRUE(check_unit_table(w, &error)) << error;

    ASSERT_TRUE(set_tag(w, 1, "tagged"));
    ASSERT_TRUE(set_tag(w, 0, ""));
    EXPECT_EQ(body_of(0), own);
    EXPECT_EQ(w.units, original) << "writing the old tags back restores every byte";
}

TEST_F(RecordTest, MousePointerWriteReplacesTheBuffer) {
    const Bytes before2 = body_of(2);
    const Bytes pointer = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    ASSERT_TRUE(set_mouse_pointer(window(), 0, pointer.data(), uint32_t(pointer.size())));
    RecordCursor c = cursor(0);
    EXPECT_EQ(Bytes(c.mouse_pointer().begin(), c.mouse_pointer().end()), pointer);
    EXPECT_EQ(body_of(2), before2);
    EXPECT_EQ(offset_of(1), uint32_t(4 + c.layout().size));

    ASSERT_TRUE(set_mouse_pointer(window(), 0, nullptr, 0));
    EXPECT_TRUE(cursor(0).mouse_pointer().empty());
    std::string error;
    EXPECT_TRUE(check_unit_table(window(), &error)) << error;
}

TEST_F(RecordTest, UpdateOfTheLastRecordAndRangeChecks) {
    const Bytes tail = {'X', 'Y'};
    const uint32_t size3 = unit_body_size(window(), 3);
    EXPECT_FALSE(replace_record_bytes(window(), 3, size3 + 1, 0, tail.data(), 2));
    EXPECT_FALSE(replace_record_bytes(window(), 3, 4, size3, tail.data(), 2));
    EXPECT_FALSE(replace_record_bytes(window(), 4, 0, 0, tail.data(), 2));
    EXPECT_EQ(window().units, original_);
    ASSERT_TRUE(replace_record_bytes(window(), 3, 4, 4, tail.data(), 2)); // menu items too
    EXPECT_EQ(body_of(3), (Bytes{0x20, 0, 0, 0, 'X', 'Y'}));
    EXPECT_EQ(window().units.size(), original_.size() - 2);
}

TEST_F(RecordTest, TagIsCutAtAZeroByte) {
    ASSERT_TRUE(set_tag(window(), 2, std::string_view("ab\0cd", 5)));
    EXPECT_EQ(cursor(2).tag(), "ab");
    EXPECT_EQ(cursor(2).get(Field::State), 5u);
}

TEST_F(RecordTest, SnapshotRestoresTheLoadedDescription) {
    restore_snapshot(window());
    EXPECT_EQ(window().units, original_) << "restore without a snapshot changes nothing";
    ASSERT_TRUE(take_snapshot(window()));
    ASSERT_TRUE(set_tag(window(), 2, "written while loaded"));
    ASSERT_TRUE(set_field(window(), 2, Field::ObjectSlot, 1234));
    restore_snapshot(window());
    EXPECT_EQ(window().units, original_);
    EXPECT_TRUE(window().snapshot.empty());
}

TEST(RecordCursor, SmallestBodyAndOneByteLess) {
    Body empty;
    empty.pointer.clear();
    const Bytes smallest = body(empty);
    ASSERT_EQ(smallest.size(), RecordCursor::kMinBodySize);
    RecordCursor c;
    std::string error;
    EXPECT_TRUE(c.open(smallest.data(), uint32_t(smallest.size()), &error)) << error;
    EXPECT_TRUE(c.block().empty());
    for (uint32_t n = 0; n < smallest.size(); ++n) {
        EXPECT_FALSE(c.open(smallest.data(), n, &error)) << "body cut to " << n;
    }
    EXPECT_EQ(error, "record too short for the reserved dwords at body position 79");
}

} // namespace
} // namespace vantor::forms
