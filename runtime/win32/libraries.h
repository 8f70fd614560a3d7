// The three support libraries the program is linked with: Baselib (core kinds
// and commands), Uilib (extended interface kinds) and Speclib (special commands).
// Each keeps the runtime's request entry it receives with notify code 1; until
// then its requests get 0 without reaching the runtime.
#pragma once

#include <cstdint>

#include "runtime/descriptor.h"

namespace vantor {

enum class Library : uint32_t { Base = 0, Ui = 1, Special = 2 };

// Sends a request to the runtime on behalf of `lib`; 0 before notify code 1.
uint32_t library_request(Library lib, int32_t code, uint32_t first, uint32_t second);

// The library records in library order, for the program descriptor.
extern const LibraryRecord* const kSupportLibraries[3];

// Data types that the form engine registers with Baselib and Uilib (unit kinds).
void set_library_data_types(Library lib, const void* table, uint32_t count);

// ---- system libraries loaded on first use --------------------------------------------
// Libraries that most runs never need (the file and font dialogs, sound) are
// loaded when first used, from the system directory only, and kept in the
// runtime's list of dynamically loaded libraries until the end sequence frees
// them. Main thread only.
using BeforeRelease = void (*)(void* module);

// The module (an HMODULE) of system library `name`, loaded and listed on its
// first use; null when it cannot be loaded. `before_release`, given with the
// first use, is called with the module right before the end sequence frees it.
void* on_demand_library(const char* name, BeforeRelease before_release = nullptr);
// End sequence: frees every listed library in the order loaded, each after its
// before-release routine, and empties the list; a later use loads anew.
void release_on_demand_libraries();

} // namespace vantor
