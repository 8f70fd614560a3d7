// The one boundary between this program's texts and the system's. Texts inside
// are GBK (code page 936) whatever the system's own code page is; every text
// handed to or taken from the system is converted here and the wide (UTF-16)
// function is called. Nothing else converts, and no GBK text reaches an ...A
// function, which would read it in the system's code page.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace vantor::system_text {

// GBK to UTF-16. A byte sequence that is no GBK character (a lone lead byte at
// the end, an invalid pair) becomes the code page's substitute character; a
// null text is empty.
std::wstring to_wide(std::string_view gbk);
std::wstring to_wide(const char* gbk);

// UTF-16 to GBK. A character that GBK cannot hold (Korean, emoji, a lone
// surrogate) becomes '?'; `lossless`, when given, tells whether none did.
std::string to_gbk(std::wstring_view wide, bool* lossless = nullptr);
std::string to_gbk(const wchar_t* wide, bool* lossless = nullptr);

// UTF-16 to UTF-8, for a byte stream (a redirected standard error).
std::string to_utf8(std::wstring_view wide);

// A window's text, read and written with the wide functions.
std::string window_text(HWND hwnd);
bool set_window_text(HWND hwnd, const char* gbk);

// Logical fonts: stored ones hold a GBK face name (the 60-byte LOGFONTA); the
// system is given and returns LOGFONTW. Every other field is copied as it is.
LOGFONTW to_wide(const LOGFONTA& font);
LOGFONTA to_gbk(const LOGFONTW& font);

// The GBK code page, named once.
inline constexpr unsigned kGbkCodePage = 936;

} // namespace vantor::system_text
