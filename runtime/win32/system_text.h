// The one boundary between this program's texts and the system's. Texts inside
// are byte strings, GBK (code page 936) whatever the system's own code page is,
// and a character GBK lacks is carried as its GB18030 four-byte sequence
// (runtime/gb18030.h), so that every character a Windows text can hold
// survives. Every text handed to or taken from the system is converted here
// and the wide (UTF-16) function is called. Nothing else converts, and no text
// reaches an ...A function, which would read it in the system's code page.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace vantor::system_text {

// A text to UTF-16. A byte sequence that is no character (a lone lead byte at
// the end, an invalid pair) becomes the code page's substitute character, an
// invalid four-byte sequence '?'; a null text is empty.
std::wstring to_wide(std::string_view text);
std::wstring to_wide(const char* text);

// UTF-16 to a text: GBK where it holds the character, else the four-byte
// sequence. A lone surrogate, which names no character, becomes '?';
// `lossless`, when given, tells whether none did.
std::string from_wide(std::wstring_view wide, bool* lossless = nullptr);
std::string from_wide(const wchar_t* wide, bool* lossless = nullptr);

// UTF-16 to UTF-8, for a byte stream (a redirected standard error).
std::string to_utf8(std::wstring_view wide);

// A window's text, read and written with the wide functions.
std::string window_text(HWND hwnd);
bool set_window_text(HWND hwnd, const char* gbk);

// Logical fonts: stored ones hold a face name of this program's texts (the
// 60-byte LOGFONTA); the system is given and returns LOGFONTW. Every other
// field is copied as it is. A face name longer than the 31 bytes the record
// holds is cut at a whole character.
LOGFONTW to_wide(const LOGFONTA& font);
LOGFONTA from_wide(const LOGFONTW& font);

// The GBK code page, named once.
inline constexpr unsigned kGbkCodePage = 936;

} // namespace vantor::system_text
