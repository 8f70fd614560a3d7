// The launcher's routines: the start routine that opens the window, the
// executable picker and the launch sequence (the click handlers).
#include "app/commands.h"
#include "app/launch_sequence.h"
#include "app/launcher.h"
#include "app/program.h"
#include "app/runtime_api.h"
#include "forms/win32/unit_type.h"

using namespace vantor;

extern "C" int vantor_start_routine() {
    app::api::call(forms::load_window_command,
                   {make_unit_ref(app::kMainWindow, app::kMainWindowUnit, forms::kind::Window),
                    kOmitted,           // no owner
                    make_bool(false)}); // not modal
    return 0;
}

extern "C" void vantor_pick_executable() {
    app::pick_executable();
}
extern "C" void vantor_launch_sequence() {
    app::launch_sequence(app::wait_limits());
}
