// Small user-interface commands of the base library: a message box owned by a
// loaded window, and the question whether the program is quitting. Windows only.
#pragma once

#include <cstdint>

#include "runtime/value.h"

namespace vantor {

// (text Text, style Int, caption Text, owner unit reference) -> Int: shows a
// message box and returns the button pressed (IDOK = 1 ...). An omitted style is
// MB_OK; an omitted or not loaded owner gives a box without owner.
void cmd_message_box(TypedValue* result, int32_t argc, const TypedValue* args);

// () -> Bool: true when WM_QUIT waits in the thread's queue, that is the program
// is ending (its last window was closed) while a handler still runs.
void cmd_quit_pending(TypedValue* result, int32_t argc, const TypedValue* args);

} // namespace vantor
