// A program on the runtime with the test archive and the test kinds, run by
// test_forms_fatal in one mode per scenario: runtime errors of the form engine
// (which end the process) and the end of the program when the last window goes.
// It writes a log next to itself (forms_probe.<mode>.log).
#include <windows.h>

#include <cstdio>
#include <string>

#include "forms/win32/engine.h"
#include "forms/win32/events.h"
#include "runtime/win32/interface.h"
#include "runtime/win32/kernel.h"
#include "runtime/win32/libraries.h"
#include "tests/support/automation.h"
#include "tests/support/forms_harness.h"

using namespace vantor;
using namespace vantor::testing;

namespace {

std::string g_mode;

const InterfaceTable& rt() {
    return app_interface();
}

void raise(uint32_t window, uint32_t unit, int32_t event) {
    forms::EventRecord record{};
    record.window_id = window;
    record.unit_id = unit;
    record.event = event;
    library_request(Library::Base, 2008, uint32_t(uintptr_t(&record)), 0);
}

bool quit_waiting() {
    MSG msg;
    return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
}

void CALLBACK close_order(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    probe_line("closing");
    PostMessageA(handle_of(ids::Order, 0), WM_CLOSE, 0, 0);
}

int entry_routine() {
    rt().call_service(service::RuntimeStartup, 0, 0, 0, 0);
    const std::string& m = g_mode;
    if (m == "kind-read-closed") {
        probe_line("left %u", unsigned(rt().read_property(ids::Main, ids::MainX, 0, -1)));
        rt().read_property(ids::Main, ids::MainX, 8, -1);
    } else if (m == "kind-write-closed") {
        rt().write_property(ids::Main, ids::MainX, 8, -1, 1, 0);
    } else if (m == "unknown-window") {
        rt().read_property(ids::Missing, 0, 0, -1);
    } else if (m == "event-window") {
        raise(ids::Missing, 0, 0);
    } else if (m == "event-unit") {
        raise(ids::Events, 0x16019999, 0);
    } else if (m == "event-invalid") {
        raise(ids::Events, ids::EvMute, 0);
    } else if (m == "find-unit") {
        library_request(Library::Base, 2007, ids::Main, ids::MainA);
    } else if (m == "startup-window") {
        rt().load_startup_window(ids::BrokenUnit);
    } else if (m == "lifecycle") {
        rt().load_startup_window(ids::Order);
        probe_line("loaded %d", handle_of(ids::Order, 0) != nullptr);
        forms::request_close(ids::Order);
        probe_line("closed during start routine, quit posted %d", quit_waiting());
        rt().load_startup_window(ids::Order);
        SetTimer(nullptr, 0, 100, close_order);
        rt().run_until_last_window_closed();
        probe_line("loop ended, windows open %d", any_window_open());
        return 0;
    }
    probe_line("not reached");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (!vantor::testing::open_probe_log("forms_probe", argc, argv, "lifecycle", g_mode))
        return 100;
    prepare_runtime(VANTOR_FORMS_TEST_ARCHIVE);
    return run_program(test_descriptor(), entry_routine);
}
