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

} // namespace vantor
