#include "controls/kinds.h"

#include <array>

#include "runtime/value.h"
#include "runtime/win32/libraries.h"

namespace vantor::controls {

namespace {

using forms::Kind;
using forms::PropertyEntry;

// A kind's property table as the form engine sees it: the eight fixed
// properties (with their flags word), then the kind's own rows: types only, their
// flags word 0.
template <class P, size_t N = Kind<P>::properties().size() + forms::kFirstOwnProperty>
constexpr std::array<PropertyEntry, N> property_entries() {
    std::array<PropertyEntry, N> t{};
    for (size_t i = 0; i < N; ++i) {
        bool fixed = i < size_t(forms::kFirstOwnProperty);
        const auto* row = fixed ? nullptr : &Kind<P>::properties()[i - forms::kFirstOwnProperty];
        t[i] = {"",
                "",
                "",
                fixed ? forms::kFixedPropertyTypes[i] : row->type,
                fixed ? forms::kFixedPropertyFlags : uint16_t(0),
                nullptr};
    }
    return t;
}

template <class P> constexpr auto kPropertyEntries = property_entries<P>();

template <class P> constexpr forms::UnitTypeRecord make_type(forms::InterfaceRoutine routine) {
    const auto& props = kPropertyEntries<P>;
    return {Kind<P>::kChinese,
            Kind<P>::kEnglish,
            "",
            0,
            nullptr,
            Kind<P>::kFlags,
            0,
            0,
            nullptr,
            uint32_t(props.size()),
            props.data(),
            routine,
            0,
            nullptr};
}

// A library's data-type table (library number 1 Baselib, 2 Uilib): the record
// of each of its kinds at its type number, counted from 1. The records live in
// the tables themselves, so the pointer a unit keeps is the one the form engine
// finds by kind.
template <uint32_t kLibrary, size_t N>
constexpr std::array<forms::UnitTypeRecord, N> library_table() {
    std::array<forms::UnitTypeRecord, N> t{};
#define VANTOR_TYPE_RECORD(Name, name, ...)                                                        \
    if (library_number(forms::kind::Name) == kLibrary)                                             \
        t.at(library_type_number(forms::kind::Name) - 1) =                                         \
            make_type<forms::Name##Props>(name##_interface);
    VANTOR_KINDS(VANTOR_TYPE_RECORD)
#undef VANTOR_TYPE_RECORD
    return t;
}

constexpr auto kBaselib = library_table<1, kBaselibTypeCount>();
constexpr auto kUilib = library_table<2, kUilibTypeCount>();

constexpr const forms::UnitTypeRecord& record_of(uint32_t kind) {
    const uint32_t slot = library_type_number(kind) - 1;
    return library_number(kind) == 1 ? kBaselib.at(slot) : kUilib.at(slot);
}

} // namespace

#define VANTOR_TYPE_REFERENCE(Kind, ...)                                                           \
    const forms::UnitTypeRecord& k##Kind##Type = record_of(forms::kind::Kind);
VANTOR_KINDS(VANTOR_TYPE_REFERENCE)
#undef VANTOR_TYPE_REFERENCE

void register_control_kinds() {
    set_library_data_types(Library::Base, kBaselib.data(), kBaselibTypeCount);
    set_library_data_types(Library::Ui, kUilib.data(), kUilibTypeCount);
}

const forms::UnitTypeRecord* type_of_kind(uint32_t kind) {
#define VANTOR_KIND_RECORD(Kind, ...)                                                              \
    if (kind == forms::kind::Kind)                                                                 \
        return &k##Kind##Type;
    VANTOR_KINDS(VANTOR_KIND_RECORD)
#undef VANTOR_KIND_RECORD
    return nullptr;
}

} // namespace vantor::controls
