// One line of text for the process that started Vantor (a script). Windows only.
#pragma once

#include <string_view>

namespace vantor::app {

// Writes `gbk` and a line end to the standard error handle Vantor was given
// when there is one (a console: through WriteConsoleW; a file or pipe: as
// UTF-8 with CR LF), else to the console of the parent process, attached for
// this (a GUI program has none of its own). False when there is neither or
// the write fails.
bool write_console_line(std::string_view gbk);

} // namespace vantor::app
