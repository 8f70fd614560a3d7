#include "runtime/win32/dll_call_win32.h"

#include <windows.h>

#include <cassert>
#include <string>

#include "runtime/win32/system_text.h"

namespace vantor {

namespace {

constexpr DWORD kLoadLibrarySearchSystem32 = 0x00000800; // LOAD_LIBRARY_SEARCH_SYSTEM32

class Win32DllLoader final : public DllLoader {
  public:
    void* load(const char* path) override {
        return LoadLibraryW(system_text::to_wide(path).c_str());
    }
    void* get_proc(void* module, const char* name) override {
        return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
    }
    void* get_proc_ordinal(void* module, uint16_t ordinal) override {
        // MAKEINTRESOURCE(0) is a null name, which GetProcAddress does not accept.
        if (ordinal == 0)
            return nullptr;
        return reinterpret_cast<void*>(
            GetProcAddress(static_cast<HMODULE>(module), MAKEINTRESOURCEA(ordinal)));
    }
    void release(void* module) override { FreeLibrary(static_cast<HMODULE>(module)); }
    const char* system_directory() override {
        static const std::string directory = [] {
            wchar_t wide[MAX_PATH] = {};
            const UINT n = GetSystemDirectoryW(wide, MAX_PATH);
            return n > 0 && n < MAX_PATH ? system_text::from_wide(wide) : std::string();
        }();
        return directory.empty() ? nullptr : directory.c_str();
    }
    bool file_exists(const char* path) override {
        const DWORD attributes = GetFileAttributesW(system_text::to_wide(path).c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
    bool can_load_from_system() override {
        // The search flags came with AddDllDirectory (Windows 8, and Windows 7
        // with KB2533623); its presence is the documented test for them.
        static const bool available =
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "AddDllDirectory") != nullptr;
        return available;
    }
    void* load_from_system(const char* name) override {
        return LoadLibraryExW(system_text::to_wide(name).c_str(), nullptr,
                              kLoadLibrarySearchSystem32);
    }
};

Win32DllLoader g_win32_loader;

// With no tables attached the dispatch entry reads a count of 0 instead of
// following a null pointer, and every index is out of range.
DllTables g_no_tables{};
DllLoader* g_loader = &g_win32_loader;
const char* g_program_directory = nullptr;

} // namespace

DllLoader& win32_dll_loader() {
    return g_win32_loader;
}

} // namespace vantor

extern "C" {

// Read by the dispatch entry's fast path: count at offset 0, addresses at 16.
vantor::DllTables* vantor_dll_active_tables = &vantor::g_no_tables;

// Slow path of the dispatch entry (cdecl, called from assembly).
void* vantor_dll_resolve(uint32_t index) {
    assert(index < vantor_dll_active_tables->count && "declared function index out of range");
    return vantor::resolve_dll_function(*vantor_dll_active_tables, index, *vantor::g_loader,
                                        vantor::g_program_directory);
}

// Stack check failure of vantor_call_declared (called from assembly).
void vantor_dll_stack_error() {
    vantor::raise_stack_error();
}

} // extern "C"

namespace vantor {

void attach_dll_tables(DllTables* tables, const char* program_directory, DllLoader* loader) {
    vantor_dll_active_tables = tables ? tables : &g_no_tables;
    g_program_directory = program_directory;
    g_loader = loader ? loader : &g_win32_loader;
}

} // namespace vantor
