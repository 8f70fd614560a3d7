// Input modes of the edit box: which typed characters a mode lets through, and
// how the numeric and date modes rewrite the text when the box loses the focus.
// Pure logic: no window is involved, so tests call these directly.
#pragma once

#include <cstdint>
#include <string>

namespace vantor::controls {

namespace input_mode {
inline constexpr int32_t Normal = 0;
inline constexpr int32_t ReadOnly = 1;    // ES_READONLY
inline constexpr int32_t Password = 2;    // ES_PASSWORD, masked with PasswordChar
inline constexpr int32_t IntegerText = 3; // digits and "-"
inline constexpr int32_t DecimalText = 4; // digits, "-" and "."
inline constexpr int32_t Byte = 5;        // clamped to 0..255 on losing the focus
inline constexpr int32_t Short = 6;
inline constexpr int32_t Int = 7;
inline constexpr int32_t Long = 8;  // re-printed as a 64-bit decimal
inline constexpr int32_t Float = 9; // re-printed in single precision
inline constexpr int32_t Double = 10;
inline constexpr int32_t DateTime = 11; // re-printed, or emptied when it does not parse
inline constexpr int32_t Last = DateTime;
} // namespace input_mode

// Whether a typed character passes the filter of `mode`. `ch` is one whole
// character of the system code page: a single byte, or a two-byte character as
// lead byte * 256 + trail byte (the WM_IME_CHAR form of an ANSI window). Control
// characters (below 32) always pass; a two-byte character, full-width digits
// included, is none of the characters a filtering mode lets through.
bool input_accepts(int32_t mode, uint32_t ch);

// Whether `mode` rewrites the text on losing the focus (modes 5 to 11).
inline bool input_normalises(int32_t mode) {
    return mode >= input_mode::Byte && mode <= input_mode::DateTime;
}

// The text a box in `mode` shows after losing the focus, from its live text (null
// is empty). Integers are read by the C library's decimal parse, which stops at the
// first non-digit, and clamped to the mode's range; reals are read by its real
// parse and printed by the runtime's real-to-text conversion; dates are read by
// parse_datetime and printed by the runtime. Modes 5 to 10 give "" for a zero
// result; mode 11 gives "" for a text that is not a date or is the zero date.
// Modes without normalisation return the text unchanged.
std::string normalise_input(int32_t mode, const char* text);

// Reads a date with an optional time of day: year, month and day, then up to
// hour, minute and second, as decimal fields separated by "-", "/", ".", ":",
// blanks, "T" or the GBK unit characters 年 月 日 时 分 秒 (so the runtime's own
// printed form reads back). Years 100 to 9999. On success `ole_date` is the OLE
// automation date (days since 30 December 1899, time of day as the fraction).
bool parse_datetime(const char* text, double& ole_date);

} // namespace vantor::controls
