// Two-byte (GBK) characters typed into an EditBox: an ANSI window receives each
// as two WM_CHAR messages, lead byte then trail byte. Built twice: with the
// launcher's manifest (the common-controls EDIT, a Unicode control) and without
// (the classic ANSI EDIT), since the two mishandle byte pairs differently.
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

// GBK bytes of the texts typed below (the sources are compiled to GBK).
const std::string kFullWidthThree = "\xA3\xB3";           // ３
const std::string kEmulator = "\xC4\xA3\xC4\xE2\xC6\xF7"; // 模拟器

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
    // Each byte as its own WM_CHAR through the queue, as keyboard and IME input
    // reaches an ANSI window.
    static void post_bytes(HWND edit, const std::string& bytes) {
        for (unsigned char b : bytes)
            PostMessageA(edit, WM_CHAR, b, 1);
        pump();
    }
    static void send_bytes(HWND edit, const std::string& bytes) {
        for (unsigned char b : bytes)
            SendMessageA(edit, WM_CHAR, b, 1);
        pump();
    }

    FakeRequests runtime;
    Host host;
};

#define EXPECT_TEXT(box, expected)                                                                 \
    EXPECT_EQ(hex_bytes(window_text((box)->handle())), hex_bytes(expected))                        \
        << "expected \"" << (expected) << "\""

TEST_F(EditBoxDbcsTest, PostedPairBecomesOneFullWidthCharacter) {
    EditBox* box = make();
    ASSERT_NE(box, nullptr);
    post_bytes(box->handle(), kFullWidthThree);
    EXPECT_TEXT(box, kFullWidthThree);
    EXPECT_EQ(runtime.count(kEditEventChanged), 1);
    // The Content property reads back the same bytes.
    uint32_t result[2] = {};
    reinterpret_cast<forms::ReadRoutine>(edit_box_interface(forms::routine::PropertyRead))(
        box, edit_prop::Content, result);
    const char* content = reinterpret_cast<const char*>(uintptr_t(result[0]));
    EXPECT_EQ(hex_bytes(content ? content : ""), hex_bytes(kFullWidthThree));
}

TEST_F(EditBoxDbcsTest, SentPairBecomesOneCharacterToo) {
    EditBox* box = make();
    ASSERT_NE(box, nullptr);
    send_bytes(box->handle(), kFullWidthThree);
    EXPECT_TEXT(box, kFullWidthThree);
}

TEST_F(EditBoxDbcsTest, ChineseWordArrivesWhole) {
    EditBox* box = make();
    ASSERT_NE(box, nullptr);
    post_bytes(box->handle(), "D:\\" + kEmulator + "\\Nox.exe");
    EXPECT_TEXT(box, "D:\\" + kEmulator + "\\Nox.exe");
    EXPECT_EQ(runtime.count(kEditEventChanged), 3 + 3 + 8);
}

// A stray lead byte can only come from a program; sent, not posted: Wine's
// PostMessageA already joins a lead byte with whatever byte is posted next.
TEST_F(EditBoxDbcsTest, LoneLeadByteIsDroppedAndTheNextCharacterKept) {
    EditBox* box = make();
    ASSERT_NE(box, nullptr);
    send_bytes(box->handle(), "a");
    send_bytes(box->handle(), std::string("\xA3") + "1"); // no trail byte: "1" stands alone
    EXPECT_TEXT(box, std::string("a1"));
    send_bytes(box->handle(), "\xA3\b"); // a control character ends a pending lead byte too
    EXPECT_TEXT(box, std::string("a"));
    // Nothing of the stray byte is left pending: a whole word follows intact.
    send_bytes(box->handle(), "\xA3 " + kEmulator);
    EXPECT_TEXT(box, "a " + kEmulator);
    post_bytes(box->handle(), kFullWidthThree);
    EXPECT_TEXT(box, "a " + kEmulator + kFullWidthThree);
}

TEST_F(EditBoxDbcsTest, ByteAfterALoneLeadByteIsFilteredByItself) {
    EditBox* box = make(input_mode::Byte);
    ASSERT_NE(box, nullptr);
    send_bytes(box->handle(), "\xA3"
                              "7x\xA3"
                              "8");
    EXPECT_TEXT(box, std::string("78"));
}

TEST_F(EditBoxDbcsTest, LeadByteWaitingAtAFocusChangeIsDropped) {
    EditBox* box = make();
    ASSERT_NE(box, nullptr);
    SetFocus(box->handle());
    send_bytes(box->handle(), "\xA3");
    SetFocus(host.hwnd());
    SetFocus(box->handle());
    send_bytes(box->handle(), "\xC4"
                              "1"); // the earlier A3 must not pair with C4
    EXPECT_TEXT(box, std::string("1"));
}

TEST_F(EditBoxDbcsTest, NumericModesDropAFullWidthDigitWhole) {
    // The filter judges the whole character: a full-width digit is not one of
    // the digits 0 to 9, so neither of its bytes gets through.
    for (int32_t mode : {3, 4, 5, 6, 7, 8, 9, 10}) {
        SCOPED_TRACE(mode);
        EditBox* box = make(mode);
        ASSERT_NE(box, nullptr);
        post_bytes(box->handle(), "1" + kFullWidthThree + "2" + kEmulator + "3");
        EXPECT_TEXT(box, std::string("123"));
        DestroyWindow(box->handle());
    }
}

TEST_F(EditBoxDbcsTest, ModesWithoutFilterTakeTwoByteCharacters) {
    for (int32_t mode : {0, 2, 11}) {
        SCOPED_TRACE(mode);
        EditBox* box = make(mode);
        ASSERT_NE(box, nullptr);
        post_bytes(box->handle(), "1" + kFullWidthThree + kEmulator);
        EXPECT_TEXT(box, "1" + kFullWidthThree + kEmulator);
        DestroyWindow(box->handle());
    }
}

TEST_F(EditBoxDbcsTest, ImeCharacterIsFilteredLikeTypedBytes) {
    // An IME hands an ANSI window the whole character at once, lead byte in the
    // high byte.
    const WPARAM three = 0xA3B3;
    EditBox* numeric = make(input_mode::IntegerText);
    ASSERT_NE(numeric, nullptr);
    SendMessageA(numeric->handle(), WM_IME_CHAR, three, 1);
    pump();
    EXPECT_TEXT(numeric, std::string());
    DestroyWindow(numeric->handle());

    EditBox* normal = make();
    ASSERT_NE(normal, nullptr);
    SendMessageA(normal->handle(), WM_IME_CHAR, three, 1);
    pump();
    EXPECT_TEXT(normal, kFullWidthThree);
}

TEST_F(EditBoxDbcsTest, FilterJudgesWholeCharacters) {
    EXPECT_TRUE(input_accepts(input_mode::Normal, 0xA3B3));
    EXPECT_TRUE(input_accepts(input_mode::DateTime, 0xC4A3));
    EXPECT_FALSE(input_accepts(input_mode::IntegerText, 0xA3B3));
    EXPECT_FALSE(input_accepts(input_mode::DecimalText, 0xA3AE)); // full-width "."
    EXPECT_FALSE(input_accepts(input_mode::Byte, 0xA3B3));
    EXPECT_TRUE(input_accepts(input_mode::Byte, '3'));
}

} // namespace
