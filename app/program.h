// Vantor's program image records and its routines' entry points.
#pragma once

#include <cstdint>

#include "runtime/descriptor.h"

extern "C" {
// Application routines. Handlers are reached through the code base (below),
// whose jumps the link-time optimiser does not see: hence `used`.
__attribute__((used)) int vantor_start_routine();
__attribute__((used)) void vantor_pick_executable();
__attribute__((used)) void vantor_launch_sequence();
// Code base: the start routine's entry, followed at fixed offsets by the
// handler entries that the form archive's bindings name (+0x44 executable
// picker, +0xC0 launch sequence).
extern const uint8_t vantor_code_base[];
}

namespace vantor::app {

inline constexpr uint32_t kPickExecutableOffset = 0x44;
inline constexpr uint32_t kLaunchSequenceOffset = 0xC0;

const ProgramDescriptor& program_descriptor();
int entry_routine();

} // namespace vantor::app
