// Two-byte (GBK) characters typed into an EditBox. The box is a Unicode window:
// keyboard and input-method characters reach it as UTF-16, whatever the
// system's code page, and its Content reads back as GBK bytes. Built twice:
// with the launcher's manifest (the common-controls EDIT) and without (the
// classic EDIT).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/edit_box.h"
#include "controls/edit_input.h"
#include "tests/support/automation.h"
#include "tests/support/win32.h"

using namespace vantor;
using namespace vantor::controls;
using namespace vantor::testing;
using forms::EditBoxProps;

namespace {

// GBK bytes of the texts typed below (the sources are compiled to GBK), and
// the same texts as UTF-16.
const std::string kFullWidthThree = "\xA3\xB3";           // ３
const std::string kEmulator = "\xC4\xA3\xC4\xE2\xC6\xF7"; // 模拟器
const std::wstring kWideFullWidthThree = L"\xFF13";
const std::wstring kWideEmulator = L"\x6A21\x62DF\x5668";

class EditBoxDbcsTest : public ::testing::Test {
  protected:
    EditBox* make(int32_t input_mode = input_mode::Normal) {
        EditBoxProps props;
        props.InputMode = input_mode;
        auto* box = dynamic_cast<EditBox*>(
            create_unit(edit_box_interface, forms::write_block(props), host.hwnd()));
        runtime.events.clear();
        return box;
    }
    // Each UTF-16 unit as its own WM_CHAR through the queue, as keyboard and IME
    // input reaches a Unicode window.
    static void post_chars(HWND edit, const std::wstring& text) {
        for (wchar_t c : text)
            PostMessageW(edit, WM_CHAR, c, 1);
        pump();
    }
    static std::string content(EditBox* box) {
        uint32_t result[2] = {};
        reinterpret_cast<forms::ReadRoutine>(edit_box_interface(forms::routine::PropertyRead))(
            box, props::edit_box::Content - forms::kFirstOwnProperty, result);
        const char* text = reinterpret_cast<const char*>(uintptr_t(result[0]));
        return text ? text : "";
    }

    FakeRequests runtime;
    Host host;
};

#define EXPECT_TEXT(box, expected)                                                                 \
    EXPECT_EQ(hex_bytes(window_text((box)->handle())), hex_bytes(expected))                        \
        << "expected \"" << (expected) << "\""

TEST_F(EditBoxDbcsTest, TypedCharactersReadBackAsGbk) {
    EditBox* box = make();
    ASSERT_NE(box, nullptr);
    post_chars(box->handle(), L"D:\\" + kWideEmulator + L"\\Nox.exe" + kWideFullWidthThree);
    const std::string expected = "D:\\" + kEmulator + "\\Nox.exe" + kFullWidthThree;
    EXPECT_TEXT(box, expected);
    EXPECT_EQ(hex_bytes(content(box)), hex_bytes(expected));
    EXPECT_EQ(runtime.count(kEditEventChanged), 3 + 3 + 8 + 1);
}

TEST_F(EditBoxDbcsTest, ContentWrittenShowsAsTheSystemsCharacters) {
    EditBox* box = make();
    ASSERT_NE(box, nullptr);
    const std::string text = kEmulator + kFullWidthThree;
    forms::PropValue value{uint32_t(uintptr_t(text.c_str())), 0};
    reinterpret_cast<forms::WriteRoutine>(edit_box_interface(forms::routine::PropertyWritten))(
        box, props::edit_box::Content - forms::kFirstOwnProperty, &value, nullptr);
    wchar_t shown[16] = {};
    GetWindowTextW(box->handle(), shown, 16);
    EXPECT_EQ(std::wstring(shown), kWideEmulator + kWideFullWidthThree);
}

// A character GBK lacks stays in the box as typed; Content reads it as "?",
// never as bytes of another character.
// A character GBK lacks reads as its GB18030 four-byte sequence (lossless).
TEST_F(EditBoxDbcsTest, CharacterOutsideGbkReadsAsItsFourByteSequence) {
    EditBox* box = make();
    ASSERT_NE(box, nullptr);
    post_chars(box->handle(), L"a\xD55C" + kWideEmulator); // 한 (Korean)
    wchar_t shown[16] = {};
    GetWindowTextW(box->handle(), shown, 16);
    EXPECT_EQ(std::wstring(shown), L"a\xD55C" + kWideEmulator);
    EXPECT_EQ(hex_bytes(content(box)), hex_bytes("a\x83\x36\x84\x33" + kEmulator));
}

TEST_F(EditBoxDbcsTest, NumericModesDropAFullWidthDigitWhole) {
    // A full-width digit is not one of the digits 0 to 9.
    for (int32_t mode : {3, 4, 5, 6, 7, 8, 9, 10}) {
        SCOPED_TRACE(mode);
        EditBox* box = make(mode);
        ASSERT_NE(box, nullptr);
        post_chars(box->handle(), L"1" + kWideFullWidthThree + L"2" + kWideEmulator + L"3");
        EXPECT_TEXT(box, std::string("123"));
        DestroyWindow(box->handle());
    }
}

TEST_F(EditBoxDbcsTest, ModesWithoutFilterTakeTwoByteCharacters) {
    for (int32_t mode : {0, 2, 11}) {
        SCOPED_TRACE(mode);
        EditBox* box = make(mode);
        ASSERT_NE(box, nullptr);
        post_chars(box->handle(), L"1" + kWideFullWidthThree + kWideEmulator);
        EXPECT_TEXT(box, "1" + kFullWidthThree + kEmulator);
        DestroyWindow(box->handle());
    }
}

TEST_F(EditBoxDbcsTest, ImeCharacterIsFilteredLikeTypedOnes) {
    EditBox* numeric = make(input_mode::IntegerText);
    ASSERT_NE(numeric, nullptr);
    SendMessageW(numeric->handle(), WM_IME_CHAR, kWideFullWidthThree[0], 1);
    pump();
    EXPECT_TEXT(numeric, std::string());
    DestroyWindow(numeric->handle());

    EditBox* normal = make();
    ASSERT_NE(normal, nullptr);
    SendMessageW(normal->handle(), WM_IME_CHAR, kWideFullWidthThree[0], 1);
    pump();
    EXPECT_TEXT(normal, kFullWidthThree);
}

TEST_F(EditBoxDbcsTest, FilterJudgesWholeCharacters) {
    EXPECT_TRUE(input_accepts(input_mode::Normal, 0xFF13));
    EXPECT_TRUE(input_accepts(input_mode::DateTime, 0x6A21));
    EXPECT_FALSE(input_accepts(input_mode::IntegerText, 0xFF13));
    EXPECT_FALSE(input_accepts(input_mode::DecimalText, 0xFF0E)); // full-width "."
    EXPECT_FALSE(input_accepts(input_mode::Byte, 0xFF13));
    EXPECT_TRUE(input_accepts(input_mode::Byte, '3'));
}

} // namespace
