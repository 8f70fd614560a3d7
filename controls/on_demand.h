// System functions that most runs never call (the file and font dialogs, sound),
// looked up on first use so that start-up does not load their libraries and the
// many libraries those pull in. The library stays loaded for the process's life.
#pragma once

#include <windows.h>

namespace vantor::controls {

// The function `name` of system library `library`; null when either is missing.
template <class Fn> Fn on_demand(const char* library, const char* name) {
    HMODULE module = LoadLibraryA(library);
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                  : nullptr;
}

} // namespace vantor::controls
