#include "runtime/system_text.h"

#include <windows.h>

#include <climits>

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

} // namespace vantor::system_text
