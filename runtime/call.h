// The library command calling convention and the command-call entry.
#pragma once

#include <cstdint>

#include "runtime/value.h"

namespace vantor {

// A library command: writes its result into *result; the arguments follow each
// other 12 bytes apart starting at `args`.
using CommandFn = void (*)(TypedValue* result, int32_t argc, const TypedValue* args);

// The command-call entry (interface slots 2 and 3): zeroes a result record, calls
// the command and returns all three words of the result.
TypedValue call_command(CommandFn command, int32_t argc, const TypedValue* args);

// Reads argument i, or the omitted value {0, 0, 0} when i is beyond argc.
inline TypedValue argument(int32_t argc, const TypedValue* args, int32_t i) {
    return i < argc ? args[i] : kOmitted;
}
inline bool omitted(const TypedValue& v) {
    return v.type == type::None;
}

} // namespace vantor
