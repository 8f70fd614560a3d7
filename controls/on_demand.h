// System functions that most runs never call (the file and font dialogs, sound),
// looked up on first use so that start-up does not load their libraries and the
// many libraries those pull in. The library stays loaded until the end sequence
// frees it (runtime/win32/libraries.h), so a function is looked up at each use rather
// than kept across it.
#pragma once

#include <windows.h>

#include "runtime/win32/dll_call_win32.h"
#include "runtime/win32/libraries.h"

namespace vantor::controls {

// The function `name` of system library `library`; null when either is missing.
// `before_release` (given with the library's first use) runs before the end
// sequence frees the library.
template <class Fn>
Fn on_demand(const char* library, const char* name, BeforeRelease before_release = nullptr) {
    return library_function<Fn>(on_demand_library(library, before_release), name);
}

} // namespace vantor::controls
