// Conversions between values and text, and the letter-case routine; the library
// commands that expose them to application code are in commands/library.h.
// Texts are GBK: a byte with its top bit set leads a two-byte character.
#pragma once

#include <cstdint>

#include "runtime/value.h"

namespace vantor {

// Integer value of any TypedValue; never fails. Text is parsed by text_to_int,
// Bool gives 1 or 0 (any non-zero word is true), Byte is zero-extended, Short
// sign-extended, Long keeps its low 32 bits, Float and Double are truncated toward
// zero (NaN and out-of-range give INT32_MIN, as the x86 conversion does), SubPtr
// is its address. Every other type (DateTime, Bytes, arrays, none) gives 0.
int32_t to_int(const TypedValue& value);

// Decimal integer at the start of a text (null is empty): full-width characters
// are first read as their half-width forms, then leading white space, one sign
// and decimal digits are taken; the value wraps around in 32 bits. No leading
// digits gives 0.
int32_t text_to_int(const char* text);

// New text for any TypedValue, owned by the caller (mem_free); null when empty.
// Types without a text form (SubPtr, Text/Bool arrays, unit references, none)
// give null, as does a DateTime that is not finite or lies outside the years
// 100 to 9999. Bytes and numeric arrays give their raw bytes up to the first
// zero byte. Allocation failure is fatal.
char* to_text(const TypedValue& value);

// Letter-case and width conversions of convert_case.
enum CaseMode : int {
    kUpperCase = 0, // "a"-"z" to "A"-"Z"; two-byte characters untouched
    kLowerCase = 1, // "A"-"Z" to "a"-"z"; two-byte characters untouched
    kFullWidth = 2, // printable ASCII to its GBK full-width form
    kHalfWidth = 3, // GBK full-width forms to ASCII (the text_to_int normalisation)
};

// New converted copy of `text` (null is empty), owned by the caller; null when the
// result is empty. An unknown mode gives a plain copy. Allocation failure is fatal.
char* convert_case(const char* text, int mode);

} // namespace vantor
