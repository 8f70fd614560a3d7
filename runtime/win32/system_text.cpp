#include "runtime/win32/system_text.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstring>
#include <cwchar>
#include <type_traits>

#include "runtime/gb18030.h"
#include "runtime/text_codec.h"

namespace vantor::system_text {

namespace {

// Windows' code page 936, named: never the system's own.
// One call each way: a byte of code page 936 gives at most one UTF-16 unit, and
// a unit at most two bytes.
void append_gbk_run(std::string_view run, std::wstring& wide) {
    if (run.empty() || run.size() > size_t(INT_MAX))
        return;
    const size_t at = wide.size();
    wide.resize(at + run.size());
    const int n = MultiByteToWideChar(kGbkCodePage, 0, run.data(), int(run.size()),
                                      wide.data() + at, int(run.size()));
    wide.resize(at + size_t(std::max(n, 0)));
}

// No best fit: a character GBK lacks must not turn into a look-alike that
// names another file or window.
bool encode_gbk_exactly(std::wstring_view wide, std::string& text) {
    text.clear();
    if (wide.empty())
        return true;
    if (wide.size() > size_t(INT_MAX / 4))
        return false;
    text.resize(wide.size() * 2);
    BOOL defaulted = FALSE;
    const int n =
        WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), int(wide.size()),
                            text.data(), int(text.size()), "?", &defaulted);
    if (n <= 0 || defaulted) {
        text.clear();
        return false;
    }
    text.resize(size_t(n));
    return true;
}

constexpr text_codec::CodePage<wchar_t> kGbk{append_gbk_run, encode_gbk_exactly};

} // namespace

std::wstring to_wide(std::string_view text) {
    return text_codec::to_utf16(text, kGbk);
}

std::wstring to_wide(const char* text) {
    return text ? to_wide(std::string_view(text)) : std::wstring();
}

std::string from_wide(std::wstring_view wide, bool* lossless) {
    bool whole = true;
    std::string text = text_codec::from_utf16(wide, kGbk, whole);
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
    else if (n < text.size() && n > 0 &&
             text_codec::detail::is_high_surrogate(char32_t(text[n - 1])))
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
