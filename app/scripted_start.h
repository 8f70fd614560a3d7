// What Vantor's command line asks for, carried out on the shown window.
#pragma once

namespace vantor::app {

// Reads the process's command line; called once the start routine has shown
// the window. Without options nothing happens. Values go into the boxes at
// once, written as the program writes an edit box's Content. /start and a bad
// option act from the message loop: a bad option shows one message box owned
// by the window and starts nothing; /start presses 启动 as a click does; /exit
// then closes the window once that sequence has ended (at once without /start).
void apply_command_line();

} // namespace vantor::app
