// Where the launcher's messages go: a message box owned by the window for a
// person, or one console line each for a script (a run with /exit, which
// must never wait for a person). Windows only; main thread only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vantor::app {

enum class NoticeIcon : uint32_t { Error = 0x10, Warning = 0x30 }; // MB_ICONERROR, MB_ICONWARNING

// On: every notice, and a runtime error's report, is written as one line for
// the calling process instead.
void set_console_notices(bool on);
bool console_notices();

// A box captioned "Vantor" with `icon`, owned by the launcher's window (shown
// through the message box command), or `text` on one line.
void notify(const std::string& text, NoticeIcon icon);

// The launch failure with its command line: shortened in the middle so that
// the box fits on the screen; whole on the console line.
void notify_launch_failure(std::string_view command_line);

// Gives the launch sequence these notices as its hooks.
void install_notices();

} // namespace vantor::app
