// The conversion between texts and UTF-16 at the system boundary. It names code
// page 936 itself, so every result is the same whatever the system's code page
// (ctest runs this program under 936, 1252 and 950).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "runtime/win32/system_text.h"
#include "tests/support/automation.h"

using namespace vantor;
using namespace vantor::testing;

namespace {

TEST(SystemText, RunsUnderTheCodePageOfItsLanguage) {
    EXPECT_EQ(GetACP(), expected_code_page());
}

TEST(SystemText, KnownTextsBothWays) {
    struct Case {
        const char* gbk;
        const wchar_t* wide;
    } cases[] = {
        {"", L""},
        {"Nox.exe", L"Nox.exe"},
        {"\xC6\xF4\xB6\xAF\xC4\xA3\xC4\xE2\xC6\xF7\xCA\xFD\xC1\xBF",
         L"\x542F\x52A8\x6A21\x62DF\x5668\x6570\x91CF"}, // 启动模拟器数量
        {"\xD2\xB9\xC9\xF1\xC4\xA3\xC4\xE2\xC6\xF7"
         "1",
         L"\x591C\x795E\x6A21\x62DF\x5668"
         L"1"},                                                              // 夜神模拟器1
        {"\xCB\xCE\xCC\xE5", L"\x5B8B\x4F53"},                               // 宋体
        {"C:\\\xB3\xCC\xD0\xF2 x\\Nox.exe", L"C:\\\x7A0B\x5E8F x\\Nox.exe"}, // 程序
        {"\x95\x5C", L"\x661E"}, // a trail byte 0x5C ("\") inside a character
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(hex_bytes(c.gbk));
        EXPECT_EQ(system_text::to_wide(c.gbk), std::wstring(c.wide));
        bool lossless = false;
        EXPECT_EQ(hex_bytes(system_text::from_wide(c.wide, &lossless)), hex_bytes(c.gbk));
        EXPECT_TRUE(lossless);
    }
    // A redirected stream gets UTF-8.
    EXPECT_EQ(hex_bytes(system_text::to_utf8(L"a\x591C")), "61 E5 A4 9C");
    // The literals of this program are GBK bytes, whatever the system.
    EXPECT_EQ(hex_bytes("启动"), "C6 F4 B6 AF");
}

// Every two-byte sequence that is a GBK character comes back as the same two
// bytes; GBK holds 21,886 characters beside the user-defined areas.
TEST(SystemText, EveryDoubleByteCharacterRoundTrips) {
    const std::wstring substitute = system_text::to_wide(std::string("\x81\x20", 2)).substr(0, 1);
    int characters = 0, broken = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F)
                continue;
            const std::string pair{char(lead), char(trail)};
            const std::wstring wide = system_text::to_wide(pair);
            if (wide.size() != 1 || wide == substitute)
                continue; // no character here
            ++characters;
            bool lossless = false;
            if (system_text::from_wide(wide, &lossless) != pair || !lossless) {
                if (++broken <= 5)
                    ADD_FAILURE() << "not round trip: " << hex_bytes(pair);
            }
        }
    }
    EXPECT_GE(characters, 21886);
    EXPECT_EQ(broken, 0);
}

TEST(SystemText, InvalidAndTruncatedSequencesNeverReadPastTheText) {
    struct Case {
        std::string gbk;
        size_t wide_length; // one character per whole or broken sequence
    } cases[] = {
        {std::string("a\xC4", 2), 2},     // lead byte at the end
        {std::string("\xC4 a", 3), 3},    // lead byte before a blank: no trail byte
        {std::string("\xFF\xFF", 2), 2},  // bytes that start nothing
        {std::string("\xC4\x00z", 3), 3}, // a zero inside a counted text
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(hex_bytes(c.gbk));
        const std::wstring wide = system_text::to_wide(c.gbk);
        EXPECT_GE(wide.size(), 1u);
        EXPECT_LE(wide.size(), c.wide_length);
        EXPECT_NE(wide.find_first_not_of(L'\0'), std::wstring::npos);
    }
    EXPECT_EQ(system_text::to_wide(static_cast<const char*>(nullptr)), L"");
    bool lossless = false;
    EXPECT_EQ(system_text::from_wide(static_cast<const wchar_t*>(nullptr), &lossless), "");
    EXPECT_TRUE(lossless);
}

TEST(SystemText, CharactersOutsideGbkTravelAsFourByteSequences) {
    struct Case {
        const wchar_t* wide;
        const char* bytes;
        bool lossless;
    } cases[] = {
        {L"J\xF6rg", "J\x81\x30\x8B\x32rg", true},                       // ö
        {L"\x01A1\x1EA1", "\x81\x30\x9B\x31\x81\x35\xFE\x35", true},     // ơ ạ
        {L"C:\\\xD55C\\Nox.exe", "C:\\\x83\x36\x84\x33\\Nox.exe", true}, // Korean
        {L"a\xD83D\xDE00z", "a\x94\x39\xFC\x36z", true},                 // an emoji
        {L"a\xD800z", "a?z", false}, // a lone surrogate names no character
        {L"\xDE00\xD83D", "??", false},
    };
    for (const Case& c : cases) {
        bool lossless = !c.lossless;
        EXPECT_EQ(hex_bytes(system_text::from_wide(c.wide, &lossless)), hex_bytes(c.bytes));
        EXPECT_EQ(lossless, c.lossless) << hex_bytes(c.bytes);
        if (c.lossless)
            EXPECT_EQ(system_text::to_wide(c.bytes), std::wstring(c.wide));
    }
    // A four-byte sequence that names no code point reads as '?'.
    EXPECT_EQ(system_text::to_wide("a\x84\x31\xA5\x30z"), L"a?z");
}

// Every code point a UTF-16 text can hold comes back whole, whatever the
// system's code page: the BMP as one text, then every supplementary plane.
TEST(SystemText, EveryCodePointRoundTrips) {
    std::wstring bmp, planes;
    for (wchar_t c = 1; c != 0; ++c)
        if (c < 0xD800 || c > 0xDFFF)
            bmp += c;
    for (char32_t cp = 0x10000; cp <= 0x10FFFF; ++cp) {
        planes += wchar_t(0xD800 + ((cp - 0x10000) >> 10));
        planes += wchar_t(0xDC00 + ((cp - 0x10000) & 0x3FF));
    }
    for (const std::wstring* text : {&bmp, &planes}) {
        bool lossless = false;
        const std::wstring back = system_text::to_wide(system_text::from_wide(*text, &lossless));
        EXPECT_TRUE(lossless);
        ASSERT_EQ(back.size(), text->size());
        const auto differ = std::mismatch(back.begin(), back.end(), text->begin());
        EXPECT_TRUE(differ.first == back.end()) << "U+" << std::hex << unsigned(*differ.second)
                                                << " came back as U+" << unsigned(*differ.first);
    }
}

TEST(SystemText, FontFaceNamesBothWaysCutAtWholeCharacters) {
    LOGFONTA stored{};
    stored.lfHeight = -12;
    stored.lfWeight = FW_BOLD;
    std::strcpy(stored.lfFaceName, "\xCB\xCE\xCC\xE5"); // 宋体
    const LOGFONTW wide = system_text::to_wide(stored);
    EXPECT_EQ(wide.lfHeight, -12);
    EXPECT_EQ(wide.lfWeight, FW_BOLD);
    EXPECT_EQ(std::wstring(wide.lfFaceName), L"\x5B8B\x4F53");
    const LOGFONTA back = system_text::from_wide(wide);
    EXPECT_EQ(std::memcmp(&back, &stored, sizeof back), 0);

    // 31 two-byte characters do not fit 31 bytes: 15 of them do, never half of one.
    LOGFONTW long_face{};
    for (int i = 0; i < LF_FACESIZE - 1; ++i)
        long_face.lfFaceName[i] = L'\x5B8B';
    const LOGFONTA cut = system_text::from_wide(long_face);
    EXPECT_EQ(std::strlen(cut.lfFaceName), 30u);
    // Eight four-byte characters do not fit either: seven do.
    for (int i = 0; i < 8; ++i)
        long_face.lfFaceName[i] = L'\xF6';
    long_face.lfFaceName[8] = 0;
    EXPECT_EQ(std::strlen(system_text::from_wide(long_face).lfFaceName), 28u);
}

TEST(SystemText, WindowTextsThroughTheWideFunctions) {
    HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(edit, nullptr);
    const char* text = "\xD2\xB9\xC9\xF1\xC4\xA3\xC4\xE2\xC6\xF7"
                       "2"; // 夜神模拟器2
    EXPECT_TRUE(system_text::set_window_text(edit, text));
    wchar_t shown[32] = {};
    GetWindowTextW(edit, shown, 32);
    EXPECT_EQ(std::wstring(shown), L"\x591C\x795E\x6A21\x62DF\x5668"
                                   L"2");
    EXPECT_EQ(hex_bytes(system_text::window_text(edit)), hex_bytes(text));
    DestroyWindow(edit);
}

} // namespace
