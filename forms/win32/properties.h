// Property access by index: the eight fixed properties kept by the engine, the
// kinds' own properties through their read and write routines with the value
// conversions by property type, and re-creation after a write that asks for it.
#pragma once

#include <cstdint>

#include "forms/property_values.h"

namespace vantor::forms {

// Interface slot 4. Texts and byte sets returned belong to the caller. Raises
// "未载入欲访问窗口组件所在的窗口" for an unknown window and "指定窗口尚未载入"
// for a kind property of a unit without a live object (fatal).
uint64_t read_property(uint32_t window_id, uint32_t unit_id, int32_t index, int32_t member);
// Interface slot 5; the same errors.
void write_property(uint32_t window_id, uint32_t unit_id, int32_t index, int32_t member,
                    uint32_t low, uint32_t high);

} // namespace vantor::forms
