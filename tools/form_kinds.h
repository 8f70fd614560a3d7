// The control kinds the form tools know by name, and for each kind the list of
// its properties: source name, how a value is written, and the member of the
// kind's property struct that holds it. All of it comes from the kind tables
// (forms/kind_table.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "forms/blocks.h"
#include "forms/kind_table.h"

namespace vantor::tools {

using forms::ByteVec;

struct KindName {
    const char* name;
    uint32_t kind;
};

// The kinds by their English names, from the kind tables.
#define VANTOR_KIND_NAME(Kind, kind, ROWS, code, version, english, ...) {english, code},
inline constexpr KindName kKinds[] = {VANTOR_KINDS(VANTOR_KIND_NAME)};
#undef VANTOR_KIND_NAME

// Source name of `kind`; null for a kind without one.
inline const char* kind_name(uint32_t kind) {
    return forms::kind_name(kind);
}

// Calls f(std::type_identity<Props>{}) with the property struct of `kind`;
// false when the kind has no known block layout.
template <class F> bool visit_kind(uint32_t kind, F&& f) {
    return forms::visit_kind(kind, [&f](auto block) { f(std::type_identity<decltype(block)>{}); });
}

// How a property is written in source: Int fields print signed, Hex fields
// (colours) in hex; Font is a byte buffer that must be empty or a LOGFONTA.
enum class FieldType { Int, Hex, Logical, Char16, Bytes, Font, Text };

template <class P>
using Member =
    std::variant<int32_t P::*, uint32_t P::*, uint16_t P::*, ByteVec P::*, std::string P::*>;

template <class P> struct Field {
    const char* name;
    FieldType type;
    Member<P> member;
    std::string_view choices; // a choice's value names ("A, B, ..."), else empty
};

constexpr size_t kLogFontSize = 60;

// How a row of the kind tables is written in source.
template <class P> FieldType field_type(const forms::PropDef<P>& row) {
    return std::visit(
        [&row](auto member) {
            using M = decltype(member);
            if constexpr (std::is_same_v<M, uint32_t P::*>)
                return FieldType::Hex;
            else if constexpr (std::is_same_v<M, uint16_t P::*>)
                return FieldType::Char16;
            else if constexpr (std::is_same_v<M, ByteVec P::*>)
                return row.type == prop_type::Font ? FieldType::Font : FieldType::Bytes;
            else if constexpr (std::is_same_v<M, std::string P::*>)
                return FieldType::Text;
            else
                return row.type == prop_type::Logical ? FieldType::Logical : FieldType::Int;
        },
        row.field);
}

// The stored properties of a kind, in the order of its property table (index 8
// up), from the kind tables.
template <class P> std::span<const Field<P>> fields() {
    static const std::vector<Field<P>> list = [] {
        std::vector<Field<P>> out;
        for (const forms::PropDef<P>& row : forms::Kind<P>::properties()) {
            std::visit(
                [&](auto member) {
                    if constexpr (!std::is_same_v<decltype(member), std::monostate>)
                        out.push_back({row.name, field_type(row), member, row.range.names});
                },
                row.field);
        }
        return out;
    }();
    return list;
}

template <class P> const Field<P>* find_field(std::string_view name) {
    for (const Field<P>& f : fields<P>())
        if (name == f.name)
            return &f;
    return nullptr;
}

// Ids are accepted only with low 24 bits and bits 24-27 nonzero.
bool valid_id(uint32_t id);

// 0x%08x.
std::string hex32(uint32_t v);

} // namespace vantor::tools
