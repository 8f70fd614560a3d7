// System functions that most runs never call (the file and font dialogs, sound),
// looked up on first use so that start-up does not load their libraries and the
// many libraries those pull in. The library stays loaded until the end sequence
// frees it (runtime/libraries.h), so a function is looked up at each use rather
// than kept across it.
#pragma once

#include <windows.h>

#include "runtime/libraries.h"

namespace vantor::controls {

// The function `name` of system library `library`; null when either is missing.
// `before_release` (given with the library's first use) runs before the end
// sequence frees the library.
template <class Fn>
Fn on_demand(const char* library, const char* name, BeforeRelease before_release = nullptr) {
    auto module = static_cast<HMODULE>(on_demand_library(library, before_release));
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                  : nullptr;
}

} // namespace vantor::controls
