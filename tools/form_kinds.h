// The control kinds the form tools know by name, and for each kind with a
// known block layout the list of its properties: source name, how a value is
// written, and the member of the kind's property struct that holds it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

#include "forms/blocks.h"

namespace vantor::tools {

using forms::ButtonProps;
using forms::ByteVec;
using forms::CommonDlgProps;
using forms::EditBoxProps;
using forms::TransLabelProps;
using forms::WindowProps;

struct KindName {
    const char* name;
    uint32_t kind;
};

inline constexpr KindName kKinds[] = {{"window", 0x00010001},
                                      {"EditBox", 0x00010005},
                                      {"Button", 0x0001000b},
                                      {"CommonDlg", 0x0001001f},
                                      {"TransLabel", 0x00020005}};

// Source name of `kind`; null for a kind without one.
const char* kind_name(uint32_t kind);

// Calls f(std::type_identity<Props>{}) with the property struct of `kind`;
// false when the kind has no known block layout.
template <class F> bool visit_kind(uint32_t kind, F&& f) {
    switch (kind) {
    case 0x00010001:
        f(std::type_identity<WindowProps>{});
        return true;
    case 0x00010005:
        f(std::type_identity<EditBoxProps>{});
        return true;
    case 0x0001000b:
        f(std::type_identity<ButtonProps>{});
        return true;
    case 0x0001001f:
        f(std::type_identity<CommonDlgProps>{});
        return true;
    case 0x00020005:
        f(std::type_identity<TransLabelProps>{});
        return true;
    default:
        return false;
    }
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
};

constexpr size_t kLogFontSize = 60;

// Property lists in the order of the kinds' property tables (index 8 up).
template <class P> std::span<const Field<P>> fields();
template <> std::span<const Field<WindowProps>> fields();
template <> std::span<const Field<EditBoxProps>> fields();
template <> std::span<const Field<ButtonProps>> fields();
template <> std::span<const Field<CommonDlgProps>> fields();
template <> std::span<const Field<TransLabelProps>> fields();

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
