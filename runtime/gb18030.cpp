#include "runtime/gb18030.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace vantor::gb18030 {

namespace {

bool is_lead(uint8_t b) {
    return b >= 0x81 && b <= 0xFE;
}

bool is_digit(uint8_t b) {
    return b >= 0x30 && b <= 0x39;
}

// A four-byte sequence's position in the standard's linear order: its bytes
// read as digits of the bases 126, 10, 126, 10.
constexpr uint32_t kLinearPerLead = 10 * 126 * 10;

uint32_t linear_of(const uint8_t* b) {
    return ((uint32_t(b[0] - 0x81) * 10 + uint32_t(b[1] - 0x30)) * 126 + uint32_t(b[2] - 0x81)) *
               10 +
           uint32_t(b[3] - 0x30);
}

void write_linear(uint32_t linear, char out[4]) {
    out[3] = char(0x30 + linear % 10);
    linear /= 10;
    out[2] = char(0x81 + linear % 126);
    linear /= 126;
    out[1] = char(0x30 + linear % 10);
    out[0] = char(0x81 + linear / 10);
}

// The supplementary planes follow one another from 90 30 81 30 on.
constexpr uint32_t kSupplementaryStart = (0x90 - 0x81) * kLinearPerLead;

// Runs of BMP code points held in four bytes, as (first linear index, first
// code point); a run ends where the next begins, the last at kBmpEnd.
// Printed by tools/gb18030_ranges.py.
struct Run {
    uint16_t linear;
    uint16_t cp;
};
constexpr Run kRuns[] = {
    {0, 0x0080},     {36, 0x00A5},    {38, 0x00A9},    {45, 0x00B2},    {50, 0x00B8},
    {81, 0x00D8},    {89, 0x00E2},    {95, 0x00EB},    {96, 0x00EE},    {100, 0x00F4},
    {103, 0x00F8},   {104, 0x00FB},   {105, 0x00FD},   {109, 0x0102},   {126, 0x0114},
    {133, 0x011C},   {148, 0x012C},   {172, 0x0145},   {175, 0x0149},   {179, 0x014E},
    {208, 0x016C},   {306, 0x01CF},   {307, 0x01D1},   {308, 0x01D3},   {309, 0x01D5},
    {310, 0x01D7},   {311, 0x01D9},   {312, 0x01DB},   {313, 0x01DD},   {341, 0x01FA},
    {428, 0x0252},   {443, 0x0262},   {544, 0x02C8},   {545, 0x02CC},   {558, 0x02DA},
    {741, 0x03A2},   {742, 0x03AA},   {749, 0x03C2},   {750, 0x03CA},   {805, 0x0402},
    {819, 0x0450},   {820, 0x0452},   {7922, 0x2011},  {7924, 0x2017},  {7925, 0x201A},
    {7927, 0x201E},  {7934, 0x2027},  {7943, 0x2031},  {7944, 0x2034},  {7945, 0x2036},
    {7950, 0x203C},  {8062, 0x20AD},  {8148, 0x2104},  {8149, 0x2106},  {8152, 0x210A},
    {8164, 0x2117},  {8174, 0x2122},  {8236, 0x216C},  {8240, 0x217A},  {8262, 0x2194},
    {8264, 0x219A},  {8374, 0x2209},  {8380, 0x2210},  {8381, 0x2212},  {8384, 0x2216},
    {8388, 0x221B},  {8390, 0x2221},  {8392, 0x2224},  {8393, 0x2226},  {8394, 0x222C},
    {8396, 0x222F},  {8401, 0x2238},  {8406, 0x223E},  {8416, 0x2249},  {8419, 0x224D},
    {8424, 0x2253},  {8437, 0x2262},  {8439, 0x2268},  {8445, 0x2270},  {8482, 0x2296},
    {8485, 0x229A},  {8496, 0x22A6},  {8521, 0x22C0},  {8603, 0x2313},  {8936, 0x246A},
    {8946, 0x249C},  {9046, 0x254C},  {9050, 0x2574},  {9063, 0x2590},  {9066, 0x2596},
    {9076, 0x25A2},  {9092, 0x25B4},  {9100, 0x25BE},  {9108, 0x25C8},  {9111, 0x25CC},
    {9113, 0x25D0},  {9131, 0x25E6},  {9162, 0x2607},  {9164, 0x260A},  {9218, 0x2641},
    {9219, 0x2643},  {11329, 0x2E82}, {11331, 0x2E85}, {11334, 0x2E89}, {11336, 0x2E8D},
    {11346, 0x2E98}, {11361, 0x2EA8}, {11363, 0x2EAB}, {11366, 0x2EAF}, {11370, 0x2EB4},
    {11372, 0x2EB8}, {11375, 0x2EBC}, {11389, 0x2ECB}, {11682, 0x2FFC}, {11686, 0x3004},
    {11687, 0x3018}, {11692, 0x301F}, {11694, 0x302A}, {11714, 0x303F}, {11716, 0x3094},
    {11723, 0x309F}, {11725, 0x30F7}, {11730, 0x30FF}, {11736, 0x312A}, {11982, 0x322A},
    {11989, 0x3232}, {12102, 0x32A4}, {12336, 0x3390}, {12348, 0x339F}, {12350, 0x33A2},
    {12384, 0x33C5}, {12393, 0x33CF}, {12395, 0x33D3}, {12397, 0x33D6}, {12510, 0x3448},
    {12553, 0x3474}, {12851, 0x359F}, {12962, 0x360F}, {12973, 0x361B}, {13738, 0x3919},
    {13823, 0x396F}, {13919, 0x39D1}, {13933, 0x39E0}, {14080, 0x3A74}, {14298, 0x3B4F},
    {14585, 0x3C6F}, {14698, 0x3CE1}, {15583, 0x4057}, {15847, 0x4160}, {16318, 0x4338},
    {16434, 0x43AD}, {16438, 0x43B2}, {16481, 0x43DE}, {16729, 0x44D7}, {17102, 0x464D},
    {17122, 0x4662}, {17315, 0x4724}, {17320, 0x472A}, {17402, 0x477D}, {17418, 0x478E},
    {17859, 0x4948}, {17909, 0x497B}, {17911, 0x497E}, {17915, 0x4984}, {17916, 0x4987},
    {17936, 0x499C}, {17939, 0x49A0}, {17961, 0x49B8}, {18664, 0x4C78}, {18703, 0x4CA4},
    {18814, 0x4D1A}, {18962, 0x4DAF}, {19043, 0x9FA6}, {33469, 0xE76C}, {33470, 0xE7C8},
    {33471, 0xE7E7}, {33484, 0xE815}, {33485, 0xE819}, {33490, 0xE81F}, {33497, 0xE827},
    {33501, 0xE82D}, {33505, 0xE833}, {33513, 0xE83C}, {33520, 0xE844}, {33536, 0xE856},
    {33550, 0xE865}, {37845, 0xF92D}, {37921, 0xF97A}, {37948, 0xF996}, {38029, 0xF9E8},
    {38038, 0xF9F2}, {38064, 0xFA10}, {38065, 0xFA12}, {38066, 0xFA15}, {38069, 0xFA19},
    {38075, 0xFA22}, {38076, 0xFA25}, {38078, 0xFA2A}, {39108, 0xFE32}, {39109, 0xFE45},
    {39113, 0xFE53}, {39114, 0xFE58}, {39115, 0xFE67}, {39116, 0xFE6C}, {39265, 0xFF5F},
    {39394, 0xFFE6},
};
constexpr uint32_t kBmpEnd = 39420;

// The two-byte codes that GB18030 gives to a character where GBK leaves them
// to private use, sorted by code; printed by tools/gb18030_ranges.py too.
struct PrivateCode {
    uint16_t code;
    uint16_t cp;
};
constexpr PrivateCode kPrivateCodes[] = {
    {0xA8BF, 0x01F9}, {0xA989, 0x303E}, {0xA98A, 0x2FF0}, {0xA98B, 0x2FF1}, {0xA98C, 0x2FF2},
    {0xA98D, 0x2FF3}, {0xA98E, 0x2FF4}, {0xA98F, 0x2FF5}, {0xA990, 0x2FF6}, {0xA991, 0x2FF7},
    {0xA992, 0x2FF8}, {0xA993, 0x2FF9}, {0xA994, 0x2FFA}, {0xA995, 0x2FFB}, {0xFE50, 0x2E81},
    {0xFE54, 0x2E84}, {0xFE55, 0x3473}, {0xFE56, 0x3447}, {0xFE57, 0x2E88}, {0xFE58, 0x2E8B},
    {0xFE5A, 0x359E}, {0xFE5B, 0x361A}, {0xFE5C, 0x360E}, {0xFE5D, 0x2E8C}, {0xFE5E, 0x2E97},
    {0xFE5F, 0x396E}, {0xFE60, 0x3918}, {0xFE62, 0x39CF}, {0xFE63, 0x39DF}, {0xFE64, 0x3A73},
    {0xFE65, 0x39D0}, {0xFE68, 0x3B4E}, {0xFE69, 0x3C6E}, {0xFE6A, 0x3CE0}, {0xFE6B, 0x2EA7},
    {0xFE6E, 0x2EAA}, {0xFE6F, 0x4056}, {0xFE70, 0x415F}, {0xFE71, 0x2EAE}, {0xFE72, 0x4337},
    {0xFE73, 0x2EB3}, {0xFE74, 0x2EB6}, {0xFE75, 0x2EB7}, {0xFE77, 0x43B1}, {0xFE78, 0x43AC},
    {0xFE79, 0x2EBB}, {0xFE7A, 0x43DD}, {0xFE7B, 0x44D6}, {0xFE7C, 0x4661}, {0xFE7D, 0x464C},
    {0xFE80, 0x4723}, {0xFE81, 0x4729}, {0xFE82, 0x477C}, {0xFE83, 0x478D}, {0xFE84, 0x2ECA},
    {0xFE85, 0x4947}, {0xFE86, 0x497A}, {0xFE87, 0x497D}, {0xFE88, 0x4982}, {0xFE89, 0x4983},
    {0xFE8A, 0x4985}, {0xFE8B, 0x4986}, {0xFE8C, 0x499F}, {0xFE8D, 0x499B}, {0xFE8E, 0x49B7},
    {0xFE8F, 0x49B6}, {0xFE92, 0x4CA3}, {0xFE93, 0x4C9F}, {0xFE94, 0x4CA0}, {0xFE95, 0x4CA1},
    {0xFE96, 0x4C77}, {0xFE97, 0x4CA2}, {0xFE98, 0x4D13}, {0xFE99, 0x4D14}, {0xFE9A, 0x4D15},
    {0xFE9B, 0x4D16}, {0xFE9C, 0x4D17}, {0xFE9D, 0x4D18}, {0xFE9E, 0x4D19}, {0xFE9F, 0x4DAE},
};

uint32_t run_end(size_t i) {
    return i + 1 < std::size(kRuns) ? kRuns[i + 1].linear : kBmpEnd;
}

} // namespace

bool starts_four_byte(std::string_view text) {
    const auto* b = reinterpret_cast<const uint8_t*>(text.data());
    return text.size() >= 4 && is_lead(b[0]) && is_digit(b[1]) && is_lead(b[2]) && is_digit(b[3]);
}

size_t char_length(std::string_view text) {
    if (text.empty())
        return 0;
    if (starts_four_byte(text))
        return 4;
    const auto* b = reinterpret_cast<const uint8_t*>(text.data());
    // A zero never trails: a lead byte before the terminator stands alone.
    return is_lead(b[0]) && text.size() >= 2 && b[1] != 0 ? 2 : 1;
}

size_t whole_prefix(std::string_view text, size_t max_bytes) {
    size_t whole = 0;
    while (whole < text.size()) {
        const size_t step = char_length(text.substr(whole));
        if (whole + step > max_bytes)
            break;
        whole += step;
    }
    return whole;
}

bool encode_four(char32_t cp, char out[4]) {
    if (cp >= 0x10000 && cp <= 0x10FFFF) {
        write_linear(kSupplementaryStart + uint32_t(cp - 0x10000), out);
        return true;
    }
    if (cp < 0x80 || cp > 0xFFFF)
        return false;
    // The last run starting at or below cp, then whether cp lies inside it.
    const auto after = std::upper_bound(std::begin(kRuns), std::end(kRuns), cp,
                                        [](char32_t c, const Run& run) { return c < run.cp; });
    if (after == std::begin(kRuns))
        return false;
    const size_t i = size_t(after - std::begin(kRuns)) - 1;
    const uint32_t offset = uint32_t(cp - kRuns[i].cp);
    if (offset >= run_end(i) - kRuns[i].linear)
        return false;
    write_linear(kRuns[i].linear + offset, out);
    return true;
}

char32_t decode_four(const char in[4]) {
    const uint32_t linear = linear_of(reinterpret_cast<const uint8_t*>(in));
    if (linear >= kSupplementaryStart) {
        const uint32_t cp = 0x10000 + (linear - kSupplementaryStart);
        return cp <= 0x10FFFF ? char32_t(cp) : kNone;
    }
    if (linear >= kBmpEnd)
        return kNone;
    const auto after = std::upper_bound(std::begin(kRuns), std::end(kRuns), linear,
                                        [](uint32_t l, const Run& run) { return l < run.linear; });
    const Run& run = *(after - 1);
    return char32_t(run.cp + (linear - run.linear));
}

char32_t private_code_character(uint16_t code) {
    const auto at =
        std::lower_bound(std::begin(kPrivateCodes), std::end(kPrivateCodes), code,
                         [](const PrivateCode& entry, uint16_t c) { return entry.code < c; });
    return at != std::end(kPrivateCodes) && at->code == code ? char32_t(at->cp) : kNone;
}

uint16_t private_code_of(char32_t cp) {
    for (const PrivateCode& entry : kPrivateCodes)
        if (entry.cp == cp)
            return entry.code;
    return 0;
}

} // namespace vantor::gb18030
