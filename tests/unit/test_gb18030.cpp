// The four-byte part of the text encoding against glibc's GB18030 converter,
// for every code point, and the character walk over mixed texts.
#include <gtest/gtest.h>
#include <iconv.h>

#include <set>
#include <string>

#include "runtime/gb18030.h"

using namespace vantor;

namespace {

// glibc's GB18030 follows the standard's later revisions, which moved these
// code points between its two-byte and four-byte parts; ours is the 2000
// mapping, whose two-byte part is Windows' code page 936. The 2022 revision
// (glibc 2.39 and later, Debian 13) also gave the private-use code points
// whose two-byte codes went to standard characters four-byte forms.
bool revised(char32_t cp) {
    static const std::set<char32_t> singles = {0x1E3F,  0xE7C7,  0xE81E,  0xE826, 0xE82B,  0xE82C,
                                               0xE832,  0xE843,  0xE854,  0xE864, 0x20087, 0x20089,
                                               0x200CC, 0x215D7, 0x2298F, 0x241FE};
    return singles.count(cp) || (cp >= 0x9FB4 && cp <= 0x9FBB) || (cp >= 0xE78D && cp <= 0xE796) ||
           (cp >= 0xFE10 && cp <= 0xFE19);
}

class Iconv {
  public:
    Iconv() : to_(iconv_open("GB18030", "UTF-32LE")), from_(iconv_open("UTF-32LE", "GB18030")) {}
    ~Iconv() {
        iconv_close(to_);
        iconv_close(from_);
    }
    // glibc's bytes for cp; empty when it has none.
    std::string encode(char32_t cp) {
        const char in[4] = {char(cp), char(cp >> 8), char(cp >> 16), char(cp >> 24)};
        return convert(to_, std::string(in, 4));
    }
    // glibc's code point for a two-byte code; kNone when it has none.
    char32_t decode(uint16_t code) {
        const std::string out = convert(from_, {char(code >> 8), char(code)});
        if (out.size() != 4)
            return gb18030::kNone;
        return char32_t(uint8_t(out[0]) | uint8_t(out[1]) << 8 | uint8_t(out[2]) << 16);
    }

  private:
    static std::string convert(iconv_t cd, std::string in) {
        char out[8];
        char* ip = in.data();
        char* op = out;
        size_t il = in.size(), ol = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &ip, &il, &op, &ol) == size_t(-1))
            return {};
        return std::string(out, sizeof out - ol);
    }
    iconv_t to_, from_;
};

std::string four_of(char32_t cp) {
    char out[4];
    return gb18030::encode_four(cp, out) ? std::string(out, 4) : std::string();
}

} // namespace

TEST(Gb18030, EveryCodePointAgreesWithGlibcOutsideTheRevisions) {
    Iconv glibc;
    int four_byte = 0;
    for (char32_t cp = 0x80; cp <= 0x10FFFF; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF) {
            ASSERT_EQ(four_of(cp), "") << std::hex << uint32_t(cp);
            continue;
        }
        const std::string theirs = glibc.encode(cp), ours = four_of(cp);
        if (revised(cp)) {
            // Still reachable: ours has a four-byte form or GBK holds it.
            ASSERT_TRUE(ours.empty() || gb18030::decode_four(ours.data()) == cp)
                << std::hex << uint32_t(cp);
            continue;
        }
        if (theirs.size() == 4) {
            ASSERT_EQ(ours, theirs) << std::hex << uint32_t(cp);
            ASSERT_EQ(uint32_t(gb18030::decode_four(theirs.data())), uint32_t(cp))
                << std::hex << uint32_t(cp);
            ++four_byte;
        } else {
            ASSERT_EQ(ours, "") << std::hex << uint32_t(cp)
                                << ": two bytes in GBK, no four-byte form";
        }
    }
    // Every BMP run and every plane but the revised code points.
    EXPECT_EQ(four_byte, 39420 - 19 + 0x100000 - 6);
}

TEST(Gb18030, PrivateUseCodesWithACharacterAgreeWithGlibc) {
    Iconv glibc;
    int codes = 0;
    for (uint32_t code = 0x8140; code <= 0xFEFE; ++code) {
        const char32_t cp = gb18030::private_code_character(uint16_t(code));
        if (cp == gb18030::kNone)
            continue;
        ++codes;
        EXPECT_EQ(uint32_t(glibc.decode(uint16_t(code))), uint32_t(cp)) << std::hex << code;
        EXPECT_EQ(gb18030::private_code_of(cp), code) << std::hex << code;
    }
    EXPECT_EQ(codes, 80);
    EXPECT_EQ(gb18030::private_code_of(U'A'), 0);
}

TEST(Gb18030, FourByteSequencesDecodeOnlyInsideTheirRanges) {
    const struct {
        const char* bytes;
        char32_t cp;
    } cases[] = {
        {"\x81\x30\x81\x30", 0x80},           {"\x84\x31\xA4\x39", 0xFFFF},
        {"\x90\x30\x81\x30", 0x10000},        {"\xE3\x32\x9A\x35", 0x10FFFF},
        {"\x84\x31\xA5\x30", gb18030::kNone}, // after the BMP, before the planes
        {"\x8F\x39\xFE\x39", gb18030::kNone}, {"\xE3\x32\x9A\x36", gb18030::kNone},
        {"\xFE\x39\xFE\x39", gb18030::kNone},
    };
    for (const auto& c : cases)
        EXPECT_EQ(uint32_t(gb18030::decode_four(c.bytes)), uint32_t(c.cp)) << c.bytes;
}

TEST(Gb18030, WalkStepsOverWholeCharacters) {
    const std::string ae = "\x81\x30\x86\x30"; // ä
    const struct {
        std::string text;
        size_t length;
    } lengths[] = {
        {"a", 1},       {"夜神", 2},         {ae + "x", 4},           {"\x81", 1},
        {"\x81\0x", 1}, {"\x81\x30\x86", 2}, {"\x81\x30\x86\x40", 2}, {"", 0},
    };
    for (const auto& c : lengths)
        EXPECT_EQ(gb18030::char_length(c.text), c.length) << c.text;

    const std::string mixed = "a" + ae + "夜";
    const size_t prefixes[] = {0, 1, 1, 1, 1, 5, 5, 7, 7};
    for (size_t max = 0; max < std::size(prefixes); ++max)
        EXPECT_EQ(gb18030::whole_prefix(mixed, max), prefixes[max]) << max;
}
