// The unit types of the control kinds (VANTOR_KINDS): their records (type flags,
// property tables, interface routines) and their registration with Baselib and
// Uilib.
#pragma once

#include <cstdint>

#include "forms/kind_rows.h"
#include "forms/win32/unit_type.h"

namespace vantor::controls {

// Each kind's interface routine (routine number -> routine cast to void*, or
// null: kind_interface, in the kind's source) and unit type record kKindType (an
// entry of its library's table; unit objects keep a pointer to theirs).
#define VANTOR_KIND_TYPE(Kind, kind, ...)                                                          \
    void* kind##_interface(int32_t number);                                                        \
    extern const forms::UnitTypeRecord& k##Kind##Type;
VANTOR_KINDS(VANTOR_KIND_TYPE)
#undef VANTOR_KIND_TYPE

// Data-type tables as the libraries carry them: position n is entry n - 1, and
// positions without a kind of this program are zeroed records.
inline constexpr uint32_t kBaselibTypeCount = 51; // window 1, EditBox 5, Button 11, CommonDlg 31
inline constexpr uint32_t kUilibTypeCount = 5;    // TransLabel 5

// Hands both tables to the libraries (set_library_data_types). Idempotent.
void register_control_kinds();

// The record of a unit kind (library x 65536 + type) of this program, or null.
const forms::UnitTypeRecord* type_of_kind(uint32_t kind);

} // namespace vantor::controls
