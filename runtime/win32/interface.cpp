#include "runtime/win32/interface.h"

#include <windows.h>

#include "runtime/allocator.h"
#include "runtime/fatal.h"
#include "runtime/protocol.h"
#include "runtime/win32/dll_call_win32.h"
#include "runtime/win32/kernel_state.h"
#include "runtime/win32/system_text.h"

namespace vantor {

namespace {

const InterfaceTable* g_app_interface = &kRuntimeInterface;

// ---- service 0/1: find file ------------------------------------------------------

bool accept_entry(const WIN32_FIND_DATAW& entry, int32_t mask) {
    if (mask == 0)
        return entry.dwFileAttributes == 0;
    if (mask == -1)
        return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    return (entry.dwFileAttributes & uint32_t(mask)) != 0;
}

uint32_t find_file(const char* pattern, int32_t attribute_mask, int32_t files_only,
                   HANDLE* handle_var) {
    if (!handle_var) // no place to keep a search: nothing is found
        return 0;
    int32_t mask = files_only ? -1 : (attribute_mask & 0x37);
    WIN32_FIND_DATAW entry;
    bool found;
    if (pattern && *pattern) {
        if (*handle_var)
            FindClose(*handle_var);
        *handle_var = FindFirstFileW(system_text::to_wide(pattern).c_str(), &entry);
        if (*handle_var == INVALID_HANDLE_VALUE)
            *handle_var = nullptr;
        found = *handle_var != nullptr;
    } else {
        found = *handle_var && FindNextFileW(*handle_var, &entry);
    }
    while (found && !accept_entry(entry, mask))
        found = FindNextFileW(*handle_var, &entry);
    if (!found) {
        if (*handle_var)
            FindClose(*handle_var);
        *handle_var = nullptr;
        return 0;
    }
    return uint32_t(
        reinterpret_cast<uintptr_t>(copy_text(system_text::from_wide(entry.cFileName).c_str())));
}

uint32_t call_service(uint32_t number, uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    switch (number) {
    case service::FindFile:
        return find_file(reinterpret_cast<const char*>(uintptr_t(a)), int32_t(b), int32_t(c),
                         reinterpret_cast<HANDLE*>(uintptr_t(d)));
    case service::EndFindFile:
        if (a)
            FindClose(reinterpret_cast<HANDLE>(uintptr_t(a)));
        return 0;
    case service::MakeArrayWritable:
        make_array_writable(a, reinterpret_cast<void**>(uintptr_t(b)));
        return 0;
    case service::RegisterExitRoutine:
        register_exit_routine(reinterpret_cast<ExitRoutine>(uintptr_t(a)));
        return 0;
    case service::RuntimeStartup:
        runtime_startup();
        return 0;
    default: // 4 and 5 serve object types this program does not have
        return 0;
    }
}

uint64_t read_property_slot(uint32_t window, uint32_t unit, int32_t index, int32_t member) {
    auto read = KernelRuntime::state().forms.read_property;
    return read ? read(window, unit, index, member) : 0;
}

void write_property_slot(uint32_t window, uint32_t unit, int32_t index, int32_t member,
                         uint32_t low, uint32_t high) {
    auto write = KernelRuntime::state().forms.write_property;
    if (write)
        write(window, unit, index, member, low, high);
}

void end_program_slot(int32_t code) {
    end_program(code);
}

// ---- idle routine requests --------------------------------------------------------

struct IdleRecord {
    HWND window;
    IdleRoutine routine;
    uint32_t argument;
};

uint32_t add_idle_routine(const IdleRecord* record) {
    auto& entries = KernelRuntime::state().idle_entries;
    if (!record || !IsWindow(record->window) || !record->routine)
        return 0;
    for (const IdleEntry& e : entries) {
        if (e.window == record->window)
            return 0;
    }
    entries.push_back({record->window, record->routine, record->argument});
    return 0;
}

uint32_t remove_idle_routine(HWND window) {
    auto& entries = KernelRuntime::state().idle_entries;
    std::erase_if(entries, [window](const IdleEntry& e) { return e.window == window; });
    return 0;
}

} // namespace

const InterfaceTable kRuntimeInterface = {
    raise_numbered_error,
    call_declared,
    call_command,
    call_command,
    read_property_slot,
    write_property_slot,
    mem_alloc,
    mem_resize,
    mem_free,
    end_program_slot,
    run_until_last_window_closed,
    load_startup_window,
    call_service,
};

const InterfaceTable& app_interface() {
    return *g_app_interface;
}
void set_app_interface(const InterfaceTable* table) {
    g_app_interface = table ? table : &kRuntimeInterface;
}

uint32_t runtime_request(int32_t code, uint32_t first, uint32_t second) {
    auto& k = KernelRuntime::state();
    if (code == request::UnitDestroyed && k.current_modal_window == first) {
        // The modal window itself destroyed: its nested loop ends.
        const uint32_t own = k.forms.own_unit_id ? k.forms.own_unit_id(first) : 0;
        if (second == 0 || (own != 0 && own == second))
            k.current_modal_window = 0;
    }
    switch (code) {
    case request::AddIdleRoutine:
        return add_idle_routine(pointer_of<const IdleRecord>(first));
    case request::RemoveIdleRoutine:
        return remove_idle_routine(pointer_of<HWND__>(first));
    case request::ValueToInt: // no value at all is not numeric either
        if (!first)
            raise_runtime_error(msg::kNotNumeric, 0);
        return uint32_t(value_to_int(*pointer_of<const TypedValue>(first)));
    case request::ProgramDirectory:
        return word_of(k.program_dir.c_str());
    case request::ProgramFile:
        return word_of(k.program_file.c_str());
    case request::BlockEvents:
        process_pending_messages();
        InterlockedIncrement(&k.event_lock);
        return 0;
    case request::UnblockEvents:
        process_pending_messages();
        if (k.event_lock > 0)
            InterlockedDecrement(&k.event_lock);
        return 0;
    case request::ProcessMessages:
        process_pending_messages();
        return 0;
    case request::FreeArray:
        free_array(first, pointer_of<void>(second));
        return 0;
    case request::Allocate:
        return word_of(second ? mem_alloc_unchecked(first) : mem_alloc(first));
    case request::Free:
        mem_free(pointer_of<void>(first));
        return 0;
    case request::Resize:
        return word_of(mem_resize(pointer_of<void>(first), second));
    case request::RaiseError:
        report_runtime_error(pointer_of<const char>(first), 0);
    case request::EndProgram:
        end_program(int32_t(first));
    case request::ProgramKind:
        return k.program_kind;
    case request::WindowCount:
        return uint32_t(k.windows.ids.size());
    default:
        break;
    }
    if (k.forms.request) {
        bool handled = false;
        uint32_t result = k.forms.request(code, first, second, &handled);
        if (handled)
            return result;
    }
    return 0;
}

} // namespace vantor
