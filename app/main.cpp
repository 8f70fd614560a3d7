// Vantor's process entry. The runtime's start-up, message loop and the
// launcher's routines build on this; for now the entry routine checks that the
// stored form archive reads and ends with exit code 0.
#include <windows.h>

#include "app/form_archive.h"
#include "forms/archive.h"

namespace {

int entry_routine() {
    vantor::forms::WindowTable table;
    std::string error;
    if (!vantor::forms::read_window_table(vantor_form_archive, form_archive_size(), table, &error)) {
        MessageBoxA(nullptr, "载入窗口模板数据段出错!", "错误", MB_OK | MB_ICONERROR);
        return -1;
    }
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return entry_routine(); }
