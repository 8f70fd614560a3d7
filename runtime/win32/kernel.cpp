#include "runtime/win32/kernel.h"

#include <ole2.h>

#include <algorithm>
#include <cfenv>
#include <cwchar>
#include <new>

#include "runtime/allocator.h"
#include "runtime/dll_binding.h"
#include "runtime/errors.h"
#include "runtime/fatal.h"
#include "runtime/protocol.h"
#include "runtime/win32/dll_call_win32.h"
#include "runtime/win32/kernel_state.h"
#include "runtime/win32/libraries.h"
#include "runtime/win32/system_text.h"
#include "runtime/win32/window_object.h"

namespace vantor {

RuntimeKernel& kernel() {
    static RuntimeKernel instance;
    return instance;
}

namespace {
auto& state() {
    return KernelRuntime::state();
}
} // namespace

uint32_t program_kind() {
    return state().program_kind;
}

HWND hidden_owner_window() {
    return state().hidden_owner_hwnd;
}

uint32_t current_modal_window() {
    return state().current_modal_window;
}

bool form_engine_installed() {
    return state().forms.request != nullptr;
}

namespace {

// ---- heap backend: the process heap ------------------------------------------
void* heap_allocate(uint32_t size) {
    return HeapAlloc(state().heap, 0, size ? size : 1);
}
void heap_release(void* block) {
    HeapFree(state().heap, 0, block);
}
void* heap_reallocate(void* block, uint32_t size) {
    return HeapReAlloc(state().heap, 0, block, size ? size : 1);
}
const HeapBackend kProcessHeap{heap_allocate, heap_release, heap_reallocate};

// ---- OLE ------------------------------------------------------------------------------
// ole32 is loaded from the system directory at OLE initialisation rather than
// imported: an import is looked for beside the program first, where a planted
// copy would be taken, and that search of the program's directory for ole32
// and each library it needs slows start-up.
void initialise_ole() {
    auto& k = state();
    k.ole_library = static_cast<HMODULE>(system_library_load(win32_dll_loader(), "ole32.dll"));
    if (auto initialise =
            library_function<decltype(&OleInitialize)>(k.ole_library, "OleInitialize"))
        initialise(nullptr);
    k.ole_initialised = true;
}

void uninitialise_ole() {
    auto& k = state();
    if (auto uninitialise =
            library_function<decltype(&OleUninitialize)>(k.ole_library, "OleUninitialize"))
        uninitialise();
    if (k.ole_library)
        FreeLibrary(k.ole_library);
    k.ole_library = nullptr;
    k.ole_initialised = false;
}

// ---- the hidden owner window -------------------------------------------------------
const char kHideOwnerClass[] = "_QZ_HideOwner";

class HiddenOwner final : public WindowObject {
  protected:
    LRESULT on_message(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == kMsgEndProgram)
            end_program(int32_t(wp));
        return WindowObject::on_message(msg, wp, lp);
    }
};

void create_hidden_owner() {
    auto& k = state();
    register_object_class(kHideOwnerClass, 0); // the hollow brush is the null brush
    HWND hwnd =
        CreateWindowExW(WS_EX_TOOLWINDOW, system_text::to_wide(kHideOwnerClass).c_str(), nullptr, 0,
                        0, 0, 0, 0, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!hwnd)
        return;
    auto* owner = new HiddenOwner;
    owner->attach(hwnd);
    k.hidden_owner = owner;
    k.hidden_owner_hwnd = hwnd;
}

void destroy_hidden_owner() {
    auto& k = state();
    if (k.hidden_owner_hwnd && IsWindow(k.hidden_owner_hwnd))
        DestroyWindow(k.hidden_owner_hwnd);
    delete k.hidden_owner;
    k.hidden_owner = nullptr;
    k.hidden_owner_hwnd = nullptr;
}

// Start-up tells the descriptor's libraries where the request entry is; the
// end tells the kernel's list, which start-up fills only once they have all
// started, so a start-up that fails earlier ends no library it never started.
void notify_libraries_of_start() {
    const ProgramDescriptor& d = *state().descriptor;
    for (uint32_t i = 0; i < d.library_count; ++i) {
        const LibraryRecord* lib = d.libraries ? d.libraries[i] : nullptr;
        if (lib && lib->notify)
            lib->notify(notify::Start, uint32_t(reinterpret_cast<uintptr_t>(&runtime_request)), 0);
    }
}

void notify_libraries_of_end() {
    auto& k = state();
    for (size_t i = 0; i < k.libraries.size(); ++i) {
        const LibraryRecord* lib = k.libraries[i];
        if (lib && lib->notify)
            lib->notify(notify::End, i < k.library_slots.size() ? k.library_slots[i] : 0, 0);
    }
}

void read_form_archive() {
    auto& k = state();
    const ProgramDescriptor& d = *k.descriptor;
    if (d.form_archive_size == 0)
        return;
    bool read = false;
    try {
        // Memory that runs out while the archive is read ends the read like any
        // other failure of it: a C++ allocation throws meanwhile. The table's
        // room is taken before anything is appended, so a failure appends nothing.
        AllocationFailureThrows throws;
        WindowTable table;
        read = k.forms.read_archive &&
               k.forms.read_archive(d.form_archive, d.form_archive_size, d.code_base, table);
        if (read) {
            k.windows.ids.reserve(k.windows.ids.size() + table.ids.size());
            k.windows.windows.reserve(k.windows.windows.size() + table.ids.size());
            for (uint32_t i = 0; i < table.ids.size(); ++i) {
                k.windows.ids.push_back(table.ids[i]);
                k.windows.windows.push_back(std::move(table.windows[i]));
            }
        }
    } catch (const std::bad_alloc&) {
        read = false;
    }
    if (!read)
        raise_runtime_error(msg::kArchiveLoadFailed, 0);
}

// Idle step of the loop: general idle work first, then the windows' idle turns.
bool idle_step(int32_t counter) {
    auto& k = state();
    if (counter == 0) {
        k.idle_start = GetTickCount();
        k.idle_finished.clear();
        k.general_idle_pending = true;
    }
    if (k.general_idle_pending) {
        // The window system keeps no idle work of its own here: one pass ends it.
        k.general_idle_pending = false;
        return true;
    }
    if (counter == 1)
        return true;
    if (!k.forms.window_idle_turn)
        return false;
    bool more = false;
    DWORD elapsed = GetTickCount() - k.idle_start;
    for (uint32_t i = 0; i < k.windows.ids.size(); ++i) {
        if (std::find(k.idle_finished.begin(), k.idle_finished.end(), i) != k.idle_finished.end())
            continue;
        if (k.forms.window_idle_turn(i, elapsed) == 0) {
            k.idle_finished.push_back(i);
        } else {
            more = true;
        }
    }
    return more;
}

// Walks the entries the list holds when the walk begins, last first, each once:
// a routine may add or remove entries, so each is looked up by its window (a
// window has at most one entry); one removed meanwhile is skipped.
void run_idle_routines() {
    auto& entries = state().idle_entries;
    if (entries.empty())
        return;
    std::vector<HWND> walk;
    for (const IdleEntry& e : entries)
        walk.push_back(e.window);
    for (size_t w = walk.size(); w-- > 0;) {
        auto at = std::find_if(entries.begin(), entries.end(),
                               [&](const IdleEntry& e) { return e.window == walk[w]; });
        if (at == entries.end())
            continue;
        const IdleEntry entry = *at; // the routine may change the list
        if (IsWindow(entry.window))
            entry.routine(entry.argument);
        else
            entries.erase(at);
    }
}

// The system's private timer message (caret blinking), in no public header.
constexpr UINT kSystemTimerMessage = 0x118;

// Idle processing is due after every message except paint, the system timer
// and a mouse move that repeats the previous one.
bool idle_due_after(const MSG& msg) {
    auto& k = state();
    if (msg.message == WM_PAINT || msg.message == kSystemTimerMessage)
        return false;
    if (msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE) {
        bool same = msg.message == k.last_mouse_message && msg.lParam == k.last_mouse_position;
        k.last_mouse_message = msg.message;
        k.last_mouse_position = msg.lParam;
        return !same;
    }
    return true;
}

bool pre_translate(MSG& msg) {
    auto& k = state();
    if (!msg.hwnd)
        return CallMsgFilterW(&msg, MSGF_USER + 1) != FALSE;
    DWORD thread = GetCurrentThreadId();
    for (HWND h = msg.hwnd; h; h = GetParent(h)) {
        WindowObject* object = WindowObject::from_handle(h);
        if (!object && GetWindowThreadProcessId(h, nullptr) == thread) {
            object = reinterpret_cast<WindowObject*>(SendMessageW(h, kMsgQueryObject, 0, 0));
        }
        if (object && object->pre_translate(msg))
            return true;
        if (h == k.main_window)
            break;
    }
    return false;
}

// Retrieves and dispatches one message; false when it was WM_QUIT.
bool pump_one(MSG& msg) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
        state().exit_code = int(msg.wParam);
        return false;
    }
    if (got == -1)
        return true;
    if (!pre_translate(msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

void fatal_to_reporter(const char* message, int32_t code) {
    report_runtime_error(message, code);
}

ErrorTextHook g_error_text_hook = nullptr;
bool g_reporting = false;

} // namespace

// ---- start-up -------------------------------------------------------------------------

void split_program_path(const wchar_t* path, std::wstring& dir, std::wstring& file) {
    const wchar_t* last = std::wcsrchr(path, L'\\');
    if (!last) {
        dir.clear();
        file = path;
        return;
    }
    dir.assign(path, size_t(last - path));
    file = last + 1;
}

namespace {
// The program's own path as the system has it (a path longer than MAX_PATH is
// cut there, as the system cuts it).
std::wstring module_path() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}
} // namespace

void runtime_startup() {
    auto& k = state();
    const ProgramDescriptor& d = *k.descriptor;
    k.heap = GetProcessHeap();
    set_heap_backend(&kProcessHeap);
    set_fatal_hook(fatal_to_reporter);
    k.program_kind = d.program_kind;
    k.id_counter = d.id_counter_base + 1;
    if (!k.ole_initialised)
        initialise_ole();
    std::wstring dir, file;
    split_program_path(module_path().c_str(), dir, file);
    k.program_dir = system_text::from_wide(dir);
    k.program_file = system_text::from_wide(file);
    // The wide directory itself: its GBK form loses what GBK cannot hold.
    SetCurrentDirectoryW(dir.c_str());
    create_hidden_owner();
    k.main_thread_id = GetCurrentThreadId();
    if (d.constants_size > 0)
        set_constant_area(d.constants, d.constants_size);
    if (d.dll_command_count > 0) {
        create_dll_tables(k.dll, d.dll_command_count, d.dll_library_names, d.dll_function_names);
        attach_dll_tables(&k.dll, k.program_dir.c_str());
    }
    notify_libraries_of_start();
    if (d.libraries)
        k.libraries.assign(d.libraries, d.libraries + d.library_count);
    k.library_slots.assign(d.library_count, 0);
    read_form_archive();
}

int run_program(const ProgramDescriptor& descriptor, EntryRoutine entry) {
    auto& k = state();
    // From the first step on, a runtime error (an allocation that fails) is
    // reported, not the default's abort.
    set_fatal_hook(fatal_to_reporter);
    k.descriptor = &descriptor;
    const std::wstring path = module_path();
    std::wstring dir, file;
    split_program_path(path.c_str(), dir, file);
    k.program_dir_slash = system_text::from_wide(dir.empty() ? path : dir + L"\\");
    entry();
    end_sequence(0);
    return k.exit_code;
}

// A null address registers nothing: the end sequence would call it.
void register_exit_routine(ExitRoutine routine) {
    auto& list = state().exit_routines;
    if (routine && std::find(list.begin(), list.end(), routine) == list.end())
        list.push_back(routine);
}

void run_until_last_window_closed() {
    auto& k = state();
    k.start_routine_finished = true;
    if (any_window_open())
        run_message_loop(0);
}

void load_startup_window(uint32_t window_id) {
    auto& k = state();
    const auto& ids = k.windows.ids;
    if (std::find(ids.begin(), ids.end(), window_id) == ids.end() || !k.forms.load_window ||
        !k.forms.load_window(window_id)) {
        raise_runtime_error(msg::kStartupWindowFailed, 0);
    }
}

// ---- message loop ----------------------------------------------------------------------

int run_message_loop(int mode) {
    auto& k = state();
    bool idle = true;
    int32_t counter = 0;
    MSG msg{};
    for (;;) {
        while (idle && !PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            run_idle_routines();
            if (!idle_step(counter++))
                idle = false;
            if (mode == 1 && k.current_modal_window == 0)
                return k.exit_code;
        }
        do {
            if (mode == 1 && PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE) &&
                msg.message == WM_QUIT)
                return k.exit_code;
            if (!pump_one(msg))
                return k.exit_code;
            if (mode == 1 && k.current_modal_window == 0)
                return k.exit_code;
            if (idle_due_after(msg)) {
                idle = true;
                counter = 0;
            }
        } while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
    }
}

void process_pending_messages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message != WM_QUIT) {
        if (!pump_one(msg))
            break;
    }
}

bool any_window_open() {
    for (const auto& w : state().windows.windows) {
        auto* object = static_cast<WindowObject*>(w.object);
        if (object && object->alive())
            return true;
    }
    return false;
}

void on_table_window_destroyed() {
    auto& k = state();
    if (!any_window_open() && k.start_routine_finished)
        PostQuitMessage(0);
}

// ---- the end --------------------------------------------------------------------------

void end_sequence(int32_t code) {
    auto& k = state();
    InterlockedIncrement(&k.event_lock);
    if (k.main_thread_id && GetCurrentThreadId() != k.main_thread_id) {
        if (k.hidden_owner_hwnd) {
            SendMessageW(k.hidden_owner_hwnd, kMsgEndProgram, WPARAM(code), 0);
        }
        if (!k.end_in_progress)
            ExitProcess(UINT(code));
        return;
    }
    if (InterlockedExchange(&k.end_in_progress, 1) != 0)
        return;
    k.idle_entries.clear();
    k.windows.ids.clear();
    k.windows.windows.clear();
    std::vector<ExitRoutine> routines;
    routines.swap(k.exit_routines);
    for (ExitRoutine r : routines)
        r();
    notify_libraries_of_end();
    k.libraries.clear();
    k.library_slots.clear();
    release_dll_tables(k.dll, win32_dll_loader());
    attach_dll_tables(nullptr, nullptr);
    release_on_demand_libraries();
    set_constant_area(nullptr, 0);
    destroy_hidden_owner();
    if (k.ole_initialised)
        uninitialise_ole();
}

void end_program(int32_t code) {
    end_sequence(code);
    ExitProcess(UINT(code));
}

void set_error_text_hook(ErrorTextHook hook) {
    g_error_text_hook = hook;
}

void report_runtime_error(const char* message, int32_t code) {
    auto& k = state();
    InterlockedIncrement(&k.event_lock);
    // An error while the report itself is made (the memory ran out for its
    // text) ends the process at once, with the same code.
    if (g_reporting)
        ExitProcess(UINT(-1));
    g_reporting = true;
    std::string text = compose_error_text(message, code);
    if (!g_error_text_hook || !g_error_text_hook(text)) {
        MessageBoxW(nullptr, system_text::to_wide(text).c_str(),
                    system_text::to_wide(kErrorCaption).c_str(), MB_OK | MB_ICONERROR);
    }
    k.exit_routines.clear();
    end_program(-1);
}

void raise_numbered_error(int32_t number) {
    report_runtime_error(numbered_error_message(number), number);
}

} // namespace vantor
