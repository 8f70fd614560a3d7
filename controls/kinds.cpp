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

constexpr auto kWindowProps = property_entries<forms::WindowProps>();
constexpr auto kEditBoxProps = property_entries<forms::EditBoxProps>();
constexpr auto kButtonProps = property_entries<forms::ButtonProps>();
constexpr auto kCommonDlgProps = property_entries<forms::CommonDlgProps>();
constexpr auto kTransLabelProps = property_entries<forms::TransLabelProps>();

template <class P, size_t N>
constexpr forms::UnitTypeRecord make_type(const std::array<PropertyEntry, N>& props,
                                          forms::InterfaceRoutine routine) {
    return {
        Kind<P>::kChinese, Kind<P>::kEnglish, "",           0,       nullptr, Kind<P>::kFlags, 0, 0,
        nullptr,           uint32_t(N),       props.data(), routine, 0,       nullptr};
}

// Position of a kind in its library's table: its type number, counted from 1.
template <class P> constexpr size_t slot() {
    return library_type_number(Kind<P>::kCode) - 1;
}

// The records live in the libraries' tables themselves, so the pointer a unit
// keeps is the one the form engine finds by kind.
constexpr std::array<forms::UnitTypeRecord, kBaselibTypeCount> baselib_table() {
    std::array<forms::UnitTypeRecord, kBaselibTypeCount> t{};
    t[slot<forms::WindowProps>()] = make_type<forms::WindowProps>(kWindowProps, window_interface);
    t[slot<forms::EditBoxProps>()] =
        make_type<forms::EditBoxProps>(kEditBoxProps, edit_box_interface);
    t[slot<forms::ButtonProps>()] = make_type<forms::ButtonProps>(kButtonProps, button_interface);
    t[slot<forms::CommonDlgProps>()] =
        make_type<forms::CommonDlgProps>(kCommonDlgProps, common_dlg_interface);
    return t;
}

constexpr std::array<forms::UnitTypeRecord, kUilibTypeCount> uilib_table() {
    std::array<forms::UnitTypeRecord, kUilibTypeCount> t{};
    t[slot<forms::TransLabelProps>()] =
        make_type<forms::TransLabelProps>(kTransLabelProps, trans_label_interface);
    return t;
}

constexpr std::array<forms::UnitTypeRecord, kBaselibTypeCount> kBaselib = baselib_table();
constexpr std::array<forms::UnitTypeRecord, kUilibTypeCount> kUilib = uilib_table();

} // namespace

const forms::UnitTypeRecord& kWindowType = kBaselib[slot<forms::WindowProps>()];
const forms::UnitTypeRecord& kEditBoxType = kBaselib[slot<forms::EditBoxProps>()];
const forms::UnitTypeRecord& kButtonType = kBaselib[slot<forms::ButtonProps>()];
const forms::UnitTypeRecord& kCommonDlgType = kBaselib[slot<forms::CommonDlgProps>()];
const forms::UnitTypeRecord& kTransLabelType = kUilib[slot<forms::TransLabelProps>()];

void register_control_kinds() {
    set_library_data_types(Library::Base, kBaselib.data(), kBaselibTypeCount);
    set_library_data_types(Library::Ui, kUilib.data(), kUilibTypeCount);
}

const forms::UnitTypeRecord* type_of_kind(uint32_t kind) {
    switch (kind) {
    case forms::kind::Window:
        return &kWindowType;
    case forms::kind::EditBox:
        return &kEditBoxType;
    case forms::kind::Button:
        return &kButtonType;
    case forms::kind::CommonDlg:
        return &kCommonDlgType;
    case forms::kind::TransLabel:
        return &kTransLabelType;
    default:
        return nullptr;
    }
}

} // namespace vantor::controls
