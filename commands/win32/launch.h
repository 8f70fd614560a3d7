// The program launch command and the two small runtime commands the
// launcher's helper routines need (process pending messages, program file
// name). Windows only.
#pragma once

#include <cstdint>

#include "runtime/value.h"

namespace vantor {

// (command line Text, wait Bool, show mode Int) -> Bool.
// Starts the command line exactly as given (no application name, so a path
// with blanks must be quoted by the caller). Wait true: returns after the
// program has ended; otherwise after it is ready for input or 1000 ms. The
// wait flag is read as its value word alone. Show modes: 1 hidden, 2 normal
// (the default when omitted), 3 minimised, 4 maximised, 5 normal without
// activation, 6 minimised without activation; below 1 is 1, above 6 is 6.
// Result: true when the process was created. Blocks without pumping messages.
void cmd_launch(TypedValue* result, int32_t argc, const TypedValue* args);

// () -> none. Retrieves and dispatches the waiting messages of the calling
// thread (runtime request ProcessMessages), leaving WM_QUIT in the queue. Before the
// runtime has notified the libraries it does nothing.
void cmd_process_events(TypedValue* result, int32_t argc, const TypedValue* args);

// () -> Text: a new copy of the program's executable file name (runtime
// request ProgramFile, the part of its path after the last backslash); null when the
// runtime has not started.
void cmd_program_file_name(TypedValue* result, int32_t argc, const TypedValue* args);

} // namespace vantor
