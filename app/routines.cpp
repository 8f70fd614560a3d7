// The launcher's routines. The window they work on arrives with the form
// engine; until then the start routine loads nothing and the program ends.
#include "app/program.h"

extern "C" int vantor_start_routine() { return 0; }
extern "C" void vantor_pick_executable() {}
extern "C" void vantor_launch_sequence() {}
