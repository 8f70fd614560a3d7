#include "app/program.h"

#include <cfenv>

#include "app/form_archive.h"
#include "app/launcher.h"
#include "app/sequence_report.h"
#include "app/system_helpers.h"
#include "app/win32/notices.h"
#include "app/win32/scripted_start.h"
#include "app/win32/taskbar_progress.h"
#include "runtime/win32/interface.h"
#include "runtime/win32/libraries.h"

// The code base: a jump at offset 0 to the start routine and at the handlers'
// offsets (from the form source, launcher_form.h) to their routines, so that the
// stored handler offsets stay valid whatever the linker does with the routines
// themselves.
#define VANTOR_TEXT(x) #x
#define VANTOR_OFFSET(x) VANTOR_TEXT(x)
// clang-format off
asm(".text\n"
    ".balign 16\n"
    ".globl _vantor_code_base\n"
    "_vantor_code_base:\n"
    "  jmp _vantor_start_routine\n"
    "  .org _vantor_code_base + " VANTOR_OFFSET(VANTOR_HANDLER_PICK_EXECUTABLE) "\n"
    "  jmp _vantor_pick_executable\n"
    "  .org _vantor_code_base + " VANTOR_OFFSET(VANTOR_HANDLER_LAUNCH_SEQUENCE) "\n"
    "  jmp _vantor_launch_sequence\n");
// clang-format on

namespace vantor::app {

namespace {

// The routines a program generates around its start (after the runtime start-up,
// its exit routine, just before the start routine); empty in this program.
void generated_after_startup() {}
void generated_exit_routine() {}
void generated_before_start() {}

} // namespace

const ProgramDescriptor& program_descriptor() {
    static const ProgramDescriptor descriptor{
        3,     // program kind
        0,     // reserved
        89757, // identifier counter base
        uint32_t(reinterpret_cast<uintptr_t>(vantor_code_base)),
        nullptr,
        0, // constant area: the launcher's literals live in its own routines
        vantor_form_archive,
        form_archive_size(),
        3,
        kSupportLibraries,
        kDeclaredFunctionCount,
        kDeclaredLibraries,
        kDeclaredExports};
    return descriptor;
}

int entry_routine() {
    const InterfaceTable& rt = app_interface();
    rt.call_service(service::RuntimeStartup, 0, 0, 0, 0);
    std::fesetenv(FE_DFL_ENV); // the defaults, with no exception flag left set
    generated_after_startup();
    rt.call_service(service::RegisterExitRoutine,
                    uint32_t(reinterpret_cast<uintptr_t>(&generated_exit_routine)), 0, 0, 0);
    generated_before_start();
    reinterpret_cast<int (*)()>(const_cast<uint8_t*>(vantor_code_base))(); // start routine
    install_taskbar_progress();
    install_notices();
    apply_command_line(); // options for scripts; none: the window stays as stored
    rt.run_until_last_window_closed();
    // A scripted run that did not go well ends with its code, through the
    // same end sequence.
    if (const int code = scripted_exit_code(); code != kExitDone)
        rt.end_program(code);
    return 0;
}

} // namespace vantor::app
