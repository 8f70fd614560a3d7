// Property value conversions by type, font members and sizes, and the kinds'
// table-driven stores and loads.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "forms/property_values.h"
#include "runtime/allocator.h"

namespace vantor::forms {
namespace {

constexpr int32_t kDpi = 96;

// Frees a block the conversions handed out, after taking what the test needs.
std::string take_text(uint64_t word) {
    auto* text = pointer_of<char>(uint32_t(word));
    std::string s = text ? text : "<null>";
    mem_free(text);
    return s;
}

std::vector<uint8_t> take_byte_set(uint64_t word) {
    auto* set = pointer_of<uint8_t>(uint32_t(word));
    std::vector<uint8_t> bytes(bytes_data(set), bytes_data(set) + bytes_length(set));
    mem_free(set);
    return bytes;
}

LogFont font(int32_t height, int32_t weight, const char* face) {
    LogFont f{};
    f.height = height;
    f.weight = weight;
    std::strncpy(f.face, face, sizeof f.face - 1);
    return f;
}

TEST(FontSize, ArithmeticTruncates) {
    struct Row {
        int32_t height, dpi, points;
    } reads[] = {{-13, 96, 9},
                 {13, 96, 9},
                 {-16, 96, 12},
                 {-16, 120, 9},
                 {-15, 144, 7},
                 {-13, 0, 0},
                 {INT32_MIN, 96, 1610612736}};
    for (const Row& r : reads)
        EXPECT_EQ(font_points(r.height, r.dpi), r.points) << r.height << " at " << r.dpi;
    struct Back {
        int32_t points, dpi, height;
    } writes[] = {{9, 96, -12},
                  {10, 96, -13},
                  {11, 96, -14},
                  {12, 120, -20},
                  {-5, 96, 0},
                  {9, 0, 0},
                  {INT32_MAX, 96, INT32_MIN}};
    for (const Back& w : writes)
        EXPECT_EQ(font_height(w.points, w.dpi), w.height) << w.points << " at " << w.dpi;
}

TEST(FontMembers, ReadEveryMember) {
    LogFont f = font(-13, 700, "Tahoma");
    f.orientation = 450;
    f.italic = 1;
    f.underline = 1;
    EXPECT_EQ(read_font_member(f, font_member::Angle, kDpi), 450u);
    EXPECT_EQ(read_font_member(f, font_member::Bold, kDpi), 1u);
    EXPECT_EQ(read_font_member(f, font_member::Italic, kDpi), 1u);
    EXPECT_EQ(read_font_member(f, font_member::StrikeOut, kDpi), 0u);
    EXPECT_EQ(read_font_member(f, font_member::Underline, kDpi), 1u);
    EXPECT_EQ(read_font_member(f, font_member::Size, kDpi), 9u);
    EXPECT_EQ(take_text(read_font_member(f, font_member::FaceName, kDpi)), "Tahoma");
    EXPECT_EQ(read_font_member(f, 7, kDpi), 0u);

    auto* record = pointer_of<FontRecord>(uint32_t(read_font_member(f, font_member::Whole, kDpi)));
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->angle, 450);
    EXPECT_EQ(record->bold, 1u);
    EXPECT_EQ(record->size, 9);
    EXPECT_EQ(take_text(word_of(record->face)), "Tahoma");
    mem_free(record);
    EXPECT_EQ(read_font_member(font(-13, 699, ""), font_member::Bold, kDpi), 0u);
}

// A face name written (null: none) and the face the font then has.
struct FaceRow {
    const char* face;
    const char* stored;
};

TEST(FontMembers, WritesNormaliseAngleFaceAndSize) {
    LogFont f = font(-13, 0, "Tahoma");
    ASSERT_TRUE(apply_font_member(f, font_member::Angle, uint32_t(-10), kDpi));
    EXPECT_EQ(f.escapement, 3590);
    EXPECT_EQ(f.orientation, 3590);
    apply_font_member(f, font_member::Angle, 7250, kDpi);
    EXPECT_EQ(f.orientation, 50);
    apply_font_member(f, font_member::Bold, 5, kDpi);
    EXPECT_EQ(f.weight, 700);
    apply_font_member(f, font_member::StrikeOut, 9, kDpi);
    EXPECT_EQ(f.strike_out, 1);
    apply_font_member(f, font_member::Size, 9, kDpi);
    EXPECT_EQ(f.height, -12);
    apply_font_member(f, font_member::Size, uint32_t(-3), kDpi);
    EXPECT_EQ(f.height, 0);

    const std::string longest(31, 'a'), too_long(32, 'b');
    const FaceRow faces[] = {{"Arial", "Arial"},
                             {longest.c_str(), longest.c_str()},
                             {too_long.c_str(), kDefaultFace},
                             {"", kDefaultFace},
                             {nullptr, kDefaultFace}};
    for (const FaceRow& r : faces) {
        apply_font_member(f, font_member::FaceName, word_of(r.face), kDpi);
        EXPECT_STREQ(f.face, r.stored) << (r.face ? r.face : "null");
    }
}

TEST(FontMembers, WholeRecordTakesAngleAsGivenAndItsOwnFaceRule) {
    const std::string thirty(30, 'c'), longest(31, 'a');
    const FaceRow rows[] = {{"", ""},
                            {thirty.c_str(), thirty.c_str()},
                            {longest.c_str(), kDefaultFace},
                            {nullptr, kDefaultFace}};
    for (const FaceRow& r : rows) {
        LogFont f = font(-13, 700, "Tahoma");
        FontRecord record{-10, 0, 1, 1, 0, -4, r.face};
        ASSERT_TRUE(apply_font_member(f, font_member::Whole, word_of(&record), kDpi));
        EXPECT_EQ(f.orientation, -10);
        EXPECT_EQ(f.weight, 0);
        EXPECT_EQ(f.italic, 1);
        EXPECT_EQ(f.height, 0) << "a negative size is 0";
        EXPECT_STREQ(f.face, r.stored);
    }
    LogFont f{};
    EXPECT_FALSE(apply_font_member(f, font_member::Whole, 0, kDpi)) << "no record: no font";
}

TEST(PropertyValues, ReadsByType) {
    const FontSetting none{};
    const char text[] = "文本";
    const uint8_t data[] = {1, 2, 3};
    auto read = [&](uint16_t type, uint32_t w0, uint32_t w1) {
        const uint32_t value[2] = {w0, w1};
        return value_for_read(type, value, font_member::Whole, none);
    };
    EXPECT_EQ(read(prop_type::Integer, 0xFFFFFFFB, 7), 0xFFFFFFFBu);
    EXPECT_EQ(read(prop_type::BackColor, 0xFF000000, 0), 0xFF000000u);
    EXPECT_EQ(read(prop_type::Eight04, 1, 2), 0x200000001u);
    EXPECT_EQ(read(prop_type::Logical, 1, 0), 1u);
    EXPECT_EQ(read(prop_type::Logical, 2, 0), 0u) << "true only when the stored value is 1";
    EXPECT_EQ(take_text(read(prop_type::FileName, word_of(text), 0)), text);
    EXPECT_EQ(read(prop_type::Text, word_of(""), 0), 0u) << "the empty text is none";
    EXPECT_EQ(take_byte_set(read(prop_type::Picture, word_of(data), 3)),
              (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(read(prop_type::Icon, 0, 3), 0u) << "no data, no byte set";

    uint8_t pointer[4] = {0x00, 0x7F, 0, 0}; // system cursor 32512
    EXPECT_EQ(take_byte_set(read(prop_type::MousePointer, word_of(pointer), 4)),
              (std::vector<uint8_t>{1, 0, 0, 0}))
        << "cursor ids read as numbers";
    EXPECT_EQ(pointer[1], 0x7F) << "the unit's own data is left alone";
}

TEST(PropertyValues, WritesByType) {
    const FontSetting none{};
    const uint32_t no_current[2] = {0, 0};
    WriteScratch scratch;
    auto write = [&](uint16_t type, uint32_t low, uint32_t high) {
        PropValue v =
            value_for_write(type, low, high, font_member::Whole, no_current, none, scratch);
        return std::make_pair(v.word0, v.word1);
    };
    EXPECT_EQ(write(prop_type::Choice, uint32_t(-3), 0), std::make_pair(0u, 0u));
    EXPECT_EQ(write(prop_type::Choice, 3, 9), std::make_pair(3u, 0u));
    EXPECT_EQ(write(prop_type::Integer, uint32_t(-3), 9), std::make_pair(uint32_t(-3), 0u));
    EXPECT_EQ(write(prop_type::Eight02, 5, 6), std::make_pair(5u, 6u));
    EXPECT_EQ(write(prop_type::Logical, 42, 0), std::make_pair(1u, 0u));

    const char* text = pointer_of<const char>(write(prop_type::Text, 0, 0).first);
    EXPECT_STREQ(text, "") << "no text is the empty text";

    uint8_t* set = new_byte_set("\x02\x00\x00\x00", 4); // cursor number 2
    EXPECT_EQ(write(prop_type::Sound, word_of(set), 0), std::make_pair(word_of(set + 8), 4u));
    auto [data, size] = write(prop_type::MousePointer, word_of(set), 0);
    ASSERT_EQ(size, 4u);
    EXPECT_EQ(read_u32(pointer_of<uint8_t>(data)), 32515u) << "numbers written as cursor ids";
    EXPECT_EQ(read_u32(set + 8), 2u) << "the caller's byte set is left alone";
    mem_free(set);
    EXPECT_EQ(write(prop_type::MousePointer, 0, 0), std::make_pair(0u, 0u));
}

TEST(PropertyValues, FontWriteChangesTheCurrentFontOrTheFallback) {
    LogFont current = font(-16, 400, "Tahoma");
    const FontSetting setting{font(-11, 400, "Fallback"), 120};
    WriteScratch scratch;
    const uint32_t stored[2] = {word_of(&current), sizeof current};
    PropValue v =
        value_for_write(prop_type::Font, 1, 0, font_member::Bold, stored, setting, scratch);
    ASSERT_EQ(v.word1, sizeof(LogFont));
    const auto* written = pointer_of<const LogFont>(v.word0);
    EXPECT_EQ(written->weight, 700);
    EXPECT_STREQ(written->face, "Tahoma");
    EXPECT_EQ(current.weight, 400) << "the unit's font is not written in place";

    const uint32_t none[2] = {0, 0};
    v = value_for_write(prop_type::Font, 12, 0, font_member::Size, none, setting, scratch);
    EXPECT_STREQ(pointer_of<const LogFont>(v.word0)->face, "Fallback");
    EXPECT_EQ(pointer_of<const LogFont>(v.word0)->height, -20);
    v = value_for_write(prop_type::Font, 0, 0, font_member::Whole, stored, setting, scratch);
    EXPECT_EQ(v.word0, 0u) << "member -1 without a record writes no font";

    const uint32_t read_value[2] = {word_of(&current), sizeof current};
    EXPECT_EQ(value_for_read(prop_type::Font, read_value, font_member::Size, setting), 9u);
    EXPECT_EQ(value_for_read(prop_type::Font, none, font_member::Size, setting), 6u);
}

// The kinds' dispatch over their tables: clamps, the one-byte field, Live rows,
// and the re-creation answers.
TEST(KindTable, StoresAndLoadsByRow) {
    EditBoxProps box;
    auto store = [&](int32_t index, uint32_t w0, uint32_t w1 = 0) {
        return store_property(box, *find_property<EditBoxProps>(index), PropValue{w0, w1});
    };
    EXPECT_TRUE(store(props::edit_box::BorderStyle, 9));
    EXPECT_EQ(box.BorderStyle, 5);
    EXPECT_FALSE(store(props::edit_box::MaxLength, uint32_t(-5))) << "-5 is 0, the default";
    EXPECT_TRUE(store(props::edit_box::HideSelection, 0));
    EXPECT_TRUE(store(props::edit_box::HideSelection, 7));
    EXPECT_EQ(box.HideSelection, 1);
    EXPECT_TRUE(store(props::edit_box::PasswordChar, word_of("#x")));
    EXPECT_EQ(box.PasswordChar, '#');
    EXPECT_TRUE(store(props::edit_box::Font, word_of("abc"), 3));
    EXPECT_EQ(box.Font, (ByteVec{'a', 'b', 'c'}));
    EXPECT_FALSE(store(props::edit_box::SelText, word_of("x"))) << "a Live row stores nothing";

    std::string scratch;
    uint32_t result[2] = {9, 9};
    ASSERT_TRUE(load_property(box, *find_property<EditBoxProps>(props::edit_box::PasswordChar),
                              result, scratch));
    EXPECT_STREQ(pointer_of<const char>(result[0]), "#");
    ASSERT_TRUE(
        load_property(box, *find_property<EditBoxProps>(props::edit_box::Font), result, scratch));
    EXPECT_EQ(result[1], 3u);
    EXPECT_FALSE(load_property(box, *find_property<EditBoxProps>(props::edit_box::SelText), result,
                               scratch));
    EXPECT_EQ(find_property<EditBoxProps>(props::edit_box::kCount), nullptr);
    EXPECT_EQ(find_property<EditBoxProps>("SpinMax")->index, 23);

    EXPECT_EQ(
        recreate_after(find_property<ButtonProps>(props::button::Picture)->recreate, false, false),
        1);
    const Recreate hide = find_property<EditBoxProps>(props::edit_box::HideSelection)->recreate;
    EXPECT_EQ(recreate_after(hide, true, false), 1);
    EXPECT_EQ(recreate_after(hide, true, true), 0) << "not in design mode";
    EXPECT_EQ(recreate_after(hide, false, false), 0);
}

} // namespace
} // namespace vantor::forms
