// The value model shared by application code, the runtime and library commands.
// Portable: fixed-width types only, no platform headers. 32-bit targets only,
// because a value keeps pointers in 32-bit words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>

static_assert(sizeof(void*) == 4, "the value model keeps pointers in 32-bit words");

namespace vantor {

// ---- type codes -------------------------------------------------------------
// Bits 31-30 classify a code: 10 basic, 01 user-defined, 00/11 library-defined
// (bits 31-16 = library index + 1, bits 15-0 = type index + 1). Code 0 is "none".
// Bit 29 on a basic code marks an array of that element type.
using TypeCode = uint32_t;

namespace type {
inline constexpr TypeCode None = 0;
inline constexpr TypeCode Byte = 0x80000101;  // unsigned, lowest byte
inline constexpr TypeCode Short = 0x80000201; // signed, lowest two bytes
inline constexpr TypeCode Int = 0x80000301;
inline constexpr TypeCode Long = 0x80000401; // 64 bits in both words
inline constexpr TypeCode Float = 0x80000501;
inline constexpr TypeCode Double = 0x80000601;
inline constexpr TypeCode Bool = 0x80000002;     // 0 false, anything else true
inline constexpr TypeCode DateTime = 0x80000003; // OLE automation date, a double
inline constexpr TypeCode Text = 0x80000004;     // zero-terminated, null is empty
inline constexpr TypeCode Bytes = 0x80000005;    // {1, n, bytes}, null is empty
inline constexpr TypeCode SubPtr = 0x80000006;   // an application routine
inline constexpr TypeCode Pair64 = 0x80000008; // 8 bytes passed as two words to declared functions
inline constexpr TypeCode ArrayBit = 0x20000000;
} // namespace type

enum class TypeClass { None, Basic, UserDefined, LibraryDefined };

constexpr TypeClass classify(TypeCode code) {
    if (code == 0)
        return TypeClass::None;
    switch (code >> 30) {
    case 2:
        return TypeClass::Basic;
    case 1:
        return TypeClass::UserDefined;
    default:
        return TypeClass::LibraryDefined;
    }
}

constexpr bool is_array(TypeCode code) {
    return classify(code) == TypeClass::Basic && (code & type::ArrayBit) != 0;
}
constexpr TypeCode element_type(TypeCode code) {
    return code & ~type::ArrayBit;
}

// Library-defined codes: 1-based library number and 1-based type number.
constexpr uint32_t library_number(TypeCode code) {
    return code >> 16;
}
constexpr uint32_t library_type_number(TypeCode code) {
    return code & 0xFFFF;
}

// Element size of the six numeric types, Byte to Double (consecutive codes);
// 0 for every other code (Bool, Text, arrays...).
constexpr uint32_t element_size(TypeCode code) {
    constexpr uint8_t kSizes[] = {1, 2, 4, 8, 4, 8}; // Byte Short Int Long Float Double
    constexpr TypeCode kStep = type::Short - type::Byte;
    if (code < type::Byte || code > type::Double || (code - type::Byte) % kStep != 0)
        return 0;
    return kSizes[(code - type::Byte) / kStep];
}

// ---- TypedValue ---------------------------------------------------------------
// Layout (12 bytes, little-endian):
//   +0 low  word: values of 4 bytes or less, pointers, low half of 8-byte values
//   +4 high word: high half of 8-byte values; unit id of a unit reference
//   +8 type code
// A unit reference is {window id, unit id, unit kind}.
struct TypedValue {
    uint32_t low;
    uint32_t high;
    TypeCode type;
};
static_assert(sizeof(TypedValue) == 12);
static_assert(offsetof(TypedValue, low) == 0 && offsetof(TypedValue, high) == 4 &&
              offsetof(TypedValue, type) == 8);

inline uint64_t as_u64(const TypedValue& v) {
    return (uint64_t(v.high) << 32) | v.low;
}
inline int32_t as_int(const TypedValue& v) {
    return int32_t(v.low);
}
inline int64_t as_long(const TypedValue& v) {
    return int64_t(as_u64(v));
}
inline float as_float(const TypedValue& v) {
    float f;
    std::memcpy(&f, &v.low, 4);
    return f;
}
inline double as_double(const TypedValue& v) {
    uint64_t bits = as_u64(v);
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
}
inline const char* as_text(const TypedValue& v) {
    return reinterpret_cast<const char*>(static_cast<uintptr_t>(v.low));
}
inline const uint8_t* as_block(const TypedValue& v) {
    return reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(v.low));
}

inline TypedValue make_int(int32_t i) {
    return {uint32_t(i), 0, type::Int};
}
inline TypedValue make_bool(bool b) {
    return {b ? 1u : 0u, 0, type::Bool};
}
inline TypedValue make_byte(uint8_t b) {
    return {b, 0, type::Byte};
}
inline TypedValue make_short(int16_t s) {
    return {uint32_t(uint16_t(s)), 0, type::Short};
}
inline TypedValue make_long(int64_t l) {
    return {uint32_t(uint64_t(l)), uint32_t(uint64_t(l) >> 32), type::Long};
}
inline TypedValue make_float(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    return {bits, 0, type::Float};
}
inline TypedValue make_double_typed(double d, TypeCode code) {
    uint64_t bits;
    std::memcpy(&bits, &d, 8);
    return {uint32_t(bits), uint32_t(bits >> 32), code};
}
inline TypedValue make_double(double d) {
    return make_double_typed(d, type::Double);
}
inline TypedValue make_datetime(double d) {
    return make_double_typed(d, type::DateTime);
}
inline TypedValue make_pointer(const void* p, TypeCode code) {
    return {uint32_t(reinterpret_cast<uintptr_t>(p)), 0, code};
}
inline TypedValue make_text(const char* s) {
    return make_pointer(s, type::Text);
}
inline TypedValue make_unit_ref(uint32_t window_id, uint32_t unit_id, TypeCode kind) {
    return {window_id, unit_id, kind};
}
inline constexpr TypedValue kOmitted{0, 0, 0};

// Truncation toward zero as the x86 conversion instruction does it: NaN and
// values outside the Int range give INT32_MIN instead of undefined behaviour.
inline int32_t truncate_to_int32(double d) {
    if (!(d > -2147483649.0 && d < 2147483648.0))
        return INT32_MIN;
    return int32_t(d);
}

// A numeric value as Int: Byte zero-extended, Short sign-extended, Int as is,
// Long its low word, Float and Double truncated; nullopt for every other type.
inline std::optional<int32_t> numeric_to_int(const TypedValue& value) {
    switch (value.type) {
    case type::Byte:
        return int32_t(value.low & 0xFF);
    case type::Short:
        return int32_t(int16_t(uint16_t(value.low)));
    case type::Int:
    case type::Long:
        return int32_t(value.low);
    case type::Float:
        return truncate_to_int32(double(as_float(value)));
    case type::Double:
        return truncate_to_int32(as_double(value));
    default:
        return std::nullopt;
    }
}

// ---- memory blocks ------------------------------------------------------------
// Text:  bytes + terminating zero; null is the empty text, never an empty block.
// Bytes: {uint32 1, uint32 n, n bytes}; null is the empty byte set (same layout as
//        a one-dimensional Byte array).
// Array: {uint32 d, d x uint32 dimension sizes, packed elements}; arrays of Text or
//        Bytes own their element blocks.
struct ArrayHeader {
    uint32_t dimensions;
    // followed by `dimensions` sizes, then the elements
};
static_assert(sizeof(ArrayHeader) == 4);

// A pointer as the 32-bit word values carry it, and back.
inline uint32_t word_of(const void* p) {
    return uint32_t(reinterpret_cast<uintptr_t>(p));
}
template <class T> T* pointer_of(uint32_t word) {
    return reinterpret_cast<T*>(uintptr_t(word));
}

inline uint32_t read_u32(const void* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline void write_u32(void* p, uint32_t v) {
    std::memcpy(p, &v, 4);
}

// Element count of an array block: the product of its dimension sizes.
inline uint32_t array_element_count(const uint8_t* block) {
    uint32_t dims = read_u32(block);
    uint32_t count = 1;
    for (uint32_t i = 0; i < dims; ++i)
        count *= read_u32(block + 4 + 4 * i);
    return count;
}
inline uint32_t array_header_size(const uint8_t* block) {
    return 4 + 4 * read_u32(block);
}

// Byte set accessors: length at offset 4, data at offset 8.
inline uint32_t bytes_length(const uint8_t* block) {
    return block ? read_u32(block + 4) : 0;
}
inline const uint8_t* bytes_data(const uint8_t* block) {
    return block ? block + 8 : nullptr;
}

} // namespace vantor
