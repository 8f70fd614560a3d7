// The commands of the controls layer that application code calls through the
// command-call convention (runtime/call.h). Declarations only, without
// platform headers.
#pragma once

#include <cstdint>

#include "runtime/value.h"

namespace vantor::controls {

// The common dialog's Open method (controls/common_dlg.cpp): (unit reference
// {window id, unit id, 0x0001001F}) -> Bool, true when the user confirmed the
// dialog or the help request was carried out. The unit is found through the
// runtime request RequireUnitObject.
void cmd_common_dlg_open(TypedValue* result, int32_t argc, const TypedValue* args);

} // namespace vantor::controls
