#include "runtime/win32/system_text.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstring>
#include <cwchar>
#include <type_traits>

#include "runtime/gb18030.h"

namespace vantor::system_text {

namespace {

// A run of one- and two-byte characters through Windows' code page 936.
void append_gbk_run(std::string_view run, std::wstring& wide) {
    if (run.empty() || run.size() > size_t(INT_MAX))
        return;
    const int length = int(run.size());
    const int n = MultiByteToWideChar(kGbkCodePage, 0, run.data(), length, nullptr, 0);
    if (n <= 0)
        return;
    const size_t at = wide.size();
    wide.resize(at + size_t(n));
    MultiByteToWideChar(kGbkCodePage, 0, run.data(), length, wide.data() + at, n);
}

void append_code_point(char32_t cp, std::wstring& wide) {
    if (cp == gb18030::kNone) {
        wide += L'?';
    } else if (cp >= 0x10000) {
        wide += wchar_t(0xD800 + ((cp - 0x10000) >> 10));
        wide += wchar_t(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
        wide += wchar_t(cp);
    }
}

bool is_private_use(char32_t cp) {
    return cp >= 0xE000 && cp <= 0xF8FF;
}

// The two bytes of one BMP character in code page 936, as lead * 256 + trail;
// 0 when it holds the character in no two bytes.
uint16_t gbk_code_of(wchar_t c) {
    unsigned char bytes[4];
    BOOL defaulted = FALSE;
    const int n =
        WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, &c, 1,
                            reinterpret_cast<char*>(bytes), int(sizeof bytes), "?", &defaulted);
    return n == 2 && !defaulted ? uint16_t(bytes[0] << 8 | bytes[1]) : 0;
}

// The character of a four-byte sequence. One that names a private-use code
// point which code page 936 holds in two bytes carries the character GB18030
// gives those bytes (gb18030::private_code_character).
char32_t decode_four(const char* bytes) {
    const char32_t cp = gb18030::decode_four(bytes);
    if (!is_private_use(cp))
        return cp;
    const uint16_t code = gbk_code_of(wchar_t(cp));
    const char32_t carried = code ? gb18030::private_code_character(code) : gb18030::kNone;
    return carried != gb18030::kNone ? carried : cp;
}

// The four-byte sequence of a character that code page 936 does not hold; the
// way back of decode_four.
bool encode_four(char32_t cp, char out[4]) {
    if (const uint16_t code = gb18030::private_code_of(cp)) {
        const char bytes[2] = {char(code >> 8), char(code)};
        wchar_t private_use = 0;
        if (MultiByteToWideChar(kGbkCodePage, 0, bytes, 2, &private_use, 1) == 1 &&
            is_private_use(private_use))
            return gb18030::encode_four(private_use, out);
    }
    return gb18030::encode_four(cp, out);
}

// One UTF-16 character in code page 936, when it holds it exactly: no best
// fit, which could turn a character GBK lacks into a look-alike that names
// another file or window.
bool append_in_gbk(const wchar_t* c, int units, std::string& text) {
    char bytes[8];
    BOOL defaulted = FALSE;
    const int n = WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, c, units, bytes,
                                      int(sizeof bytes), "?", &defaulted);
    if (n <= 0 || defaulted)
        return false;
    text.append(bytes, size_t(n));
    return true;
}

bool is_high_surrogate(wchar_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

bool is_low_surrogate(wchar_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// The text character by character: GBK's bytes where it holds the character,
// else the four-byte sequence; a lone surrogate, which names no character,
// becomes '?'.
std::string from_wide_by_character(std::wstring_view wide, bool& lossless) {
    std::string text;
    for (size_t i = 0; i < wide.size();) {
        const wchar_t c = wide[i];
        char32_t cp = c;
        int units = 1;
        if (is_high_surrogate(c) && i + 1 < wide.size() && is_low_surrogate(wide[i + 1])) {
            cp = 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(wide[i + 1]) - 0xDC00);
            units = 2;
        }
        char four[4];
        if (units == 1 && append_in_gbk(&wide[i], 1, text)) {
        } else if (encode_four(cp, four)) {
            text.append(four, 4);
        } else {
            text += '?';
            lossless = false;
        }
        i += size_t(units);
    }
    return text;
}

} // namespace

std::wstring to_wide(std::string_view text) {
    std::wstring wide;
    size_t run = 0; // start of the pending run of one- and two-byte characters
    for (size_t i = 0; i < text.size();) {
        const std::string_view rest = text.substr(i);
        const size_t step = gb18030::char_length(rest);
        if (step == 4) {
            append_gbk_run(text.substr(run, i - run), wide);
            append_code_point(decode_four(rest.data()), wide);
            run = i + step;
        }
        i += step;
    }
    append_gbk_run(text.substr(run), wide);
    return wide;
}

std::wstring to_wide(const char* text) {
    return text ? to_wide(std::string_view(text)) : std::wstring();
}

std::string from_wide(std::wstring_view wide, bool* lossless) {
    bool whole = true;
    std::string text;
    if (!wide.empty() && wide.size() <= size_t(INT_MAX / 4)) {
        // Most texts are GBK throughout: one call, and the walk only when the
        // code page had to default a character.
        const int length = int(wide.size());
        BOOL defaulted = FALSE;
        const int n = WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), length,
                                          nullptr, 0, "?", &defaulted);
        if (n > 0 && !defaulted) {
            text.resize(size_t(n));
            WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), length,
                                text.data(), n, "?", nullptr);
        } else {
            text = from_wide_by_character(wide, whole);
        }
    } else if (!wide.empty()) {
        whole = false;
    }
    if (lossless)
        *lossless = whole;
    return text;
}

std::string from_wide(const wchar_t* wide, bool* lossless) {
    return from_wide(wide ? std::wstring_view(wide) : std::wstring_view(), lossless);
}

std::string to_utf8(std::wstring_view wide) {
    if (wide.empty() || wide.size() > size_t(INT_MAX))
        return {};
    const int length = int(wide.size());
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return {};
    std::string utf8(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, utf8.data(), n, nullptr, nullptr);
    return utf8;
}

std::string window_text(HWND hwnd) {
    std::wstring text(size_t(std::max(GetWindowTextLengthW(hwnd), 0)) + 1, L'\0');
    text.resize(size_t(std::max(GetWindowTextW(hwnd, text.data(), int(text.size())), 0)));
    return from_wide(text);
}

bool set_window_text(HWND hwnd, const char* text) {
    return SetWindowTextW(hwnd, to_wide(text).c_str()) != FALSE;
}

namespace {
// The fields before the face name are the same in both records.
constexpr size_t kFontHead = offsetof(LOGFONTA, lfFaceName);
static_assert(kFontHead == offsetof(LOGFONTW, lfFaceName));

// Copies `text` into a fixed face-name field, cut at a whole character (never
// half a two- or four-byte sequence or of a surrogate pair) and always
// terminated.
template <class Char, size_t N>
void put_face(Char (&field)[N], const std::basic_string<Char>& text) {
    size_t n = std::min(text.size(), N - 1);
    if constexpr (sizeof(Char) == 1)
        n = gb18030::whole_prefix(text, n);
    else if (n < text.size() && n > 0 && is_high_surrogate(text[n - 1]))
        --n;
    std::copy_n(text.data(), n, field);
    field[n] = 0;
}
} // namespace

namespace {
// A face-name field up to its terminator, or whole when it has none.
template <class Char, size_t N> std::basic_string_view<Char> face_of(const Char (&field)[N]) {
    size_t n = 0;
    while (n < N && field[n])
        ++n;
    return {field, n};
}

// The record with its face name converted: every field before it is copied.
template <class To, class From> To with_face_converted(const From& font) {
    To converted{};
    std::memcpy(&converted, &font, kFontHead);
    if constexpr (std::is_same_v<To, LOGFONTW>)
        put_face(converted.lfFaceName, to_wide(face_of(font.lfFaceName)));
    else
        put_face(converted.lfFaceName, from_wide(face_of(font.lfFaceName)));
    return converted;
}
} // namespace

LOGFONTW to_wide(const LOGFONTA& font) {
    return with_face_converted<LOGFONTW>(font);
}

LOGFONTA from_wide(const LOGFONTW& font) {
    return with_face_converted<LOGFONTA>(font);
}

} // namespace vantor::system_text
