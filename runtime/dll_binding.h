// Declared operating-system functions: the four tables of the runtime and the
// order in which a declared function is looked up. Portable: the operating
// system is reached only through DllLoader, so the resolution order can be
// tested with a fake; the Win32 loader and the call path live in
// runtime/win32/dll_call_win32.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vantor {

// What the resolution needs from the operating system (LoadLibraryW,
// GetProcAddress, FreeLibrary, the system directory). Handles and addresses
// are opaque; null means "not found". The system-directory members default to
// "not known", which leaves every library to the system's own search.
class DllLoader {
  public:
    virtual ~DllLoader() = default;
    virtual void* load(const char* path) = 0;
    virtual void* get_proc(void* module, const char* name) = 0;
    virtual void* get_proc_ordinal(void* module, uint16_t ordinal) = 0;
    virtual void release(void* module) = 0;
    // The system directory, without trailing backslash; null or empty when not known.
    virtual const char* system_directory() { return nullptr; }
    // True when `path` names an existing file (not a directory).
    virtual bool file_exists(const char* /*path*/) { return false; }
    // Whether load_from_system can be used (LoadLibraryExW with
    // LOAD_LIBRARY_SEARCH_SYSTEM32 is available).
    virtual bool can_load_from_system() { return false; }
    // Loads `name` searching the system directory only.
    virtual void* load_from_system(const char* /*name*/) { return nullptr; }
};

// The declared-function tables, one entry per declaration (index = position in
// the declaration table). The names are the program image's own texts and are
// not owned. `modules[i]` holds the library that yielded `addresses[i]` and is
// released at shutdown; `addresses[i]` is the cache, non-null once found.
//
// The dispatch entry (i686 assembly) reads `count` and `addresses` through a
// pointer to this record: the offsets below are part of its contract.
struct DllTables {
    uint32_t count;
    const char* const* library_names; // copies of the declaration's pointers
    const char* const* function_names;
    void** modules;
    void** addresses;
};
static_assert(offsetof(DllTables, count) == 0);
static_assert(offsetof(DllTables, addresses) == 16);
static_assert(sizeof(DllTables) == 20);

// Creates the tables for `count` declarations (start-up): copies the name
// pointers and zero-fills the module and address tables. count 0 leaves every
// table null. `tables` must be empty (fresh or released).
void create_dll_tables(DllTables& tables, uint32_t count, const char* const* library_names,
                       const char* const* function_names);

// Shutdown: releases every non-null module handle once through `loader`, then
// discards the four tables (they are empty afterwards; a second call does
// nothing).
void release_dll_tables(DllTables& tables, DllLoader& loader);

// Returns the address of declared function `index` (< tables.count), looking it
// up on first use:
//  - cached address: returned, nothing is loaded;
//  - export name "#digits": the ordinal given by the number's low 16 bits;
//  - empty library name: the system libraries (kSystemLibraries) in order, each
//    from the system directory only (system_library_load); each one that
//    lacks the export is released at once;
//  - library name containing ':': loaded as it stands only;
//  - another name whose file lies in the system directory: loaded from there
//    only, so that a file of that name beside the program is never taken;
//  - any other name: first `program_directory` + '\' + name, then the name as
//    it stands (`program_directory` is without trailing backslash; null or
//    empty skips the first attempt);
//  - found: the library's handle is kept in `modules` until shutdown;
//  - not found: the library is released and the runtime error "export not
//    found" (code 0) is raised; does not return then.
void* resolve_dll_function(DllTables& tables, uint32_t index, DllLoader& loader,
                           const char* program_directory);

// Libraries searched, in this order, for a function declared without library.
inline constexpr const char* kSystemLibraries[] = {"Kernel32.dll", "Gdi32.dll", "User32.dll",
                                                   "Advapi32.dll", "Mpr.dll",   "Shell32.dll"};

// Loads system library `name` from the system directory only: through
// load_from_system where the loader can, else by the system directory joined
// with the name; by the name alone only when the system directory is not known.
void* system_library_load(DllLoader& loader, const char* name);

// The file a library name stands for: the loader adds ".dll" to a name whose
// last path component has no extension, and a trailing '.' means "no
// extension" (it is dropped).
std::string library_file_name(const char* name);

// Parses an export name of the form "#digits" into its ordinal (low 16 bits of
// the decimal number). False for any other name, which is looked up by name.
bool parse_ordinal_name(const char* name, uint16_t& ordinal);

// Raises runtime error 6: the stack position differs after a call of a
// declared function. Does not return.
[[noreturn]] void raise_stack_error();

namespace msg {
extern const char* const kDllExportNotFoundFormat;       // library and export names, two %s
extern const char* const kDllSystemExportNotFoundFormat; // export name, one %s
extern const char* const kDllStackError;
} // namespace msg

} // namespace vantor
