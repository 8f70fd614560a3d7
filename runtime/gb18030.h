// The character structure of this program's texts. Texts are GBK byte strings;
// a character that GBK lacks (what a user types, picks or passes: ö, ơ, Hangul,
// emoji) is carried as its GB18030 four-byte sequence, GBK's superset, so that
// every stored GBK text keeps its bytes. A character is then one byte (ASCII),
// two (a GBK lead byte 0x81-0xFE and a trail 0x40-0xFE) or four
// (lead, 0x30-0x39, lead, 0x30-0x39). The four-byte part follows the
// standard's 2000 mapping, whose two-byte part is Windows' code page 936. No
// byte after a sequence's first is below 0x30, so '?', '*', '"', ' ', ':' and
// '/' are always characters of their own ('\\' may trail a GBK lead byte).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vantor::gb18030 {

// No code point: an invalid four-byte sequence, or none to encode.
inline constexpr char32_t kNone = 0xFFFFFFFF;

// True when `text` begins with a four-byte sequence (valid or not).
bool starts_four_byte(std::string_view text);

// Bytes of the character at the start of `text`: 4, 2 or 1. A lead byte at
// the end or before a zero byte counts as one character of its own; an empty
// text gives 0.
size_t char_length(std::string_view text);

// The length of the longest prefix of `text` that holds whole characters and
// at most `max_bytes` bytes.
size_t whole_prefix(std::string_view text, size_t max_bytes);

// The four-byte sequence of `cp`, written to `out`: for every code point from
// U+0080 to U+10FFFF that GBK's two-byte table does not hold. False for the
// others (ASCII, the two-byte ones, surrogates, beyond U+10FFFF).
bool encode_four(char32_t cp, char out[4]);

// The code point of the four-byte sequence at `in` (which starts_four_byte
// accepted), or kNone when it names none (beyond U+10FFFF, or in the gap after
// the BMP).
char32_t decode_four(const char in[4]);

// GBK leaves some two-byte codes to private use, and Windows' code page 936
// maps them into the private-use area, where GB18030 gives them characters
// (U+01F9, CJK radicals, ideographic description characters, 28 ideographs).
// Those characters have no other code; the system boundary carries each in
// the four-byte sequence of the private-use code point that code page 936
// holds in two bytes instead. The character GB18030 gives to `code` (lead
// byte * 256 + trail byte), or kNone when it is none of those codes:
char32_t private_code_character(uint16_t code);
// and back: the code of `cp`, or 0.
uint16_t private_code_of(char32_t cp);

} // namespace vantor::gb18030
