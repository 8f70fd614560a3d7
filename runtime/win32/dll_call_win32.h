// Calls of declared operating-system functions on Win32: the loader over
// LoadLibraryW / GetProcAddress / FreeLibrary, the dispatch entry (runtime
// interface slot 1) and the stack-checked call. The dispatch entry and the call
// are i686 assembly (dll_call_i686.S); the resolution order is dll_binding.h.
#pragma once

#include <cstdint>

#include "runtime/dll_binding.h"

namespace vantor {

// The operating system's loader. One instance serves the whole process.
DllLoader& win32_dll_loader();

// Function `name` of the loaded library `module` as an Fn; null when either is missing.
template <class Fn> Fn library_function(void* module, const char* name) {
    return module ? reinterpret_cast<Fn>(win32_dll_loader().get_proc(module, name)) : nullptr;
}

// Makes `tables` the ones the dispatch entry resolves through, with
// `program_directory` (without trailing backslash; kept by pointer, so it must
// outlive the attachment) and `loader` (null: the Win32 loader). Null `tables`
// detaches. Start-up attaches the kernel's tables; tests attach their own.
void attach_dll_tables(DllTables* tables, const char* program_directory,
                       DllLoader* loader = nullptr);

extern "C" {

// The dispatch entry. Expects, from the top of the stack: the caller's return
// address, the declaration index, the function's arguments (first argument
// lowest). Removes the index, resolves the function (cached after the first
// time) and jumps to it, so the function returns straight to the caller and
// removes its own arguments. eax, ecx and edx are not preserved (stdcall).
void vantor_dll_dispatch();

// The stack-checked call: notes the stack pointer, pushes args[argc-1] .. args[0],
// calls the dispatch entry for `index` and compares the stack pointer: on a
// difference the stack is restored and runtime error 6 is raised (does not
// return). Otherwise returns the function's 32-bit result (eax).
uint32_t vantor_call_declared(uint32_t index, uint32_t argc, const uint32_t* args);

} // extern "C"

inline uint32_t call_declared(uint32_t index, uint32_t argc, const uint32_t* args) {
    return vantor_call_declared(index, argc, args);
}

} // namespace vantor
