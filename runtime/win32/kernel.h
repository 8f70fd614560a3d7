// The one runtime object: all runtime state of the process, and the entry points
// of start-up, the message loop and the end of the program.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/descriptor.h"
#include "runtime/dll_binding.h"
#include "runtime/window_table.h"

namespace vantor {

class WindowObject;

using ExitRoutine = void (*)();
using IdleRoutine = void (*)(uint32_t argument);

inline constexpr UINT kMsgEndProgram = 0x83E7; // to the hidden owner: end with code wParam

// What the form engine lends the kernel. Defaults keep a kernel without forms
// working, except that without `read_archive` a program's form archive cannot
// be read (a runtime error, as a damaged archive).
struct FormEngineHooks {
    // Reads a form archive into `table` and relocates its handler offsets by
    // `code_base`; false when the archive is damaged (`table` untouched then).
    bool (*read_archive)(const uint8_t* data, uint32_t size, uint32_t code_base,
                         WindowTable& table) = nullptr;
    // The unit id of window `id`'s own unit; 0 when there is none.
    uint32_t (*own_unit_id)(uint32_t window_id) = nullptr;
    // Idle turn of window `index` with the milliseconds since idle began; non-zero
    // asks for more idle turns.
    int32_t (*window_idle_turn)(uint32_t index, uint32_t elapsed_ms) = nullptr;
    // Requests the form engine serves (window loading, units, events); sets
    // *handled when it knows the code.
    uint32_t (*request)(int32_t code, uint32_t first, uint32_t second, bool* handled) = nullptr;
    // Loads window `id` without owner, not modal (load start-up window entry).
    bool (*load_window)(uint32_t id) = nullptr;
    // Property access through the interface table.
    uint64_t (*read_property)(uint32_t window, uint32_t unit, int32_t index,
                              int32_t member) = nullptr;
    void (*write_property)(uint32_t window, uint32_t unit, int32_t index, int32_t member,
                           uint32_t low, uint32_t high) = nullptr;
};

// A routine the application asked to run at each idle turn while its window exists.
struct IdleEntry {
    HWND window; // at most one entry per window
    IdleRoutine routine;
    uint32_t argument;
};

} // namespace vantor

namespace vantor::forms::detail {
struct FormEngineKernel; // the form engine's access (forms/win32/engine_internal.h)
}
namespace vantor::testing {
struct KernelTestAccess; // tests' access (tests/support/kernel_access.h)
}

namespace vantor {

// The one runtime object. Its state is the runtime's own (runtime/win32, through
// runtime/win32/kernel_state.h); the form engine and tests reach what they need
// through their friends; everyone may read it through the accessors.
class RuntimeKernel {
  public:
    uint32_t id_counter() const { return state_.id_counter; }
    const std::string& program_dir() const { return state_.program_dir; }
    const std::string& program_file() const { return state_.program_file; }
    const std::string& program_dir_slash() const { return state_.program_dir_slash; }
    const WindowTable& windows() const { return state_.windows; }
    const std::vector<const LibraryRecord*>& libraries() const { return state_.libraries; }
    size_t idle_entry_count() const { return state_.idle_entries.size(); }
    DWORD main_thread_id() const { return state_.main_thread_id; }
    HMODULE ole_library() const { return state_.ole_library; }
    bool events_blocked() const { return state_.event_lock > 0; }
    uint32_t current_event_window() const { return state_.current_event_window; }
    uint32_t current_event_unit() const { return state_.current_event_unit; }
    const FormEngineHooks& forms() const { return state_.forms; }

  private:
    friend struct KernelRuntime;
    friend struct forms::detail::FormEngineKernel;
    friend struct testing::KernelTestAccess;

    struct State {
        HANDLE heap = nullptr;
        const ProgramDescriptor* descriptor = nullptr;
        uint32_t program_kind = 0;
        uint32_t id_counter = 0;
        std::string program_dir;       // without trailing backslash
        std::string program_file;      // after the last backslash
        std::string program_dir_slash; // with trailing backslash (initialise-instance)
        WindowTable windows;
        std::vector<const LibraryRecord*> libraries;
        std::vector<uint32_t> library_slots;
        std::vector<ExitRoutine> exit_routines; // registration order, no duplicates
        std::vector<IdleEntry> idle_entries;    // registration order
        DWORD main_thread_id = 0;
        WindowObject* hidden_owner = nullptr;
        HWND hidden_owner_hwnd = nullptr;
        HWND main_window = nullptr; // where pre-translation stops
        bool ole_initialised = false;
        HMODULE ole_library = nullptr; // ole32, from OLE initialisation to its end
        volatile LONG end_in_progress = 0;
        bool start_routine_finished = false;
        uint32_t current_modal_window = 0;
        volatile LONG event_lock = 0; // events dropped while > 0
        uint32_t current_event_window = 0;
        uint32_t current_event_unit = 0;
        int exit_code = 0; // of the last WM_QUIT
        FormEngineHooks forms;
        DllTables dll{}; // declared-function tables

        // Idle step state.
        DWORD idle_start = 0;
        std::vector<uint32_t> idle_finished; // window indexes done for this idle period
        bool general_idle_pending = false;
        UINT last_mouse_message = 0;
        LPARAM last_mouse_position = 0;
    };
    State state_;
};

RuntimeKernel& kernel();

// ---- what the control kinds ask of the kernel -----------------------------------
// The program kind recorded at start-up; 0 before it.
uint32_t program_kind();
// The hidden owner window (class _QZ_HideOwner); null before start-up.
HWND hidden_owner_window();
// The id of the window loaded modally now; 0 for none.
uint32_t current_modal_window();
// True once the form engine serves the kernel's requests (install_form_engine).
bool form_engine_installed();

// ---- start-up and the application's entry ------------------------------------
using EntryRoutine = int (*)();
// The process's life: initialise-instance (program directory), the entry
// routine, then the exit-instance end sequence. Returns the process exit code.
int run_program(const ProgramDescriptor& descriptor, EntryRoutine entry);
void runtime_startup();                          // service 6
void register_exit_routine(ExitRoutine routine); // service 3
void run_until_last_window_closed();             // interface slot 10
void load_startup_window(uint32_t window_id);    // interface slot 11
[[noreturn]] void end_program(int32_t code);     // interface slot 9, request EndProgram

// Splits a module path at its last backslash. It works on the system's wide
// path: in GBK a trail byte may be 0x5C, the backslash.
void split_program_path(const wchar_t* path, std::wstring& dir, std::wstring& file);

// ---- message loop ----------------------------------------------------------------
// Mode 0 runs until WM_QUIT (returns its code); mode 1 is a modal window's nested
// loop and returns once the current modal window is 0 or WM_QUIT is waiting.
int run_message_loop(int mode);
// Retrieves and dispatches waiting messages, leaving WM_QUIT in the queue.
void process_pending_messages();
// True when a window of the window table is open.
bool any_window_open();
// Called by the form engine when a window of the table has been destroyed.
void on_table_window_destroyed();

// ---- requests and events ----------------------------------------------------------
uint32_t runtime_request(int32_t code, uint32_t first, uint32_t second);

// ---- the end ------------------------------------------------------------------------
// Runs the end sequence once on the main thread (marshalled from other threads).
void end_sequence(int32_t code);
// The error reporter: box, exit routines dropped, end with -1.
[[noreturn]] void report_runtime_error(const char* message, int32_t code);
// Where the error reporter's text goes instead of the box: a hook that takes
// it (a program run by a script writes it as a line) and returns true when it
// did. Null: the box.
using ErrorTextHook = bool (*)(const std::string& text);
void set_error_text_hook(ErrorTextHook hook);
[[noreturn]] void raise_numbered_error(int32_t number);

} // namespace vantor
