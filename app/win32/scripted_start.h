// What Vantor's command line asks for, carried out on the shown window.
#pragma once

namespace vantor::app {

// Reads the process's command line; called once the start routine has shown
// the window. Without options nothing happens. Values go into the boxes at
// once, written as the program writes an edit box's Content; the wait limits
// are set. /start and a bad option act from the message loop: a bad option
// starts nothing and is told in one message box owned by the window; /start
// presses 启动 as a click does; /exit then closes the window once that
// sequence has ended (at once without /start, or after a bad option). With
// /exit nothing waits for a person: every message goes to the console as one
// line instead of a box.
void apply_command_line();

// First thing in the process entry: when /exit stands on the command line
// as a word of its own, a runtime error met before apply_command_line (while
// the runtime starts, the window loads or the line is read) is reported as a
// console line too. Allocates nothing.
void prepare_scripted_reports();

// The exit code the command line's run ended with (ExitCode): 0 without
// /exit or when everything went well.
int scripted_exit_code();

} // namespace vantor::app
