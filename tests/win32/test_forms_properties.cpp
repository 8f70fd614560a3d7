// Property access by index: the fixed properties from the live window or the
// stored record, the conversions of the kinds' properties by property type,
// fonts, and re-creation after a write that asks for it.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "forms/record.h"
#include "forms/win32/engine.h"
#include "forms/win32/loader.h"
#include "forms/win32/properties.h"
#include "runtime/allocator.h"
#include "runtime/win32/kernel.h"
#include "tests/support/forms_harness.h"
#include "tests/support/kernel_access.h"
#include "tests/support/sequence.h"
#include "tests/support/test_form.h"
#include "tests/support/test_kinds.h"

using namespace vantor;
using namespace vantor::testing;
using namespace vantor::props::fixed;

namespace {

using FormsProperties = FormsTest;

std::vector<uint8_t> byte_set(const std::vector<uint8_t>& data) {
    std::vector<uint8_t> set(8 + data.size());
    write_u32(set.data(), 1);
    write_u32(set.data() + 4, uint32_t(data.size()));
    std::copy(data.begin(), data.end(), set.begin() + 8);
    return set;
}

std::vector<uint8_t> dword_bytes(uint32_t v) {
    return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}

// Takes a byte set the engine returned: its data, and frees it.
std::vector<uint8_t> take_byte_set(uint64_t value) {
    auto* set = reinterpret_cast<uint8_t*>(uintptr_t(uint32_t(value)));
    if (!set)
        return {};
    EXPECT_EQ(read_u32(set), 1u) << "a byte set starts with 1";
    std::vector<uint8_t> data(set + 8, set + 8 + read_u32(set + 4));
    mem_free(set);
    return data;
}

int32_t as_signed(uint64_t v) {
    return int32_t(uint32_t(v));
}

LOGFONTA stored_font(const TestUnit& unit) {
    LOGFONTA lf{};
    EXPECT_EQ(unit.font.size(), sizeof lf);
    if (unit.font.size() == sizeof lf)
        std::memcpy(&lf, unit.font.data(), sizeof lf);
    return lf;
}

int dpi() {
    HDC dc = GetDC(nullptr);
    int d = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return d;
}

const forms::WindowRecord& main_record() {
    return *forms::find_window(vantor::testing::KernelTestAccess::state().windows, ids::Main);
}

uint32_t stored_field(uint32_t unit, forms::Field f) {
    auto view = forms::find_unit(main_record(), unit);
    forms::RecordCursor cursor;
    EXPECT_TRUE(view && cursor.open(view->body, view->size));
    return cursor.get(f);
}

// Main's unit X: the test kind with a property of every type.
uint64_t read_x(int32_t index, int32_t member = -1) {
    return read(ids::Main, ids::MainX, index, member);
}
void write_x(int32_t index, uint32_t low, uint32_t high = 0, int32_t member = -1) {
    write(ids::Main, ids::MainX, index, low, high, member);
}
std::string text_x(int32_t index, int32_t member = -1) {
    return read_text(ids::Main, ids::MainX, index, member);
}

} // namespace

TEST_F(FormsProperties, GeometryWritesClampAndALiveUnitsComesFromItsWindow) {
    // Index, written, stored.
    const std::tuple<int32_t, int32_t, int32_t> rows[] = {
        {Width, 40000, 32627},  {Width, -5, 0},      {Height, 32628, 32627}, {Height, -1, 0},
        {Left, -40000, -32627}, {Top, 40000, 32627}, {Left, -32627, -32627}, {Width, 77, 77}};
    for (auto [index, written, stored] : rows) {
        write(ids::Main, ids::MainA, index, uint32_t(written));
        EXPECT_EQ(as_signed(read(ids::Main, ids::MainA, index)), stored)
            << "property " << index << " written " << written;
    }

    // A live unit's geometry comes from its window.
    ASSERT_TRUE(load(ids::Main));
    HWND a = handle_of(ids::Main, ids::MainA);
    MoveWindow(a, 20, 30, 111, 22, TRUE);        // as if the user had moved it
    const uint64_t placed[] = {20, 30, 111, 22}; // Left, Top, Width, Height
    for (int32_t index = Left; index <= Height; ++index)
        EXPECT_EQ(read(ids::Main, ids::MainA, index), placed[index]) << index;
    // A control on a container reports its parent's client coordinates.
    EXPECT_EQ(read(ids::Main, ids::MainQ, Left), 5u);
    // The window itself reports screen coordinates.
    const std::array<LONG, 4> window = screen_box(handle_of(ids::Main, 0));
    EXPECT_EQ(as_signed(read(ids::Main, 0, Left)), window[0]);
    EXPECT_EQ(as_signed(read(ids::Main, 0, Width)), window[2]);

    write(ids::Main, ids::MainA, Left, 44); // moves, keeping top and size
    RECT r = rect_in_parent(a);
    EXPECT_EQ((std::array{r.left, r.top, r.right - r.left}), (std::array<LONG, 3>{44, 30, 111}));
    write(ids::Main, ids::MainA, Height, 40000);
    EXPECT_EQ(screen_box(a)[3], 32627);
    EXPECT_EQ(stored_field(ids::MainA, forms::Field::Height), 32627u);
    EXPECT_EQ(stored_field(ids::MainA, forms::Field::Left), 44u);
}

TEST_F(FormsProperties, VisibleAndDisabledFollowTheWindowAndTheRecord) {
    EXPECT_EQ(read(ids::Main, ids::MainD, Visible), 0u) << "stored: not visible";
    EXPECT_EQ(read(ids::Main, ids::MainD, Disabled), 1u) << "stored: disabled";
    ASSERT_TRUE(load(ids::Main));
    HWND d = handle_of(ids::Main, ids::MainD);
    write(ids::Main, ids::MainD, Visible, 1);
    write(ids::Main, ids::MainD, Disabled, 0);
    EXPECT_TRUE(IsWindowVisible(d));
    EXPECT_TRUE(IsWindowEnabled(d));
    EXPECT_EQ(read(ids::Main, ids::MainD, Visible), 1u);
    EXPECT_EQ(read(ids::Main, ids::MainD, Disabled), 0u);
    EXPECT_EQ(stored_field(ids::MainD, forms::Field::State) & 3, 1u);
    SetFocus(d);
    ASSERT_EQ(GetFocus(), d);
    write(ids::Main, ids::MainD, Disabled, 1);
    EXPECT_EQ(GetFocus(), handle_of(ids::Main, 0)) << "the focus left with the disabled control";
    write(ids::Main, ids::MainD, Disabled, 0);
    ShowWindow(d, SW_HIDE);
    EXPECT_EQ(read(ids::Main, ids::MainD, Visible), 0u) << "read from the live window";

    // Units of a never-shown kind and of a page not selected stay hidden.
    auto show = [](uint32_t unit) {
        write(ids::Main, unit, Visible, 1);
        return IsWindowVisible(handle_of(ids::Main, unit)) != FALSE;
    };
    EXPECT_FALSE(show(ids::MainC)) << "never-shown kind";
    EXPECT_FALSE(show(ids::MainI)) << "second page, first selected";
    write(ids::Main, ids::MainG, kRecreateProperty, 1); // Pages: select the second page
    EXPECT_TRUE(show(ids::MainI));
    write(ids::Main, ids::MainH, Visible, 0);
    EXPECT_FALSE(show(ids::MainH)) << "first page, not selected";
}

TEST_F(FormsProperties, TagIsRewrittenInPlaceWithoutDisturbingLaterRecords) {
    const std::string long_tag(300, 'x');
    for (bool live : {false, true}) {
        ASSERT_TRUE(!live || load(ids::Main));
        EXPECT_EQ(text_x(Tag), "标签");
        write_x(Tag, word_of(long_tag.c_str()));
        EXPECT_EQ(text_x(Tag), long_tag);
        write_x(Tag, 0);
        EXPECT_EQ(read_x(Tag), 0u) << "no text: empty, read as none";
        EXPECT_TRUE(forms::check_unit_table(main_record(), nullptr));
        EXPECT_EQ(stored_field(ids::MainS, forms::Field::Left), 270u) << "a later record";
        EXPECT_EQ(stored_field(ids::MainS, forms::Field::TabOrder), 1u);
        write_x(Tag, word_of("标签"));
        if (live) {
            EXPECT_NE(handle_of(ids::Main, ids::MainS), nullptr)
                << "later unit's object slot intact";
        }
    }
}

// A 32 x 32 monochrome cursor file with its hot spot at (5, 6).
std::vector<uint8_t> cursor_file() {
    // Directory: a cursor of one image, its 304 bytes at 22; then the bitmap header
    // (32 x 64: the XOR and AND masks, one plane, one bit per pixel).
    std::vector<uint8_t> f = {0, 0, 2, 0,  1, 0, 32, 32, 0, 0, 5, 0,  6, 0, 0x30, 1, 0, 0, 22,
                              0, 0, 0, 40, 0, 0, 0,  32, 0, 0, 0, 64, 0, 0, 0,    1, 0, 1, 0};
    f.resize(22 + 40 + 8 + 256);
    std::fill(f.begin() + 22 + 40 + 4, f.begin() + 22 + 40 + 8, uint8_t(0xFF)); // white
    std::fill(f.begin() + 22 + 40 + 8 + 128, f.end(), uint8_t(0xFF));           // AND: transparent
    return f;
}

TEST_F(FormsProperties, MousePointerIsStoredAsSystemIdOrCursorImageAndReadAsGiven) {
    ASSERT_TRUE(load(ids::Main));
    EXPECT_EQ(take_byte_set(read_x(MousePointer)), dword_bytes(2));
    HCURSOR before = forms::unit_cursor(ids::Main, ids::MainX);
    EXPECT_NE(before, nullptr) << "the cursor pass made the stored cross";
    auto ibeam = byte_set(dword_bytes(3));
    write_x(MousePointer, word_of(ibeam.data()));
    const forms::WindowRecord& w = main_record();
    forms::RecordCursor cursor;
    auto view = forms::find_unit(w, ids::MainX);
    ASSERT_TRUE(view && cursor.open(view->body, view->size));
    ASSERT_EQ(cursor.mouse_pointer().size(), 4u);
    EXPECT_EQ(read_u32(cursor.mouse_pointer().data()), 32513u);
    EXPECT_EQ(take_byte_set(read_x(MousePointer)), dword_bytes(3));
    EXPECT_NE(forms::unit_cursor(ids::Main, ids::MainX), nullptr);
    write_x(MousePointer, 0);
    EXPECT_EQ(read_x(MousePointer), 0u);
    EXPECT_EQ(forms::unit_cursor(ids::Main, ids::MainX), nullptr);

    // Cursor images become cursors with their hot spot.
    std::vector<uint8_t> file = cursor_file();
    std::vector<uint8_t> marked = dword_bytes(0xFFFFFFFF);
    marked.insert(marked.end(), file.begin(), file.end());
    const std::vector<uint8_t> cut(marked.begin(), marked.begin() + 60);
    // What is stored, its bytes, whether a cursor is made of them.
    const std::tuple<const char*, std::vector<uint8_t>, bool> rows[] = {
        {"-1 then a cursor file", marked, true},
        {"a cursor file as a whole", file, true},
        {"-1 then a cut cursor file", cut, false},
        {"-1 alone", dword_bytes(0xFFFFFFFF), false}};
    for (const auto& [name, data, made] : rows) {
        SCOPED_TRACE(name);
        auto set = byte_set(data);
        write_x(MousePointer, word_of(set.data()));
        HCURSOR made_cursor = forms::unit_cursor(ids::Main, ids::MainX);
        EXPECT_EQ(made_cursor != nullptr, made);
        EXPECT_EQ(take_byte_set(read_x(MousePointer)), data) << "stored as given";
        ICONINFO info{};
        if (made_cursor && GetIconInfo(reinterpret_cast<HICON>(made_cursor), &info)) {
            EXPECT_EQ((std::pair{info.xHotspot, info.yHotspot}), (std::pair<DWORD, DWORD>{5, 6}));
            DeleteObject(info.hbmMask);
            DeleteObject(info.hbmColor);
        }
    }
}

TEST_F(FormsProperties, KindValuesAreConvertedByPropertyTypeAndDataCopiedBothWays) {
    ASSERT_TRUE(load(ids::Main));
    TestUnit& x = *test_unit(ids::Main, ids::MainX);
    // The two words written, the two the write routine gets, the value read back.
    const std::tuple<const char*, int32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint64_t>
        rows[] = {
            {"integer", probe::Integer, 0xFFFFFFFB, 9, 0xFFFFFFFB, 0, 0xFFFFFFFB},
            {"choice keeps non-negative", probe::Choice, 3, 0, 3, 0, 3},
            {"choice negative becomes 0", probe::Choice, uint32_t(-3), 0, 0, 0, 0},
            {"logical nonzero becomes 1", probe::Logical, 7, 0, 1, 0, 1},
            {"logical zero", probe::Logical, 0, 0, 0, 0, 0},
            {"eight bytes", probe::Eight, 0x11223344, 0x55667788, 0x11223344, 0x55667788,
             0x5566778811223344ull},
            {"colour", probe::Color, 0x00FF8000, 1, 0x00FF8000, 0, 0x00FF8000},
        };
    for (auto [name, index, low, high, received0, received1, read_back] : rows) {
        write_x(index, low, high);
        EXPECT_EQ(x.last_value.word0, received0) << name;
        EXPECT_EQ(x.last_value.word1, received1) << name;
        EXPECT_EQ(read_x(index), read_back) << name;
    }
    x.logical = 2; // a stored logical is true only when it is 1
    EXPECT_EQ(read_x(probe::Logical), 0u);

    // Byte data and texts are copied both ways.
    auto picture = byte_set({'a', 'b', 'c'});
    write_x(probe::Picture, word_of(picture.data()));
    EXPECT_EQ(x.last_value.word0, word_of(picture.data() + 8)) << "the routine sees the data";
    EXPECT_EQ(x.last_value.word1, 3u);
    uint64_t copy = read_x(probe::Picture);
    EXPECT_NE(uint32_t(copy), word_of(x.picture.data())) << "the caller gets its own copy";
    EXPECT_EQ(take_byte_set(copy), (std::vector<uint8_t>{'a', 'b', 'c'}));
    write_x(probe::Picture, 0);
    EXPECT_EQ(x.last_value.word0, 0u);
    EXPECT_EQ(x.last_value.word1, 0u);
    EXPECT_EQ(read_x(probe::Picture), 0u) << "no data reads as none";

    auto cross = byte_set(dword_bytes(2));
    write_x(probe::Pointer, word_of(cross.data()));
    EXPECT_EQ(x.pointer, dword_bytes(32515)) << "number to system id";
    EXPECT_EQ(read_u32(cross.data() + 8), 2u) << "the caller's byte set is left alone";
    EXPECT_EQ(take_byte_set(read_x(probe::Pointer)), dword_bytes(2));

    write_x(probe::Text, 0);
    ASSERT_NE(x.last_value.word0, 0u) << "no text arrives as the empty text";
    EXPECT_STREQ(reinterpret_cast<const char*>(uintptr_t(x.last_value.word0)), "");
    EXPECT_EQ(read_x(probe::Text), 0u) << "the empty text reads as none";
    write_x(probe::Text, word_of("中文"));
    uint64_t text = read_x(probe::Text);
    EXPECT_NE(uint32_t(text), word_of(x.text.c_str()));
    EXPECT_EQ(text_x(probe::Text), "中文");
    mem_free(reinterpret_cast<void*>(uintptr_t(uint32_t(text))));
}

TEST_F(FormsProperties, FontMembersAreWrittenIntoTheLogicalFontAfterTheDefaultFont) {
    ASSERT_TRUE(load(ids::Main));
    TestUnit& x = *test_unit(ids::Main, ids::MainX);
    using namespace forms::font_member;
    LOGFONTA gui{}; // read while the unit has no font
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof gui, &gui);
    EXPECT_EQ(text_x(probe::Font, FaceName), std::string(gui.lfFaceName));
    const std::pair<int32_t, LONG> angles[] = {{-10, 3590}, {7210, 10}, {3600, 0}, {-3610, 3590}};
    for (auto [written, stored] : angles) {
        SCOPED_TRACE(written);
        write_x(probe::Font, uint32_t(written), 0, Angle);
        EXPECT_EQ(stored_font(x).lfEscapement, stored);
        EXPECT_EQ(stored_font(x).lfOrientation, stored);
        EXPECT_EQ(read_x(probe::Font, Angle), uint32_t(stored));
    }
    write_x(probe::Font, 5, 0, Bold);
    EXPECT_EQ(stored_font(x).lfWeight, 700);
    EXPECT_EQ(read_x(probe::Font, Bold), 1u);
    write_x(probe::Font, 0, 0, Bold);
    EXPECT_EQ(stored_font(x).lfWeight, 0);
    for (int32_t member : {Italic, StrikeOut, Underline}) {
        write_x(probe::Font, 9, 0, member);
        EXPECT_EQ(read_x(probe::Font, member), 1u) << "member " << member;
    }
    EXPECT_EQ(stored_font(x).lfItalic, 1);
    write_x(probe::Font, 12, 0, Size);
    EXPECT_EQ(stored_font(x).lfHeight, -MulDiv(12, dpi(), 72));
    EXPECT_EQ(read_x(probe::Font, Size), 12u);
    write_x(probe::Font, uint32_t(-4), 0, Size);
    EXPECT_EQ(stored_font(x).lfHeight, 0) << "a negative size is 0";
    EXPECT_EQ(stored_font(x).lfWeight, 0) << "other members kept";

    // Face names outside 1 to 31 bytes become SongTi.
    const std::string b31(31, 'f'), b32(32, 'f');
    const std::pair<const char*, std::string> faces[] = {{"Tahoma", "Tahoma"},
                                                         {b31.c_str(), b31},
                                                         {b32.c_str(), "宋体"},
                                                         {"", "宋体"},
                                                         {nullptr, "宋体"}};
    for (const auto& [written, stored] : faces) {
        SCOPED_TRACE(written ? std::to_string(std::strlen(written)) + " bytes" : "none");
        write_x(probe::Font, word_of(written), 0, FaceName);
        EXPECT_EQ(std::string(stored_font(x).lfFaceName), stored);
        EXPECT_EQ(text_x(probe::Font, FaceName), stored);
    }
}

TEST_F(FormsProperties, WholeFontRecordTakesTheAngleAsGivenAndItsOwnFaceRules) {
    ASSERT_TRUE(load(ids::Main));
    TestUnit& x = *test_unit(ids::Main, ids::MainX);
    const std::string b31(31, 'f'), b30(30, 'f');
    const LONG pt9 = -MulDiv(9, dpi(), 72), pt12 = -MulDiv(12, dpi(), 72);
    // The record; the angle, weight, height and face stored.
    const std::tuple<forms::FontRecord, LONG, LONG, LONG, std::string> rows[] = {
        {{4000, 1, 0, 1, 0, 9, "Tahoma"}, 4000, 700, pt9, "Tahoma"},
        {{-10, 0, 1, 0, 1, -3, ""}, -10, 0, 0, ""},
        {{0, 0, 0, 0, 0, 12, nullptr}, 0, 0, pt12, "宋体"},
        {{0, 0, 0, 0, 0, 12, b31.c_str()}, 0, 0, pt12, "宋体"},
        {{0, 0, 0, 0, 0, 12, b30.c_str()}, 0, 0, pt12, b30}};
    for (const auto& [record, angle, weight, height, face] : rows) {
        write_x(probe::Font, word_of(&record), 0, forms::font_member::Whole);
        LOGFONTA lf = stored_font(x);
        EXPECT_EQ((std::array{lf.lfEscapement, lf.lfOrientation, lf.lfWeight, lf.lfHeight}),
                  (std::array{angle, angle, weight, height}))
            << "angle, weight, height";
        EXPECT_EQ(lf.lfStrikeOut, record.strike_out);
        EXPECT_EQ(std::string(lf.lfFaceName), face);
    }
    auto* back = reinterpret_cast<forms::FontRecord*>(
        uintptr_t(uint32_t(read_x(probe::Font, forms::font_member::Whole))));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->size, 12);
    EXPECT_STREQ(back->face, b30.c_str());
    mem_free(const_cast<char*>(back->face));
    mem_free(back);
    write_x(probe::Font, 0, 0, forms::font_member::Whole);
    EXPECT_EQ(x.last_value.word0, 0u) << "no record: the routine gets no data";
    EXPECT_EQ(x.last_value.word1, 0u);
}

TEST_F(FormsProperties, RecreationKeepsZOrderFocusChildrenAndValuesUnlessNeverRecreated) {
    ASSERT_TRUE(load(ids::Main));
    HWND window = handle_of(ids::Main, 0);
    HWND old_panel = handle_of(ids::Main, ids::MainP);
    HWND q = handle_of(ids::Main, ids::MainQ);
    HWND r = handle_of(ids::Main, ids::MainR);
    int control_id = GetDlgCtrlID(old_panel);
    std::vector<HWND> order = children_of(window);
    SetFocus(q);
    ASSERT_EQ(GetFocus(), q);
    clear_log();
    write(ids::Main, ids::MainP, kRecreateProperty, 1);
    HWND panel = handle_of(ids::Main, ids::MainP);
    ASSERT_NE(panel, nullptr);
    EXPECT_NE(panel, old_panel);
    EXPECT_FALSE(IsWindow(old_panel));
    EXPECT_EQ(test_unit(ids::Main, ids::MainP)->generation, 1u)
        << "created from the serialised block";
    std::replace(order.begin(), order.end(), old_panel, panel);
    EXPECT_EQ(children_of(window), order) << "z-order kept";
    EXPECT_EQ(children_of(panel), (std::vector<HWND>{q, r})) << "children moved in their order";
    EXPECT_EQ(GetFocus(), q) << "the focus stayed on the moved child";
    EXPECT_TRUE(IsWindowVisible(panel));
    EXPECT_EQ(GetDlgCtrlID(panel), control_id);
    // The new panel gets 32879 and 32886 (its event 5 dropped while events are
    // blocked), its parent 32772; the old one is destroyed last.
    static const Step expected[] = {
        {"P 806F"},    {"P 8076"}, {"W 8004"}, {"P show 1"}, {"P show 0", kOptional},
        {"P destroy"}, {nullptr}};
    // Moving the children may hide and show them again; that is the platform's.
    auto log = take_log();
    std::erase_if(log, [](const std::string& line) {
        return line.rfind("Q ", 0) == 0 || line.rfind("R ", 0) == 0;
    });
    EXPECT_TRUE(sequence_matches(log, expected));

    // The focus goes to the new object.
    write_x(probe::Integer, 42);
    write_x(probe::Text, word_of("kept"));
    HWND old = handle_of(ids::Main, ids::MainX);
    SetFocus(old);
    const std::array<LONG, 4> before = screen_box(old);
    write_x(probe::Recreate, 1);
    HWND fresh = handle_of(ids::Main, ids::MainX);
    ASSERT_NE(fresh, old);
    EXPECT_EQ(GetFocus(), fresh);
    EXPECT_EQ(screen_box(fresh), before);
    EXPECT_EQ(read_x(probe::Integer), 42u);
    EXPECT_EQ(text_x(probe::Text), "kept");
    EXPECT_EQ(text_x(Tag), "标签") << "the record is the unit's own";

    // Types marked never re-created keep their object.
    HWND fixed = handle_of(ids::Main, ids::MainF);
    write(ids::Main, ids::MainF, kRecreateProperty, 1);
    EXPECT_EQ(handle_of(ids::Main, ids::MainF), fixed);
    EXPECT_EQ(test_unit(ids::Main, ids::MainF)->generation, 0u);
}
