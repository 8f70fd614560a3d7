// Text joining, comparison and length: small routines that application code
// calls directly rather than through the command interface. Null is the empty
// text wherever a text is read.
#pragma once

#include <cstdint>

namespace vantor {

// Joins `count` pieces (null pieces count as empty) into one new block owned by
// the caller. Never null: joining only empty pieces, or count < 1, gives an
// allocated empty text. The pieces are not released. Allocation failure is fatal.
char* join_texts(int32_t count, const char* const* pieces);

// -1, 0 or 1 by unsigned byte order; letter case matters. Null equals the empty
// text and sorts before any non-empty text.
int32_t compare_texts(const char* a, const char* b);

// Bytes before the terminator; 0 for null.
int32_t text_length(const char* text);

// New uninitialised block for `length` bytes plus the terminator, which is
// written. Fatal, with the allocation message, when it cannot be had, including
// lengths no 32-bit heap can hold.
char* new_text_block(uint64_t length);

} // namespace vantor
