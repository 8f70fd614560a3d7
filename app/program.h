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
// Code base: the start routine's entry, followed at the handler offsets of the
// form source (kPickExecutableHandler, kLaunchSequenceHandler in
// launcher_form.h) by the handler entries that the archive's bindings name.
extern const uint8_t vantor_code_base[];
}

namespace vantor::app {

const ProgramDescriptor& program_descriptor();
int entry_routine();

} // namespace vantor::app
