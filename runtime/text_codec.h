// Conversion between this program's texts (runtime/gb18030.h) and UTF-16,
// over a two-byte code page that is given: Windows' code page 936 at the
// system boundary (runtime/win32/system_text.h), a model of it in tests. The
// code page converts one- and two-byte characters; the four-byte sequences
// and surrogate pairs are handled here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/gb18030.h"

namespace vantor::text_codec {

// WChar is a 16-bit code unit: wchar_t on Windows, char16_t elsewhere.
template <class WChar> struct CodePage {
    using Wide = std::basic_string<WChar>;
    using WideView = std::basic_string_view<WChar>;
    // Appends the UTF-16 of a run of one- and two-byte characters; a byte
    // sequence that is no character becomes the code page's substitute.
    void (*append_run)(std::string_view run, Wide& wide);
    // The bytes of `wide` when the code page holds every character exactly
    // (no best fit); false when it does not.
    bool (*encode_exactly)(WideView wide, std::string& text);
};

namespace detail {

inline bool is_private_use(char32_t cp) {
    return cp >= 0xE000 && cp <= 0xF8FF;
}
inline bool is_high_surrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
inline bool is_low_surrogate(char32_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

template <class WChar> void append_code_point(char32_t cp, std::basic_string<WChar>& wide) {
    if (cp == gb18030::kNone) {
        wide += WChar('?');
    } else if (cp >= 0x10000) {
        wide += WChar(0xD800 + ((cp - 0x10000) >> 10));
        wide += WChar(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
        wide += WChar(cp);
    }
}

// The two bytes the code page gives one BMP character, as lead * 256 + trail;
// 0 when it holds it in no two bytes.
template <class WChar> uint16_t two_byte_code(const CodePage<WChar>& page, char32_t c) {
    const WChar unit = WChar(c);
    std::string bytes;
    if (!page.encode_exactly({&unit, 1}, bytes) || bytes.size() != 2)
        return 0;
    return uint16_t(uint8_t(bytes[0]) << 8 | uint8_t(bytes[1]));
}

// The character of a four-byte sequence. One that names a private-use code
// point which the code page holds in two bytes carries the character GB18030
// gives those bytes (gb18030::private_code_character).
template <class WChar> char32_t decode_four(const CodePage<WChar>& page, const char* bytes) {
    const char32_t cp = gb18030::decode_four(bytes);
    if (!is_private_use(cp))
        return cp;
    const uint16_t code = two_byte_code(page, cp);
    const char32_t carried = code ? gb18030::private_code_character(code) : gb18030::kNone;
    return carried != gb18030::kNone ? carried : cp;
}

// The four-byte sequence of a character the code page does not hold; the way
// back of decode_four.
template <class WChar> bool encode_four(const CodePage<WChar>& page, char32_t cp, char out[4]) {
    if (const uint16_t code = gb18030::private_code_of(cp)) {
        const char bytes[2] = {char(code >> 8), char(code)};
        std::basic_string<WChar> unit;
        page.append_run({bytes, 2}, unit);
        if (unit.size() == 1 && is_private_use(char32_t(unit[0])))
            return gb18030::encode_four(char32_t(unit[0]), out);
    }
    return gb18030::encode_four(cp, out);
}

} // namespace detail

// A text to UTF-16: runs of one- and two-byte characters through the code
// page, four-byte sequences here; one that names no code point becomes '?'.
template <class WChar>
std::basic_string<WChar> to_utf16(std::string_view text, const CodePage<WChar>& page) {
    std::basic_string<WChar> wide;
    size_t run = 0; // start of the pending run of one- and two-byte characters
    for (size_t i = 0; i < text.size();) {
        const std::string_view rest = text.substr(i);
        const size_t step = gb18030::char_length(rest);
        if (step == 4) {
            page.append_run(text.substr(run, i - run), wide);
            detail::append_code_point(detail::decode_four(page, rest.data()), wide);
            run = i + step;
        }
        i += step;
    }
    page.append_run(text.substr(run), wide);
    return wide;
}

// UTF-16 to a text: the code page's bytes where it holds the character, else
// the four-byte sequence. A lone surrogate, which names no character, becomes
// '?' and clears `lossless`.
template <class WChar>
std::string from_utf16(std::basic_string_view<WChar> wide, const CodePage<WChar>& page,
                       bool& lossless) {
    lossless = true;
    std::string text;
    // Most texts the code page holds throughout: one call, and the walk only
    // when it does not.
    if (page.encode_exactly(wide, text))
        return text;
    text.clear();
    for (size_t i = 0; i < wide.size();) {
        const char32_t c = char32_t(wide[i]);
        char32_t cp = c;
        size_t units = 1;
        if (detail::is_high_surrogate(c) && i + 1 < wide.size() &&
            detail::is_low_surrogate(char32_t(wide[i + 1]))) {
            cp = 0x10000 + ((c - 0xD800) << 10) + (char32_t(wide[i + 1]) - 0xDC00);
            units = 2;
        }
        char four[4];
        std::string bytes;
        if (units == 1 && page.encode_exactly(wide.substr(i, 1), bytes)) {
            text += bytes;
        } else if (detail::encode_four(page, cp, four)) {
            text.append(four, 4);
        } else {
            text += '?';
            lossless = false;
        }
        i += units;
    }
    return text;
}

} // namespace vantor::text_codec
