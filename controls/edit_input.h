// Input modes of the edit box: which typed characters a mode lets through, and
// how the numeric and date modes rewrite the text when the box loses the focus.
// Pure logic: no window is involved, so tests call these directly.
#pragma once

#include <cstdint>
#include <string>

#include "forms/choices.h"

namespace vantor::controls {

// The input modes (forms/choices.h): ReadOnly is ES_READONLY; Password is
// ES_PASSWORD, masked with PasswordChar; IntegerText takes digits and "-",
// DecimalText also "."; Byte, Short and Int are clamped to their range on losing
// the focus, Long re-printed as a 64-bit decimal, Float in single precision, Double
// in double; DateTime re-printed, or emptied when it does not parse.
namespace input_mode = forms::choice::InputMode;

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
