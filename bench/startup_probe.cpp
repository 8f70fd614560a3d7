// Start-up benchmark subject: the runtime with the launcher's descriptor shape.
// "entry" ends as soon as the entry routine runs; "startup" runs runtime start-up
// (service 6, the archive read included) and the end sequence.
#include <windows.h>

#include <cstring>

#include "runtime/win32/interface.h"
#include "runtime/win32/kernel.h"
#include "runtime/win32/libraries.h"

namespace {

bool g_full = false;

int entry() {
    if (!g_full)
        ExitProcess(0);
    vantor::app_interface().call_service(vantor::service::RuntimeStartup, 0, 0, 0, 0);
    vantor::app_interface().run_until_last_window_closed();
    return 0;
}

const vantor::ProgramDescriptor kDescriptor{
    3, 0, 89757, 0, nullptr, 0, nullptr, 0, 3, vantor::kSupportLibraries, 0, nullptr, nullptr};

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_line, int) {
    g_full = std::strstr(command_line, "startup") != nullptr;
    return vantor::run_program(kDescriptor, entry);
}
