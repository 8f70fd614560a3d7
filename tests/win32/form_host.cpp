// A program on the runtime with the real control kinds that loads a window of
// a form archive read from a file, so that tests can load forms of their own:
//   form_host <archive path> <window id> <window's unit id>   (ids in hex)
// It shows the window as the launcher shows its own and ends when it closes.
#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>

#include <cstdlib>
#include <vector>

#include "controls/kinds.h"
#include "forms/load_command.h"
#include "forms/win32/engine.h"
#include "forms/win32/unit_type.h"
#include "runtime/win32/interface.h"
#include "runtime/win32/kernel.h"
#include "runtime/win32/libraries.h"

using namespace vantor;

// The code base: the start routine at offset 0, as the runtime calls it.
asm(".text\n"
    ".balign 16\n"
    ".globl _form_host_code_base\n"
    "_form_host_code_base:\n"
    "  jmp _form_host_start\n");
extern "C" const uint8_t form_host_code_base[];

namespace {

std::vector<uint8_t> g_archive;
uint32_t g_window_id = 0;
uint32_t g_window_unit = 0;

bool read_file(const wchar_t* path, std::vector<uint8_t>& out) {
    HANDLE file =
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const DWORD size = GetFileSize(file, nullptr);
    out.resize(size);
    DWORD read = 0;
    const bool ok = size != INVALID_FILE_SIZE && ReadFile(file, out.data(), size, &read, nullptr) &&
                    read == size;
    CloseHandle(file);
    return ok;
}

int entry_routine() {
    const InterfaceTable& rt = app_interface();
    rt.call_service(service::RuntimeStartup, 0, 0, 0, 0);
    reinterpret_cast<int (*)()>(const_cast<uint8_t*>(form_host_code_base))();
    rt.run_until_last_window_closed();
    return 0;
}

} // namespace

extern "C" int form_host_start() {
    const TypedValue args[3] = {make_unit_ref(g_window_id, g_window_unit, forms::kind::Window),
                                kOmitted, make_bool(false)};
    app_interface().call_command(forms::load_window_command, 3, args);
    return 0;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc != 4 || !read_file(argv[1], g_archive))
        return 2;
    g_window_id = uint32_t(std::wcstoul(argv[2], nullptr, 16));
    g_window_unit = uint32_t(std::wcstoul(argv[3], nullptr, 16));
    static const ProgramDescriptor descriptor{
        .program_kind = 3,
        .code_base = uint32_t(reinterpret_cast<uintptr_t>(form_host_code_base)),
        .form_archive = g_archive.data(),
        .form_archive_size = uint32_t(g_archive.size()),
        .library_count = 3,
        .libraries = kSupportLibraries};
    controls::register_control_kinds();
    forms::install_form_engine();
    return run_program(descriptor, entry_routine);
}
