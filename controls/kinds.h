// The unit types of the five control kinds: their records (type flags, property
// tables, interface routines) and their registration with Baselib and Uilib.
#pragma once

#include <cstdint>

#include "forms/win32/unit_type.h"

namespace vantor::controls {

// Interface routines: routine number -> routine (cast to void*), or null.
void* window_interface(int32_t number);
void* edit_box_interface(int32_t number); // controls/edit_box.cpp
void* button_interface(int32_t number);
void* common_dlg_interface(int32_t number); // controls/common_dlg.cpp
void* trans_label_interface(int32_t number);

// Unit type records (entries of the libraries' tables); unit objects keep a
// pointer to theirs.
extern const forms::UnitTypeRecord& kWindowType;
extern const forms::UnitTypeRecord& kEditBoxType;
extern const forms::UnitTypeRecord& kButtonType;
extern const forms::UnitTypeRecord& kCommonDlgType;
extern const forms::UnitTypeRecord& kTransLabelType;

// Data-type tables as the libraries carry them: position n is entry n - 1, and
// positions without a kind of this program are zeroed records.
inline constexpr uint32_t kBaselibTypeCount = 51; // window 1, EditBox 5, Button 11, CommonDlg 31
inline constexpr uint32_t kUilibTypeCount = 5;    // TransLabel 5

// Hands both tables to the libraries (set_library_data_types). Idempotent.
void register_control_kinds();

// The record of a unit kind (library x 65536 + type) among the five, or null.
const forms::UnitTypeRecord* type_of_kind(uint32_t kind);

} // namespace vantor::controls
