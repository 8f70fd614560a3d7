// Kind-specific property blocks of the unit kinds (VANTOR_KINDS): the stored
// form (field order and versions) and the current values with their defaults.
//
// Stream layout: version dword, scalar dwords (one 16-bit field in the edit box
// block), byte buffers (dword length + bytes), counted texts (dword length +
// bytes). An empty block means "all defaults". Texts are raw bytes in the system
// code page (GBK).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "forms/choices.h"
#include "forms/kind_rows.h"
#include "runtime/protocol.h"

namespace vantor::forms {

using ByteVec = std::vector<uint8_t>;

// The fields of each kind's block struct and their defaults, from its rows.
#define VANTOR_BLOCK_FIELD(kind, name, field_type, default_value, ...)                             \
    VANTOR_BLOCK_FIELD_##field_type(name, default_value)
#define VANTOR_BLOCK_FIELD_I32(name, value) int32_t name = value;
#define VANTOR_BLOCK_FIELD_U32(name, value) uint32_t name = value;
#define VANTOR_BLOCK_FIELD_U16(name, value) uint16_t name = value;
#define VANTOR_BLOCK_FIELD_Bytes(name, value) ByteVec name;
#define VANTOR_BLOCK_FIELD_Str(name, value) std::string name = value;
#define VANTOR_BLOCK_FIELD_Live(name, value)

// Each struct remembers the version it was read at so that a read-then-write
// round trip reproduces the stored bytes; the writer raises the version when a
// field that the older version cannot carry holds a non-default value. The
// stored order and the version that carries each field: forms/kind_table.h;
// max_version, the kind's block version, is the highest of those versions
// (checked there).
#define VANTOR_BLOCK_STRUCT(Kind, kind, ROWS, code, max_version, ...)                              \
    struct Kind##Props {                                                                           \
        static constexpr uint32_t kMaxVersion = max_version;                                       \
        uint32_t version = kMaxVersion;                                                            \
        ROWS(VANTOR_BLOCK_FIELD)                                                                   \
        friend bool operator==(const Kind##Props&, const Kind##Props&) = default;                  \
    };
VANTOR_KINDS(VANTOR_BLOCK_STRUCT)
#undef VANTOR_BLOCK_STRUCT

// Readers: an empty block (size 0) leaves every field at its default and
// succeeds. Version 0 reads as the base layout (that of version 1). A version
// above kMaxVersion, or a block that ends inside a field, fails; `out` is then
// unspecified. Bytes after the last field are ignored.
//
// Writers: serialise the current values (never an empty block) at props.version
// (taken into 0..kMaxVersion), raised to the lowest version that carries every
// later-version field holding a non-default value. Reading a block and writing
// the result therefore reproduces the block's bytes.
#define VANTOR_BLOCK_CODEC(Kind, ...)                                                              \
    bool read_block(const uint8_t* data, size_t size, Kind##Props& out);                           \
    ByteVec write_block(const Kind##Props& props);
VANTOR_KINDS(VANTOR_BLOCK_CODEC)
#undef VANTOR_BLOCK_CODEC

#undef VANTOR_BLOCK_FIELD
#undef VANTOR_BLOCK_FIELD_I32
#undef VANTOR_BLOCK_FIELD_U32
#undef VANTOR_BLOCK_FIELD_U16
#undef VANTOR_BLOCK_FIELD_Bytes
#undef VANTOR_BLOCK_FIELD_Str
#undef VANTOR_BLOCK_FIELD_Live

} // namespace vantor::forms
