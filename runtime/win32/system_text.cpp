#include "runtime/win32/system_text.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstring>
#include <cwchar>
#include <type_traits>

namespace vantor::system_text {

std::wstring to_wide(std::string_view gbk) {
    if (gbk.empty() || gbk.size() > size_t(INT_MAX))
        return {};
    const int length = int(gbk.size());
    const int n = MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), length, nullptr, 0);
    if (n <= 0)
        return {};
    std::wstring wide(size_t(n), L'\0');
    MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), length, wide.data(), n);
    return wide;
}

std::wstring to_wide(const char* gbk) {
    return gbk ? to_wide(std::string_view(gbk)) : std::wstring();
}

std::string to_gbk(std::wstring_view wide, bool* lossless) {
    if (lossless)
        *lossless = true;
    if (wide.empty() || wide.size() > size_t(INT_MAX))
        return {};
    const int length = int(wide.size());
    // No best fit: a character GBK lacks must not turn into a look-alike that
    // names another file or window.
    BOOL defaulted = FALSE;
    const int n = WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), length,
                                      nullptr, 0, "?", &defaulted);
    if (n <= 0) {
        if (lossless)
            *lossless = false;
        return {};
    }
    std::string gbk(size_t(n), '\0');
    WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), length, gbk.data(), n, "?",
                        &defaulted);
    if (lossless)
        *lossless = !defaulted;
    return gbk;
}

std::string to_gbk(const wchar_t* wide, bool* lossless) {
    return to_gbk(wide ? std::wstring_view(wide) : std::wstring_view(), lossless);
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
    return to_gbk(text);
}

bool set_window_text(HWND hwnd, const char* gbk) {
    return SetWindowTextW(hwnd, to_wide(gbk).c_str()) != FALSE;
}

namespace {
// The fields before the face name are the same in both records.
constexpr size_t kFontHead = offsetof(LOGFONTA, lfFaceName);
static_assert(kFontHead == offsetof(LOGFONTW, lfFaceName));

// Copies `text` into a fixed face-name field, cut at a whole character and
// always terminated.
template <class Char, size_t N>
void put_face(Char (&field)[N], const std::basic_string<Char>& text) {
    size_t n = std::min(text.size(), N - 1);
    if constexpr (sizeof(Char) == 1) {
        // Never half a double-byte character: step over whole ones.
        size_t whole = 0;
        while (whole < n) {
            const size_t step = uint8_t(text[whole]) >= 0x81 ? 2 : 1;
            if (whole + step > n)
                break;
            whole += step;
        }
        n = whole;
    }
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
        put_face(converted.lfFaceName, to_gbk(face_of(font.lfFaceName)));
    return converted;
}
} // namespace

LOGFONTW to_wide(const LOGFONTA& font) {
    return with_face_converted<LOGFONTW>(font);
}

LOGFONTA to_gbk(const LOGFONTW& font) {
    return with_face_converted<LOGFONTA>(font);
}

} // namespace vantor::system_text
