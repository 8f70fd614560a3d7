// Vantor's process entry: the runtime runs the application's entry routine over
// the program descriptor stored in the image.
#include <windows.h>

#include "app/program.h"
#include "runtime/kernel.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return vantor::run_program(vantor::app::program_descriptor(), vantor::app::entry_routine);
}
