// A program on the runtime with its own descriptor and three support libraries
// whose notify entries log. test_kernel runs it in one mode per scenario and
// reads the log it writes next to itself (kernel_probe.<mode>.log).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "controls/on_demand.h"
#include "forms/archive.h"
#include "forms/win32/engine.h"
#include "runtime/allocation_faults.h"
#include "runtime/allocator.h"
#include "runtime/win32/interface.h"
#include "runtime/win32/kernel.h"
#include "tests/support/automation.h"
#include "tests/support/win32.h"

using namespace vantor;
using vantor::testing::add_idle_routine;
using vantor::testing::probe_line;

namespace {

std::string g_mode;
std::vector<uint8_t> g_archive;

int32_t notify_base(int32_t code, uint32_t first, uint32_t) {
    probe_line("notify Baselib %d %s", int(code),
               code == 1 ? (first == uint32_t(uintptr_t(&runtime_request)) ? "request-entry" : "?")
                         : std::to_string(first).c_str());
    return 0;
}
int32_t notify_ui(int32_t code, uint32_t, uint32_t) {
    probe_line("notify Uilib %d", int(code));
    return 0;
}

LibraryRecord make_library(const char* name, NotifyEntry notify) {
    LibraryRecord r{};
    r.signature = kLibrarySignature;
    r.identifier = "0123456789ABCDEF0123456789ABCDEF";
    r.display_name = name;
    r.notify = notify;
    return r;
}

const LibraryRecord kBaselib = make_library("Baselib", notify_base);
const LibraryRecord kUilib = make_library("Uilib", notify_ui);
const LibraryRecord kSpeclib = make_library("Speclib", nullptr); // no notify entry: skipped
const LibraryRecord* const kLibraries[] = {&kBaselib, &kUilib, &kSpeclib};

alignas(4) const uint8_t kConstants[16] = "constant text";

// Declared functions of the probe: a real one declared with too few arguments,
// and exports that no library has.
const char* const kDllLibraries[3] = {"user32", "kernel32", ""};
const char* const kDllFunctions[3] = {"GetSystemMetrics", "NoSuchExport", "NoSuchExportAnywhere"};
const uint8_t kBadArchive[] = {0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3};

ProgramDescriptor g_descriptor{
    3, 0, 89757,      0x00400000, kConstants,    sizeof kConstants, nullptr,
    0, 3, kLibraries, 3,          kDllLibraries, kDllFunctions};

void exit_a() {
    probe_line("exit A on %s",
               GetCurrentThreadId() == kernel().main_thread_id() ? "main" : "other");
}
void exit_b() {
    probe_line("exit B");
}

const InterfaceTable& rt() {
    return app_interface();
}

void startup_and_register() {
    rt().call_service(service::RuntimeStartup, 0, 0, 0, 0);
    rt().call_service(service::RegisterExitRoutine, uint32_t(uintptr_t(&exit_a)), 0, 0, 0);
    rt().call_service(service::RegisterExitRoutine, 0, 0, 0, 0); // no routine: never called
    rt().call_service(service::RegisterExitRoutine, uint32_t(uintptr_t(&exit_b)), 0, 0, 0);
    rt().call_service(service::RegisterExitRoutine, uint32_t(uintptr_t(&exit_a)), 0, 0, 0);
}

// ---- idle scenario ----
HWND g_idle_window = nullptr;
int g_idle_calls = 0;
void CALLBACK quit_timer(HWND, UINT, UINT_PTR, DWORD) {
    PostQuitMessage(0);
}
void idle_routine(uint32_t argument) {
    ++g_idle_calls;
    if (argument != 77)
        probe_line("idle argument wrong %u", argument);
    if (g_idle_calls == 1) {
        DestroyWindow(g_idle_window);
        PostThreadMessageA(GetCurrentThreadId(), WM_USER, 0, 0);
        SetTimer(nullptr, 0, 300, quit_timer);
    }
}

// ---- idle routines that change the list while it is walked ----
HWND g_walked[3] = {}; // A, B, C: walked from C down to A
void walked_routine(uint32_t name) {
    probe_line("idle %c", char(name));
    if (name == 'C') {
        runtime_request(1013, uint32_t(uintptr_t(g_walked[0])), 0); // C removes A
        PostQuitMessage(0);                                         // one pass only
    }
}

// ---- libraries loaded on first use ----
bool loaded(const char* library) {
    return GetModuleHandleA(library) != nullptr;
}
void sound_released(void* module) {
    probe_line("before-release winmm %d", module == GetModuleHandleA("winmm.dll"));
}

// OLE is up on this thread (COM then reports it as already initialised) and
// its library is the system directory's.
void log_ole(const RuntimeKernel& k) {
    char path[MAX_PATH] = {}, system[MAX_PATH] = {};
    GetModuleFileNameA(k.ole_library(), path, MAX_PATH);
    GetSystemDirectoryA(system, MAX_PATH);
    using CoInit = HRESULT(WINAPI*)(void*, DWORD);
    auto init = library_function<CoInit>(k.ole_library(), "CoInitializeEx");
    const HRESULT again = init ? init(nullptr, 2 /* apartment threaded */) : E_FAIL;
    probe_line("ole %d from-system %d", again == S_FALSE,
               k.ole_library() && _strnicmp(path, system, std::strlen(system)) == 0);
    using CoUninit = void(WINAPI*)();
    if (SUCCEEDED(again))
        library_function<CoUninit>(k.ole_library(), "CoUninitialize")();
}

DWORD WINAPI end_from_thread(LPVOID) {
    rt().end_program(7);
    return 0;
}

int entry_routine() {
    const std::string& m = g_mode;
    if (m == "startup" || m == "archive") {
        startup_and_register();
        const RuntimeKernel& k = kernel();
        char cwd[MAX_PATH] = {};
        GetCurrentDirectoryA(MAX_PATH, cwd);
        probe_line("dir-is-cwd %d", k.program_dir() == cwd);
        probe_line("file %s", k.program_file().c_str());
        probe_line("dir-slash %d", k.program_dir_slash() == k.program_dir() + "\\");
        HWND owner = FindWindowA("_QZ_HideOwner", nullptr);
        probe_line("hidden-owner %d toolwindow %d",
                   owner == hidden_owner_window() && owner != nullptr,
                   (GetWindowLongA(owner, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0);
        probe_line("main-thread %d", k.main_thread_id() == GetCurrentThreadId());
        log_ole(k);
        probe_line("id-counter %u", k.id_counter());
        probe_line("windows %u", runtime_request(2032, 0, 0));
        probe_line("kind %u", runtime_request(2030, 0, 0));
        probe_line("unknown-request %u", runtime_request(2039, 1, 2));
        // A constant is never freed; resizing copies it.
        rt().release(const_cast<uint8_t*>(kConstants));
        auto* copy = static_cast<char*>(rt().resize(const_cast<uint8_t*>(kConstants), 9));
        probe_line("constant-copy %.8s %d", copy,
                   copy != reinterpret_cast<const char*>(kConstants));
        rt().release(copy);
        if (m == "archive") {
            const forms::WindowRecord* w = forms::find_window(k.windows(), 0x52010003);
            probe_line("launcher-window %d", w != nullptr);
        }
        rt().run_until_last_window_closed();
        probe_line("loop-skipped");
        return 0;
    }
    if (m == "error") {
        startup_and_register();
        rt().raise_error(6);
    }
    if (m == "request-error") {
        startup_and_register();
        runtime_request(2027, uint32_t(uintptr_t("自定义错误")), 0);
    }
    if (m == "alloc-error") {
        startup_and_register();
        runtime_request(2024, 0x7FFFFFF0, 0);
    }
    if (m == "null-arguments") {
        startup_and_register();
        probe_line("find-without-handle %u",
                   rt().call_service(service::FindFile, uint32_t(uintptr_t("*")), 0, 1, 0));
        runtime_request(2001, 0, 0);
        probe_line("not reached");
    }
    if (m == "tables-fail") {
        // The declared-function tables are start-up's first checked
        // allocation: it fails before the libraries are started.
        allocation_faults::fail_nth(1);
        startup_and_register();
        probe_line("not reached");
    }
    if (m == "stack-error") {
        startup_and_register();
        rt().call_declared(0, 0, nullptr); // GetSystemMetrics takes one argument
        probe_line("not reached");
    }
    if (m == "unknown-export") {
        startup_and_register();
        rt().call_declared(1, 0, nullptr);
        probe_line("not reached");
    }
    if (m == "unknown-system-export") {
        startup_and_register();
        rt().call_declared(2, 0, nullptr);
        probe_line("not reached");
    }
    if (m == "find-file") {
        startup_and_register();
        std::string dir = kernel().program_dir() + "\\findfile";
        CreateDirectoryA(dir.c_str(), nullptr);
        CreateDirectoryA((dir + "\\sub").c_str(), nullptr);
        FILE* f = std::fopen((dir + "\\a.txt").c_str(), "w");
        if (f)
            std::fclose(f);
        std::string pattern = dir + "\\*";
        HANDLE search = nullptr;
        uint32_t name = rt().call_service(service::FindFile, uint32_t(uintptr_t(pattern.c_str())),
                                          0, 1, uint32_t(uintptr_t(&search)));
        while (name) {
            probe_line("found %s", reinterpret_cast<const char*>(uintptr_t(name)));
            rt().release(reinterpret_cast<void*>(uintptr_t(name)));
            name = rt().call_service(service::FindFile, 0, 0, 1, uint32_t(uintptr_t(&search)));
        }
        probe_line("handle-closed %d", search == nullptr);
        // Directories only (attribute 0x10) finds the sub-directory and the dot entries.
        name = rt().call_service(service::FindFile, uint32_t(uintptr_t(pattern.c_str())), 0x10, 0,
                                 uint32_t(uintptr_t(&search)));
        int dirs = 0;
        while (name) {
            ++dirs;
            rt().release(reinterpret_cast<void*>(uintptr_t(name)));
            name = rt().call_service(service::FindFile, 0, 0x10, 0, uint32_t(uintptr_t(&search)));
        }
        probe_line("directories %d", dirs);
        return 0;
    }
    if (m == "on-demand") {
        startup_and_register();
        probe_line("before winmm %d comdlg32 %d", loaded("winmm.dll"), loaded("comdlg32.dll"));
        auto play = controls::on_demand<FARPROC>("winmm.dll", "PlaySoundA", sound_released);
        auto open = controls::on_demand<FARPROC>("comdlg32.dll", "GetOpenFileNameA");
        auto again = controls::on_demand<FARPROC>("winmm.dll", "PlaySoundA");
        probe_line("found %d %d again %d", play != nullptr, open != nullptr, again == play);
        probe_line("loaded winmm %d comdlg32 %d", loaded("winmm.dll"), loaded("comdlg32.dll"));
        return 0;
    }
    if (m == "unchecked-alloc") {
        startup_and_register();
        probe_line("unchecked %u", runtime_request(2024, 0x7FFFFFF0, 1));
        return 0;
    }
    if (m == "bad-archive") {
        g_descriptor.form_archive = kBadArchive;
        g_descriptor.form_archive_size = sizeof kBadArchive;
        startup_and_register();
        probe_line("not reached");
    }
    if (m == "thread-end") {
        startup_and_register();
        CreateThread(nullptr, 0, end_from_thread, nullptr, 0, nullptr);
        run_message_loop(0);
        probe_line("not reached");
    }
    if (m == "quit-left") {
        startup_and_register();
        PostThreadMessageA(GetCurrentThreadId(), WM_USER + 1, 0, 0);
        PostQuitMessage(5);
        runtime_request(2018, 0, 0);
        MSG msg;
        BOOL waiting = PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
        probe_line("quit-waiting %d", waiting && msg.message == WM_QUIT);
        probe_line("loop %d", run_message_loop(0));
        return 0;
    }
    if (m == "idle") {
        startup_and_register();
        g_idle_window = CreateWindowExA(0, "STATIC", "idle", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                        GetModuleHandleA(nullptr), nullptr);
        add_idle_routine(g_idle_window, idle_routine, 77);
        add_idle_routine(g_idle_window, idle_routine, 77); // second entry refused
        probe_line("idle-entries %u", unsigned(kernel().idle_entry_count()));
        run_message_loop(0);
        probe_line("idle-calls %d entries %u", g_idle_calls, unsigned(kernel().idle_entry_count()));
        return 0;
    }
    if (m == "idle-walk") {
        startup_and_register();
        for (int i = 0; i < 3; ++i) {
            g_walked[i] = CreateWindowExA(0, "STATIC", "walked", WS_POPUP, 0, 0, 1, 1, nullptr,
                                          nullptr, GetModuleHandleA(nullptr), nullptr);
            add_idle_routine(g_walked[i], walked_routine, uint32_t('A' + i));
        }
        run_message_loop(0);
        return 0;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (!vantor::testing::open_probe_log("kernel_probe", argc, argv, "startup", g_mode))
        return 100;
    if (g_mode == "archive" && argc > 2) {
        const std::string archive = vantor::testing::read_file(argv[2]);
        g_archive.assign(archive.begin(), archive.end());
        g_descriptor.form_archive = g_archive.data();
        g_descriptor.form_archive_size = uint32_t(g_archive.size());
    }
    // The kernel reads its archive through the form engine's reader; the rest
    // of the engine stays out, so that only the kernel's own behaviour shows.
    vantor::forms::install_archive_reader();
    const int code = run_program(g_descriptor, entry_routine);
    if (g_mode == "on-demand")
        probe_line("after-end winmm %d comdlg32 %d", loaded("winmm.dll"), loaded("comdlg32.dll"));
    return code;
}
