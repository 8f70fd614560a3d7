// The load window library command that application code calls.
#pragma once

#include <cstdint>

#include "runtime/value.h"

namespace vantor::forms {

// Command convention (runtime/call.h). Arguments: the window as a unit
// reference {window id, its own unit id, window kind}; the owner as a unit
// reference or omitted; the modal flag (Bool). Result: Bool, true when the
// window is loaded (for a modal window: after it has been closed again).
void load_window_command(TypedValue* result, int32_t argc, const TypedValue* args);

} // namespace vantor::forms
