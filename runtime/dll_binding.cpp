#include "runtime/dll_binding.h"

#include <cassert>
#include <cstring>
#include <initializer_list>
#include <string>

#include "runtime/allocator.h"
#include "runtime/fatal.h"

namespace vantor {

namespace msg {
const char* const kDllExportNotFoundFormat = "无法找到指定DLL库文件“%s”中的输出命令“%s”";
const char* const kDllSystemExportNotFoundFormat = "无法找到指定DLL库文件中的输出命令“%s”";
const char* const kDllStackError = "调用DLL命令后发现堆栈错误";
} // namespace msg

namespace {

template <typename T> T* new_table(uint32_t count) {
    auto* table = static_cast<T*>(mem_alloc_elements(count, sizeof(T)));
    std::memset(table, 0, count * sizeof(T));
    return table;
}

const char* or_empty(const char* text) {
    return text ? text : "";
}

// Fills each "%s" of `format` with the next of `args`; names may be longer than
// any fixed buffer, so the message is built rather than printed into one.
std::string fill(const char* format, std::initializer_list<const char*> args) {
    std::string out;
    auto next = args.begin();
    for (const char* p = format; *p; ++p) {
        if (p[0] == '%' && p[1] == 's' && next != args.end()) {
            out += *next++;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

void* find_export(DllLoader& loader, void* module, const char* name) {
    uint16_t ordinal = 0;
    if (parse_ordinal_name(name, ordinal))
        return loader.get_proc_ordinal(module, ordinal);
    return loader.get_proc(module, name);
}

std::string joined_path(const char* directory, const char* name) {
    return std::string(directory) + '\\' + name;
}

bool known(const char* directory) {
    return directory && *directory;
}

// Step for a declared library: its handle, or null when it cannot be loaded.
void* load_declared_library(DllLoader& loader, const char* name, const char* program_directory) {
    if (std::strchr(name, ':'))
        return loader.load(name); // absolute: no search of our own
    // A system library is taken from the system directory only: a file of the
    // same name beside the program (a downloads folder) must not stand in for it.
    if (const char* system = loader.system_directory(); known(system)) {
        const std::string in_system = joined_path(system, name);
        if (loader.file_exists(library_file_name(in_system.c_str()).c_str()))
            return loader.load(in_system.c_str());
    }
    if (known(program_directory)) {
        std::string local = joined_path(program_directory, name);
        if (void* module = loader.load(local.c_str()))
            return module;
    }
    return loader.load(name);
}

[[noreturn]] void raise_not_found(const char* library, const char* function) {
    std::string message = *library ? fill(msg::kDllExportNotFoundFormat, {library, function})
                                   : fill(msg::kDllSystemExportNotFoundFormat, {function});
    raise_runtime_error(message.c_str(), 0);
}

} // namespace

void* system_library_load(DllLoader& loader, const char* name) {
    if (loader.can_load_from_system())
        return loader.load_from_system(name);
    if (const char* system = loader.system_directory(); known(system))
        return loader.load(joined_path(system, name).c_str());
    return loader.load(name);
}

std::string library_file_name(const char* name) {
    std::string file = name;
    const size_t last = file.find_last_of("\\/");
    const size_t base = last == std::string::npos ? 0 : last + 1;
    if (!file.empty() && file.back() == '.' && file.size() > base)
        file.pop_back();
    else if (file.find('.', base) == std::string::npos)
        file += ".dll";
    return file;
}

bool parse_ordinal_name(const char* name, uint16_t& ordinal) {
    if (!name || name[0] != '#')
        return false;
    // Only the low 16 bits matter, so the number is accumulated modulo 2^16 and
    // any length of digits gives the exact low bits.
    uint32_t value = 0;
    for (const char* p = name + 1; *p >= '0' && *p <= '9'; ++p)
        value = (value * 10 + uint32_t(*p - '0')) & 0xFFFF;
    ordinal = uint16_t(value);
    return true;
}

void create_dll_tables(DllTables& tables, uint32_t count, const char* const* library_names,
                       const char* const* function_names) {
    assert(tables.count == 0 && !tables.addresses);
    tables = DllTables{};
    if (count == 0)
        return;
    auto** libraries = new_table<const char*>(count);
    auto** functions = new_table<const char*>(count);
    for (uint32_t i = 0; i < count; ++i) {
        libraries[i] = library_names[i];
        functions[i] = function_names[i];
    }
    tables.library_names = libraries;
    tables.function_names = functions;
    tables.modules = new_table<void*>(count);
    tables.addresses = new_table<void*>(count);
    tables.count = count;
}

void release_dll_tables(DllTables& tables, DllLoader& loader) {
    for (uint32_t i = 0; i < tables.count; ++i) {
        if (tables.modules[i])
            loader.release(tables.modules[i]);
    }
    mem_free(const_cast<const char**>(tables.library_names));
    mem_free(const_cast<const char**>(tables.function_names));
    mem_free(tables.modules);
    mem_free(tables.addresses);
    tables = DllTables{};
}

void* resolve_dll_function(DllTables& tables, uint32_t index, DllLoader& loader,
                           const char* program_directory) {
    assert(index < tables.count);
    if (void* cached = tables.addresses[index])
        return cached;

    const char* library = or_empty(tables.library_names[index]);
    const char* function = or_empty(tables.function_names[index]);
    void* module = nullptr;
    if (!*library) {
        for (const char* candidate : kSystemLibraries) {
            module = system_library_load(loader, candidate);
            if (!module)
                continue;
            tables.addresses[index] = find_export(loader, module, function);
            if (tables.addresses[index])
                break;
            loader.release(module);
            module = nullptr;
        }
    } else {
        module = load_declared_library(loader, library, program_directory);
        if (module)
            tables.addresses[index] = find_export(loader, module, function);
    }

    if (tables.addresses[index]) {
        tables.modules[index] = module;
        return tables.addresses[index];
    }
    if (module)
        loader.release(module);
    raise_not_found(library, function);
}

void raise_stack_error() {
    raise_runtime_error(msg::kDllStackError, 6);
}

} // namespace vantor
