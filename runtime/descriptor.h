// Records fixed in the program image at build time and read at start-up: the
// program descriptor and the support-library records. Binary layouts, 32-bit.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vantor {

// 13 little-endian dwords in read-only data.
struct ProgramDescriptor {
    uint32_t program_kind; // 3 here; non-zero lets windows be owned by the hidden owner
    uint32_t reserved;
    uint32_t id_counter_base; // the kernel's identifier counter starts at base + 1
    uint32_t code_base;       // handler offsets in the archive are relative to it
    const uint8_t* constants; // constant area
    uint32_t constants_size;
    const uint8_t* form_archive;
    uint32_t form_archive_size;
    uint32_t library_count;
    const struct LibraryRecord* const* libraries; // Baselib, Uilib, Speclib
    uint32_t dll_command_count;
    const char* const* dll_library_names;
    const char* const* dll_function_names;
};
static_assert(sizeof(ProgramDescriptor) == 13 * 4);
static_assert(offsetof(ProgramDescriptor, form_archive) == 24);
static_assert(offsetof(ProgramDescriptor, dll_function_names) == 48);

// A library's notify entry: (code, first, second) -> result; -1 = not handled.
using NotifyEntry = int32_t (*)(int32_t code, uint32_t first, uint32_t second);
// The runtime's request entry handed to each library with notify code 1.
using RequestEntry = uint32_t (*)(int32_t code, uint32_t first, uint32_t second);

inline constexpr uint32_t kLibrarySignature = 0x01312D65;

// 144 bytes; the runtime relies on the fields named here, the rest is the library's.
struct LibraryRecord {
    uint32_t signature;       // 0x01312D65
    const char* identifier;   // 32 hexadecimal digits
    uint32_t versions[7];     // Baselib: 5, 3, 64, 3, 7, 3, 7
    const char* display_name; // offset 36
    uint32_t unused_a[11];
    uint32_t data_type_count; // offset 84
    const void* data_types;   // offset 88: 56-byte entries
    uint32_t unused_b[2];
    uint32_t command_count; // offset 100
    uint32_t unused_c;
    const void* const* commands; // offset 108
    uint32_t unused_d[2];
    NotifyEntry notify; // offset 120
    uint32_t unused_e[5];
};
static_assert(sizeof(LibraryRecord) == 144);
static_assert(offsetof(LibraryRecord, display_name) == 36);
static_assert(offsetof(LibraryRecord, data_type_count) == 84);
static_assert(offsetof(LibraryRecord, data_types) == 88);
static_assert(offsetof(LibraryRecord, command_count) == 100);
static_assert(offsetof(LibraryRecord, commands) == 108);
static_assert(offsetof(LibraryRecord, notify) == 120);

} // namespace vantor
