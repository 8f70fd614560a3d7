// Event records that units hand to the form engine's dispatch (requests RaiseEvent and
// RaiseTypedEvent). Portable binary layouts.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/protocol.h"

namespace vantor::forms {

// Short form (request RaiseEvent): up to five 32-bit arguments.
struct EventRecord {
    uint32_t window_id;
    uint32_t unit_id; // the window raises its events with its own unit id (0 accepted)
    int32_t event;    // kind's own events >= 0; -7 got focus, -8 lost focus
    uint32_t argc;    // 0..5
    uint32_t args[5];
    uint32_t has_result; // set to 1 by the dispatcher when the handler returned a value
    uint32_t result;
};
static_assert(sizeof(EventRecord) == 44);

// Typed form (request RaiseTypedEvent): twelve 16-byte argument slots and a 64-bit result.
struct TypedArgument {
    uint32_t low;
    uint32_t high;
    uint32_t type;
    uint32_t flags; // arg_flag bits
};
namespace arg_flag {
inline constexpr uint32_t ByReference = 1; // the low word alone: the argument's address
inline constexpr uint32_t BothWords = 2;
} // namespace arg_flag
// The one type code outside the basic types that also passes both words.
inline constexpr uint32_t kBothWordsType = 0x00010003;
static_assert(sizeof(TypedArgument) == 16);

struct TypedEventRecord {
    uint32_t window_id;
    uint32_t unit_id;
    int32_t event;
    uint32_t argc; // 0..12
    TypedArgument args[12];
    uint32_t has_result;
    uint32_t result_low; // the 64-bit result as two words: no 8-byte alignment padding
    uint32_t result_high;
};
static_assert(sizeof(TypedEventRecord) == 16 + 12 * 16 + 12);
static_assert(offsetof(TypedEventRecord, has_result) == 208);

inline constexpr int32_t kEventGotFocus = event::GotFocus;
inline constexpr int32_t kEventLostFocus = event::LostFocus;

} // namespace vantor::forms
