#include "runtime/win32/libraries.h"
#include "runtime/protocol.h"

#include <windows.h>

#include <string>
#include <vector>

#include "runtime/win32/dll_call_win32.h"

namespace vantor {

namespace {

RequestEntry g_request[3] = {nullptr, nullptr, nullptr};

int32_t notify(Library lib, int32_t code, uint32_t first) {
    uint32_t i = uint32_t(lib);
    switch (code) {
    case notify::Start:
        g_request[i] = reinterpret_cast<RequestEntry>(uintptr_t(first));
        return 0;
    case notify::End:
        g_request[i] = nullptr;
        return 0;
    default:
        return -1;
    }
}

int32_t notify_baselib(int32_t code, uint32_t first, uint32_t) {
    return notify(Library::Base, code, first);
}
int32_t notify_uilib(int32_t code, uint32_t first, uint32_t) {
    return notify(Library::Ui, code, first);
}
int32_t notify_speclib(int32_t code, uint32_t first, uint32_t) {
    return notify(Library::Special, code, first);
}

LibraryRecord make_record(const char* identifier, const char* name, NotifyEntry entry,
                          uint32_t type_count) {
    LibraryRecord r{};
    r.signature = kLibrarySignature;
    r.identifier = identifier;
    const uint32_t versions[7] = {5, 3, 64, 3, 7, 3, 7};
    for (int i = 0; i < 7; ++i)
        r.versions[i] = versions[i];
    r.display_name = name;
    r.data_type_count = type_count;
    r.notify = entry;
    return r;
}

LibraryRecord g_baselib =
    make_record("D09F2340818511D396F6AAF844C7E325", "Baselib", notify_baselib, 0);
LibraryRecord g_uilib = make_record("4BB4003860154917BC7D8230BF4FA58A", "Uilib", notify_uilib, 0);
LibraryRecord g_speclib =
    make_record("A512548E76954B6E92C21055517615B0", "Speclib", notify_speclib, 0);

} // namespace

const LibraryRecord* const kSupportLibraries[3] = {&g_baselib, &g_uilib, &g_speclib};

uint32_t library_request(Library lib, int32_t code, uint32_t first, uint32_t second) {
    RequestEntry entry = g_request[uint32_t(lib)];
    return entry ? entry(code, first, second) : 0;
}

void set_library_data_types(Library lib, const void* table, uint32_t count) {
    LibraryRecord* r = lib == Library::Base ? &g_baselib
                       : lib == Library::Ui ? &g_uilib
                                            : &g_speclib;
    r->data_types = table;
    r->data_type_count = count;
}

namespace {

struct OnDemandLibrary {
    std::string name;
    void* module;
    BeforeRelease before_release;
};

std::vector<OnDemandLibrary>& on_demand_list() {
    static std::vector<OnDemandLibrary> list;
    return list;
}

} // namespace

void* on_demand_library(const char* name, BeforeRelease before_release) {
    auto& list = on_demand_list();
    for (const OnDemandLibrary& lib : list) {
        if (lib.name == name)
            return lib.module;
    }
    void* module = system_library_load(win32_dll_loader(), name);
    if (module)
        list.push_back({name, module, before_release});
    return module;
}

void release_on_demand_libraries() {
    std::vector<OnDemandLibrary> list;
    list.swap(on_demand_list());
    for (const OnDemandLibrary& lib : list) {
        if (lib.before_release)
            lib.before_release(lib.module);
        FreeLibrary(static_cast<HMODULE>(lib.module));
    }
}

} // namespace vantor
