// The commands of this layer that application code calls through the
// command-call convention (runtime/call.h: result, argument count, arguments;
// missing arguments count as omitted). Declarations only, without platform
// headers; the commands are defined in commands/ (convert.cpp, portable;
// dialogs.cpp and launch.cpp, Windows). The form engine and the controls
// declare theirs (forms/load_command.h, controls/commands.h); the launcher
// gathers them all (app/commands.h).
#pragma once

#include <cstdint>

#include "runtime/value.h"

namespace vantor {

// ---- conversions (commands/convert.cpp; the routines behind them: convert.h) ----
// (value) -> Int
void cmd_to_int(TypedValue* result, int32_t argc, const TypedValue* args);
// (value) -> Text, null low word when empty
void cmd_to_text(TypedValue* result, int32_t argc, const TypedValue* args);
// (Text) -> Text in lower case; a non-Text argument reads as the empty text
void cmd_to_lower(TypedValue* result, int32_t argc, const TypedValue* args);
// (Text, mode) -> Text; the mode is read with to_int, so an omitted mode is 0
void cmd_convert_case(TypedValue* result, int32_t argc, const TypedValue* args);

// ---- small user-interface commands (commands/win32/dialogs.cpp) ----
// (text Text, style Int, caption Text, owner unit reference) -> Int: shows a
// message box and returns the button pressed (IDOK = 1 ...). An omitted style is
// MB_OK; an omitted or not loaded owner gives a box without owner.
void cmd_message_box(TypedValue* result, int32_t argc, const TypedValue* args);
// () -> Bool: true when WM_QUIT waits in the thread's queue, that is the program
// is ending (its last window was closed) while a handler still runs.
void cmd_quit_pending(TypedValue* result, int32_t argc, const TypedValue* args);

// ---- program launch and the runtime's messages (commands/win32/launch.cpp) ----
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
