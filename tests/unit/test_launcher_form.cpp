// The launcher's compiled form archive (app/forms/main.form) holds exactly the
// start-up window the program shows: checked here through the forms codecs and
// the runtime's own archive reader, so the build's form and the readers agree.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "forms/archive.h"
#include "forms/blocks.h"
#include "forms/model.h"
#include "forms/record.h"
#include "tests/unit/launcher_units.h"

namespace {

using vantor::forms::ByteVec;

using namespace launcher_units;

ByteVec read_archive() {
    ByteVec data;
    std::FILE* f = std::fopen(VANTOR_TEST_ARCHIVE, "rb");
    if (!f)
        return data;
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        data.insert(data.end(), buf, buf + n);
    std::fclose(f);
    return data;
}

class LauncherForm : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        bytes_ = new ByteVec(read_archive());
        model_ = new vantor::forms::ArchiveModel;
        std::string error;
        decoded_ = vantor::forms::decode_archive(bytes_->data(), bytes_->size(), *model_, &error);
        error_ = new std::string(error);
    }
    static void TearDownTestSuite() {
        delete bytes_;
        delete model_;
        delete error_;
    }
    void SetUp() override {
        ASSERT_FALSE(bytes_->empty()) << "cannot read " << VANTOR_TEST_ARCHIVE;
        ASSERT_TRUE(decoded_) << *error_;
        ASSERT_EQ(model_->windows.size(), 1u);
        ASSERT_EQ(model_->windows[0].units.size(), kUnitCount);
    }
    const vantor::forms::WindowDesc& window() const { return model_->windows[0]; }
    const vantor::forms::UnitDesc& unit(size_t i) const { return model_->windows[0].units[i]; }

    static ByteVec* bytes_;
    static vantor::forms::ArchiveModel* model_;
    static bool decoded_;
    static std::string* error_;
};

ByteVec* LauncherForm::bytes_ = nullptr;
vantor::forms::ArchiveModel* LauncherForm::model_ = nullptr;
bool LauncherForm::decoded_ = false;
std::string* LauncherForm::error_ = nullptr;

TEST(LauncherFormLiterals, NarrowLiteralsAreGbk) {
    // Every expected name below relies on the GBK execution character set.
    EXPECT_EQ(std::string("高"), std::string("\xb8\xdf"));
}

TEST_F(LauncherForm, WindowRecord) {
    EXPECT_EQ(window().id, 0x52010003u);
    EXPECT_EQ(window().attr_a, 0x02050c88u);
    EXPECT_EQ(window().attr_b, 0x19010007u);
    EXPECT_EQ(window().text_a, "");
    EXPECT_EQ(window().text_b, "");
}

TEST_F(LauncherForm, UnitsInStoredOrderWithTheirFields) {
    for (size_t i = 0; i < kUnitCount; ++i) {
        const Unit& e = kUnits[i];
        const vantor::forms::UnitDesc& u = unit(i);
        SCOPED_TRACE("unit " + std::to_string(i));
        EXPECT_EQ(u.id, e.id);
        EXPECT_EQ(u.name, e.name);
        EXPECT_EQ(u.kind, e.kind);
        EXPECT_EQ(u.left, e.left);
        EXPECT_EQ(u.top, e.top);
        EXPECT_EQ(u.width, e.width);
        EXPECT_EQ(u.height, e.height);
        EXPECT_EQ(u.state, e.state);
        // Shared by every unit of this window.
        EXPECT_EQ(u.event_source, 0u);
        EXPECT_EQ(u.remark, "");
        EXPECT_EQ(u.tag, "");
        EXPECT_EQ(u.parent, 0u);
        EXPECT_TRUE(u.children.empty());
        EXPECT_EQ(u.tab_order, 0u);
        EXPECT_EQ(u.mouse_pointer, ByteVec(4, 0));
        EXPECT_EQ(u.object_slot, 0u);
        EXPECT_EQ(u.cursor_slot, 0u);
    }
}

TEST_F(LauncherForm, OnlyTheTwoButtonsHaveClickHandlers) {
    for (size_t i = 0; i < kUnitCount; ++i) {
        SCOPED_TRACE("unit " + std::to_string(i));
        const auto& events = unit(i).events;
        if (i != kImport && i != kStart) {
            EXPECT_TRUE(events.empty());
            continue;
        }
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].event, 0);
        EXPECT_NE(events[0].handler, -1);
    }
    // The import button's binding as the stored form has always had it.
    EXPECT_EQ(unit(kImport).events[0].handler, 0x44);
    EXPECT_NE(unit(kStart).events[0].handler, unit(kImport).events[0].handler);
}

// A button's or label's block: version 1, `caption`, defaults otherwise.
template <class Props> void expect_captioned_block(const ByteVec& block, const char* caption) {
    Props p, expected;
    ASSERT_TRUE(vantor::forms::read_block(block.data(), block.size(), p));
    expected.version = 1;
    expected.Caption = caption;
    EXPECT_TRUE(p == expected) << "Caption " << p.Caption;
}

// The window's block (a few settings, defaults otherwise), the buttons' and
// labels' with their captions; the edit boxes' and dialog's empty.
TEST_F(LauncherForm, BlocksHoldTheCaptionsAndOtherwiseDefaults) {
    for (size_t index = 1; index < kUnitCount; ++index) {
        const Unit& u = kUnits[index];
        SCOPED_TRACE("unit " + std::to_string(index));
        if (u.kind == kButton)
            expect_captioned_block<vantor::forms::ButtonProps>(unit(index).block, u.caption);
        else if (u.kind == kTransLabel)
            expect_captioned_block<vantor::forms::TransLabelProps>(unit(index).block, u.caption);
        else
            EXPECT_EQ(unit(index).block.size(), 0u);
    }
    vantor::forms::WindowProps p, expected;
    ASSERT_TRUE(vantor::forms::read_block(unit(0).block.data(), unit(0).block.size(), p));
    expected.version = 6, expected.Caption = "Vantor", expected.BorderStyle = 2;
    expected.BackColor = 0xFF000000, expected.PictureMode = 1, expected.ControlBox = 1;
    expected.MaxButton = 1, expected.MinButton = 1, expected.Position = 1, expected.Movable = 1;
    expected.EscCloses = 1, expected.ShowInTaskbar = 1;
    expected.Icon = p.Icon; // checked on its own below
    EXPECT_TRUE(p == expected);
}

uint32_t le16(const ByteVec& b, size_t at) {
    return b[at] | b[at + 1] << 8;
}
uint32_t le32(const ByteVec& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

// Size of an icon DIB: header, palette, XOR rows and AND rows padded to 4 bytes.
uint32_t dib_size(uint32_t side, uint32_t bpp) {
    uint32_t palette = bpp <= 8 ? 4u << bpp : 0;
    uint32_t xor_row = (side * bpp + 31) / 32 * 4;
    uint32_t and_row = (side + 31) / 32 * 4;
    return 40 + palette + side * (xor_row + and_row);
}

TEST_F(LauncherForm, WindowIconHasThirteenImages) {
    vantor::forms::WindowProps p;
    ASSERT_TRUE(vantor::forms::read_block(unit(0).block.data(), unit(0).block.size(), p));
    const ByteVec& ico = p.Icon;
    ASSERT_EQ(ico.size(), 454998u);
    EXPECT_EQ(le16(ico, 0), 0u);
    EXPECT_EQ(le16(ico, 2), 1u); // icon, not cursor
    ASSERT_EQ(le16(ico, 4), 13u);
    const uint32_t sizes[13] = {48, 32, 16, 256, 48, 32, 16, 256, 128, 64, 48, 32, 16};
    const uint32_t bpps[13] = {4, 4, 4, 8, 8, 8, 8, 32, 32, 32, 32, 32, 32};
    uint32_t next = 6 + 13 * 16;
    for (size_t i = 0; i < 13; ++i) {
        SCOPED_TRACE("image " + std::to_string(i));
        size_t e = 6 + 16 * i;
        EXPECT_EQ(ico[e], sizes[i] % 256); // 0 stands for 256
        EXPECT_EQ(ico[e + 1], sizes[i] % 256);
        EXPECT_EQ(ico[e + 2], bpps[i] == 4 ? 16 : 0);
        EXPECT_EQ(le16(ico, e + 4), 1u);
        EXPECT_EQ(le16(ico, e + 6), bpps[i]);
        uint32_t length = le32(ico, e + 8), offset = le32(ico, e + 12);
        EXPECT_EQ(offset, next); // images follow each other without gaps
        ASSERT_LE(static_cast<uint64_t>(offset) + length, ico.size());
        next = offset + length;
        if (sizes[i] == 256) {
            const uint8_t png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
            EXPECT_EQ(ByteVec(ico.begin() + offset, ico.begin() + offset + 8),
                      ByteVec(png, png + 8));
            continue;
        }
        EXPECT_EQ(length, dib_size(sizes[i], bpps[i]));
        EXPECT_EQ(le32(ico, offset), 40u);
        EXPECT_EQ(le32(ico, offset + 4), sizes[i]);
        EXPECT_EQ(le32(ico, offset + 8), 2 * sizes[i]); // XOR and AND masks
        EXPECT_EQ(le16(ico, offset + 14), bpps[i]);
    }
    EXPECT_EQ(next, ico.size());
}

TEST_F(LauncherForm, RuntimeReaderAcceptsItAndRecordSizesMatch) {
    vantor::forms::WindowTable table;
    std::string error;
    ASSERT_TRUE(vantor::forms::read_window_table(
        bytes_->data(), static_cast<uint32_t>(bytes_->size()), table, &error))
        << error;
    const vantor::forms::WindowRecord* w = vantor::forms::find_window(table, 0x52010003);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->unit_count, 14u);
    auto import = vantor::forms::find_unit(*w, 0x16011eab);
    ASSERT_TRUE(import.has_value());
    EXPECT_EQ(import->index, 1u);
    EXPECT_EQ(import->size, 158u);
    EXPECT_EQ(unit(kImport).block.size(), 35u);
    // Window table (4 + 8), attributes, two empty texts, count, unit table length.
    EXPECT_EQ(bytes_->size(), 36 + w->units.size());
}

} // namespace

// The launcher's archive with its unit records laid out in reverse: the
// offsets say where each lies, so the runtime's reader must see the same units.
TEST_F(LauncherForm, ArchiveWithItsRecordsPermutedReadsLikeTheOriginal) {
    constexpr size_t kTableAt = 36, kCount = 14, kRecords = kTableAt + 8 * kCount;
    ByteVec permuted(bytes_->begin(), bytes_->begin() + long(kRecords));
    for (size_t j = kCount; j-- > 0;) {
        const size_t at = kRecords + le32(*bytes_, kTableAt + 4 * kCount + 4 * j);
        const size_t end = at + 4 + le32(*bytes_, at);
        const auto offset = uint32_t(permuted.size() - kRecords);
        for (size_t k = 0; k < 4; ++k)
            permuted[kTableAt + 4 * kCount + 4 * j + k] = uint8_t(offset >> (8 * k));
        permuted.insert(permuted.end(), bytes_->begin() + long(at), bytes_->begin() + long(end));
    }
    ASSERT_EQ(permuted.size(), bytes_->size());
    ASSERT_NE(permuted, *bytes_);

    vantor::forms::WindowTable original, reordered;
    std::string error;
    for (auto [data, table] : {std::pair{bytes_, &original}, std::pair{&permuted, &reordered}}) {
        ASSERT_TRUE(
            vantor::forms::read_window_table(data->data(), uint32_t(data->size()), *table, &error))
            << error;
        vantor::forms::relocate_handlers(*table, 0x00401000);
    }
    auto same_units = [&](const char* when) {
        const auto& a = original.windows[0];
        const auto& b = reordered.windows[0];
        for (uint32_t j = 0; j < kCount; ++j) {
            const uint32_t id = *vantor::forms::unit_id_at(a, j);
            auto x = vantor::forms::find_unit(a, id), y = vantor::forms::find_unit(b, id);
            ASSERT_TRUE(x && y) << when << ", unit " << j;
            EXPECT_EQ(ByteVec(x->body, x->body + x->size), ByteVec(y->body, y->body + y->size))
                << when << ", unit " << j;
        }
    };
    same_units("as read");
    // A tag written on a unit in the middle: records on both sides of it.
    for (auto* table : {&original, &reordered})
        ASSERT_TRUE(vantor::forms::set_tag(table->windows[0], 6, "a tag longer than none"));
    same_units("after an in-place update");
}
