// Every library command the launcher calls, gathered from the layers that
// declare them: conversions, message box, launch and events (commands/), the
// load window command (forms/), the common dialog's Open method (controls/).
#pragma once

#include "commands/library.h"
#include "controls/commands.h"
#include "forms/load_command.h"
