#include "app/win32/taskbar_progress.h"

#include <windows.h>
// After windows.h, whose types they use.
#include <objbase.h>
#include <shobjidl.h>

#include "app/launch_sequence.h"
#include "app/win32/main_window.h"
#include "runtime/win32/interface.h"

namespace vantor::app {

namespace {

ITaskbarList3* g_taskbar = nullptr;
bool g_asked = false; // the taskbar object was asked for (once)

void release_taskbar() {
    if (g_taskbar)
        g_taskbar->Release();
    g_taskbar = nullptr;
}

// The taskbar object, made on first use (OLE is initialised by the runtime);
// null where the system has none.
ITaskbarList3* taskbar() {
    if (g_asked)
        return g_taskbar;
    g_asked = true;
    // ole32 is the runtime's, loaded for its OLE initialisation: not imported
    // here, so that it stays out of the program's start-up.
    using CreateFn = HRESULT(WINAPI*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, void**);
    HMODULE ole = GetModuleHandleW(L"ole32.dll");
    auto create = ole ? reinterpret_cast<CreateFn>(
                            reinterpret_cast<void*>(GetProcAddress(ole, "CoCreateInstance")))
                      : nullptr;
    void* object = nullptr;
    if (!create ||
        FAILED(
            create(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3, &object)) ||
        !object)
        return nullptr;
    g_taskbar = static_cast<ITaskbarList3*>(object);
    if (FAILED(g_taskbar->HrInit())) {
        release_taskbar();
        return nullptr;
    }
    // Released before the runtime ends OLE.
    app_interface().call_service(service::RegisterExitRoutine,
                                 uint32_t(reinterpret_cast<uintptr_t>(&release_taskbar)), 0, 0, 0);
    return g_taskbar;
}

void show_progress(uint32_t done, uint32_t total) {
    HWND window = main_window_handle();
    if (!window)
        return;
    if (ITaskbarList3* bar = taskbar()) {
        if (total == 0) {
            bar->SetProgressState(window, TBPF_NOPROGRESS);
        } else {
            bar->SetProgressValue(window, done, total);
        }
    }
}

} // namespace

void install_taskbar_progress() {
    set_progress_hook(show_progress);
}

} // namespace vantor::app
