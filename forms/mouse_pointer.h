// Mouse pointer data of a unit record (and of the mouse pointer property):
//   length 0            no cursor of its own
//   length 1-3          first byte is the cursor number
//   length 4 or more    first dword is the cursor number; -1: the bytes after it
//                       are a cursor file
// Numbers 1-14 are the standard cursors; a stored system cursor id is accepted
// in place of its number. A record longer than 10 bytes whose first value is
// not -1 is first tried as a cursor file as a whole.
// Decoding only classifies the bytes; making the cursor is the platform layer's job.
#pragma once

#include <cstdint>
#include <span>

namespace vantor::forms {

// The format version the platform's icon maker (CreateIconFromResourceEx)
// takes for the icon and cursor images of icon and cursor files.
inline constexpr uint32_t kIconResourceVersion = 0x00030000;

inline constexpr uint32_t kStandardCursorCount = 14;
inline constexpr uint32_t kHandCursorNumber = 14;
// Cursor 14 comes from this cursor resource of the program, not from the system.
inline constexpr uint32_t kHandCursorResource = 1032;

// System cursor id of standard cursor `number` (1-14); 0 for any other number.
uint32_t cursor_system_id(uint32_t number);
// Cursor number (1-14) of a system cursor id; 0 when `system_id` is none of them.
uint32_t cursor_number_of(uint32_t system_id);

// Property reads show numbers, the record stores system ids. Both conversions
// leave values that are not in the table unchanged, and act on the first dword
// only when size >= 4.
void pointer_ids_to_numbers(uint8_t* data, uint32_t size);
void pointer_numbers_to_ids(uint8_t* data, uint32_t size);

enum class PointerKind : uint8_t { None, Standard, Image };

struct MousePointer {
    PointerKind kind = PointerKind::None;
    uint32_t number = 0;    // Standard: 1-14
    uint32_t system_id = 0; // Standard: the system cursor id of `number`
    // Image, or whole_is_candidate: the bytes to try as a cursor file (inside the input).
    std::span<const uint8_t> image;
    // Longer than 10 bytes and the first value is not -1: try all the bytes as a
    // cursor file first and fall back to kind/number when that fails.
    bool whole_is_candidate = false;
};

// Never reads outside [data, data + size). -1 with nothing after it, and numbers
// outside the table, decode as None.
MousePointer decode_mouse_pointer(const uint8_t* data, uint32_t size);

} // namespace vantor::forms
