#include "forms/mouse_pointer.h"

#include "runtime/value.h"

namespace vantor::forms {

namespace {

// Indexed by cursor number - 1.
constexpr uint32_t kSystemIds[kStandardCursorCount] = {
    32512, // arrow
    32515, // cross
    32513, // I-beam
    32514, // wait
    32651, // help
    32650, // arrow with hourglass
    32648, // no
    32646, // four-way size
    32643, // size NE-SW
    32645, // size N-S
    32642, // size NW-SE
    32644, // size W-E
    32516, // up arrow
    32649, // hand
};

} // namespace

uint32_t cursor_system_id(uint32_t number) {
    return number >= 1 && number <= kStandardCursorCount ? kSystemIds[number - 1] : 0;
}

uint32_t cursor_number_of(uint32_t system_id) {
    for (uint32_t i = 0; i < kStandardCursorCount; ++i) {
        if (kSystemIds[i] == system_id)
            return i + 1;
    }
    return 0;
}

void pointer_ids_to_numbers(uint8_t* data, uint32_t size) {
    if (size < 4)
        return;
    if (uint32_t number = cursor_number_of(read_u32(data)))
        write_u32(data, number);
}

void pointer_numbers_to_ids(uint8_t* data, uint32_t size) {
    if (size < 4)
        return;
    if (uint32_t id = cursor_system_id(read_u32(data)))
        write_u32(data, id);
}

MousePointer decode_mouse_pointer(const uint8_t* data, uint32_t size) {
    MousePointer p;
    if (size == 0 || data == nullptr)
        return p;
    const uint32_t value = size < 4 ? data[0] : read_u32(data);
    if (size >= 4 && value == 0xFFFFFFFFu) {
        if (size > 4) {
            p.kind = PointerKind::Image;
            p.image = {data + 4, size - 4};
        }
        return p;
    }
    p.whole_is_candidate = size > 10;
    if (size > 10)
        p.image = {data, size};
    uint32_t number = cursor_system_id(value) ? value : cursor_number_of(value);
    if (number) {
        p.kind = PointerKind::Standard;
        p.number = number;
        p.system_id = cursor_system_id(number);
    }
    return p;
}

} // namespace vantor::forms
