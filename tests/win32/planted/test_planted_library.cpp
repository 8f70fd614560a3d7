// Declared functions of system libraries are bound to the system's files even
// when a library of the same name lies beside the program: mpr.dll here, which
// the system list reaches and which is no known library of the system.
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "runtime/dll_binding.h"
#include "runtime/win32/dll_call_win32.h"

using namespace vantor;

namespace {

std::string lower(std::string s) {
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string module_path(void* module) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(static_cast<HMODULE>(module), path, MAX_PATH);
    return path;
}

bool planted_loaded() {
    return GetEnvironmentVariableA("VANTOR_PLANTED_LOADED", nullptr, 0) != 0;
}

TEST(PlantedLibrary, BesideTheProgramIsNeverLoaded) {
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    const std::string dir = std::string(exe).substr(0, std::string(exe).find_last_of('\\'));
    const std::string planted = dir + "\\mpr.dll";
    ASSERT_NE(GetFileAttributesA(planted.c_str()), INVALID_FILE_ATTRIBUTES) << planted;
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);

    const char* libraries[] = {"mpr", "", "kernel32", "user32"};
    const char* functions[] = {"WNetGetConnectionA", "WNetGetConnectionA", "CloseHandle",
                               "FindWindowExA"};
    DllTables tables{};
    create_dll_tables(tables, 4, libraries, functions);
    for (uint32_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(std::string(libraries[i]) + " " + functions[i]);
        ASSERT_NE(resolve_dll_function(tables, i, win32_dll_loader(), dir.c_str()), nullptr);
        EXPECT_EQ(lower(module_path(tables.modules[i])).rfind(lower(system) + "\\", 0), 0u)
            << "bound to " << module_path(tables.modules[i]);
    }
    EXPECT_FALSE(planted_loaded()) << "the library beside the program was loaded";
    release_dll_tables(tables, win32_dll_loader());

    // The mark does show a load: the planted library, asked for by its path.
    HMODULE module = LoadLibraryA(planted.c_str());
    EXPECT_TRUE(module && planted_loaded()) << "the test cannot see a load of " << planted;
    if (module)
        FreeLibrary(module);
}

} // namespace
