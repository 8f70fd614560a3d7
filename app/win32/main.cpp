// Vantor's process entry: where a runtime error's report goes is settled (a
// line for a script), the form engine and the control kinds are put in place,
// then the runtime runs the application's entry routine over the program
// descriptor stored in the image.
#include <windows.h>

#include "app/program.h"
#include "app/win32/scripted_start.h"
#include "controls/kinds.h"
#include "forms/win32/engine.h"
#include "runtime/win32/kernel.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    vantor::app::prepare_scripted_reports();
    vantor::controls::register_control_kinds();
    vantor::forms::install_form_engine();
    return vantor::run_program(vantor::app::program_descriptor(), vantor::app::entry_routine);
}
