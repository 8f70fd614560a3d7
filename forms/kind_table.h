// The unit kinds and one property table per kind. Everything that needs a
// kind's properties derives from here: the property tables the form engine sees,
// each kind's read and write dispatch (the kind adds only the effects on its
// window), the form compiler's and dump's property names, the application's
// property indexes and the named indexes of tests.
//
// The list of kinds (VANTOR_KINDS) and the rows themselves are in
// forms/kind_rows.h: for one property its name (as form sources write it), its
// field in the kind's block struct with its default (or Live when only the
// window holds it), its property type, the range a written integer is clamped
// into, and whether a write asks the form engine to re-create the control.
// Adding a property is one row there, its place in the stored order below (with
// the block version that first stores it) and its effect in the kind. A field
// that older blocks do not carry needs a new block version: raise the kind's
// block version in VANTOR_KINDS to the highest version of its stored order (a
// static_assert below checks that they agree).
// Portable: no platform headers.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

#include "forms/blocks.h"
#include "forms/choices.h"
#include "forms/kind_rows.h"
#include "runtime/protocol.h"
#include "runtime/value.h"

namespace vantor::forms {

// Unit kinds: library number x 65536 + type number (Baselib 1, Uilib 2).
namespace kind {
#define VANTOR_KIND_CODE(Kind, kind, ROWS, code, ...) inline constexpr uint32_t Kind = code;
VANTOR_KINDS(VANTOR_KIND_CODE)
#undef VANTOR_KIND_CODE
inline constexpr uint32_t PageContainer = 0x00010015; // not a kind of this program
} // namespace kind

// Unit type flags. The form engine reads all but the marks at the end.
namespace type_flag {
// Either bit marks a kind that may raise events; the five kinds carry the first.
inline constexpr uint32_t RaisesEvents = 0x40;
inline constexpr uint32_t RaisesEventsToo = 0x4;
inline constexpr uint32_t NeverRecreated = 0x10;
inline constexpr uint32_t HoldsChildren = 0x80; // they move to a re-created object
inline constexpr uint32_t PagedContainer = 0x100;
inline constexpr uint32_t NeverShown = 0x8000; // no styles from the state flags
inline constexpr uint32_t NoTabFocus = 0x10000;
inline constexpr uint32_t NotifyParentOnRecreate = 0x100000;
// Bits the stored records carry that nothing in this program reads: the core
// library's mark on each of its kinds, and one mark each on the button and the
// transparent label kinds.
inline constexpr uint32_t CoreLibraryMark = 0x80000000;
inline constexpr uint32_t ButtonMark = 0x800;
inline constexpr uint32_t TransLabelMark = 0x2000;
} // namespace type_flag

// Properties 0 to 7 belong to every kind and are kept by the form engine; a
// kind's own properties start at kFirstOwnProperty and its routines see the
// index minus kFirstOwnProperty.
inline constexpr int32_t kFirstOwnProperty = 8;
inline constexpr uint16_t kFixedPropertyFlags = 0xE000;

// The value handed to a kind's write routine: integers, logicals, colours and
// choices in word0; a text as a pointer to a zero-terminated string in word0
// (never null from the form engine: the empty text is ""); byte data as pointer
// (word0) and count (word1).
struct PropValue {
    uint32_t word0;
    uint32_t word1;
};

// What a write asks of the form engine.
enum class Recreate : uint8_t {
    Never,
    Always,
    WhenChanged,          // the stored value changed
    WhenChangedAtRunTime, // the stored value changed and the control is not in design mode
};

// Where a written integer goes: clamped into [low, high]; `truth` stores any
// non-zero value as 1. A choice's range also has the names of its values
// (forms/choices.h), which form sources may write instead of the numbers.
struct Range {
    int32_t low;
    int32_t high;
    bool truth;
    std::string_view names{};
};
inline constexpr Range kAny{INT32_MIN, INT32_MAX, false};
inline constexpr Range kNonNegative{0, INT32_MAX, false};
inline constexpr Range kTruth{0, 1, true};

// Where a property's value lives in the block struct P; monostate: nowhere (the
// kind reads and writes it on its window alone).
template <class P>
using FieldOf = std::variant<std::monostate, int32_t P::*, uint32_t P::*, uint16_t P::*,
                             ByteVec P::*, std::string P::*>;

template <class P> struct PropDef {
    int32_t index;
    const char* name;
    uint16_t type;
    FieldOf<P> field;
    Range range;
    Recreate recreate;
};

} // namespace vantor::forms

// ---- named property indexes -----------------------------------------------------------
// props::window::MaxButton is 16, the index application code and tests pass; kCount
// is the number of properties of the kind, the eight fixed ones included.

#define VANTOR_PROPERTY_INDEX(kind, name, ...) name,

namespace vantor::props {

namespace fixed {
enum : int32_t { Left, Top, Width, Height, Tag, Visible, Disabled, MousePointer, kCount };
} // namespace fixed

// props::kind::Name for each row, props::kind::Block the kind's block struct.
#define VANTOR_KIND_INDEXES(Kind, kind, ROWS, ...)                                                 \
    namespace kind {                                                                               \
    using Block = forms::Kind##Props;                                                              \
    enum : int32_t { kLastFixed = fixed::kCount - 1, ROWS(VANTOR_PROPERTY_INDEX) kCount };         \
    }
VANTOR_KINDS(VANTOR_KIND_INDEXES)
#undef VANTOR_KIND_INDEXES

} // namespace vantor::props

#undef VANTOR_PROPERTY_INDEX

namespace vantor::forms {

static_assert(props::fixed::kCount == kFirstOwnProperty);

#define VANTOR_PROPERTY_FIELD_I32(kind, name) &props::kind::Block::name
#define VANTOR_PROPERTY_FIELD_U32(kind, name) &props::kind::Block::name
#define VANTOR_PROPERTY_FIELD_U16(kind, name) &props::kind::Block::name
#define VANTOR_PROPERTY_FIELD_Bytes(kind, name) &props::kind::Block::name
#define VANTOR_PROPERTY_FIELD_Str(kind, name) &props::kind::Block::name
#define VANTOR_PROPERTY_FIELD_Live(kind, name)                                                     \
    std::monostate {}
#define choices_of(list)                                                                           \
    Range {                                                                                        \
        0, choice::list::kLast, false, choice::list::kNames                                        \
    }
#define VANTOR_PROPERTY_ROW(kind, name, field_type, default_value, type, range, recreate)          \
    PropDef<props::kind::Block>{props::kind::name,                                                 \
                                #name,                                                             \
                                prop_type::type,                                                   \
                                VANTOR_PROPERTY_FIELD_##field_type(kind, name),                    \
                                range,                                                             \
                                Recreate::recreate},

#define VANTOR_KIND_PROPERTIES(Kind, kind, ROWS, ...)                                              \
    inline constexpr PropDef<Kind##Props> k##Kind##Properties[] = {ROWS(VANTOR_PROPERTY_ROW)};
VANTOR_KINDS(VANTOR_KIND_PROPERTIES)
#undef VANTOR_KIND_PROPERTIES
#undef VANTOR_PROPERTY_ROW
#undef choices_of
#undef VANTOR_PROPERTY_FIELD_I32
#undef VANTOR_PROPERTY_FIELD_U32
#undef VANTOR_PROPERTY_FIELD_U16
#undef VANTOR_PROPERTY_FIELD_Bytes
#undef VANTOR_PROPERTY_FIELD_Str
#undef VANTOR_PROPERTY_FIELD_Live

// ---- stored blocks ----------------------------------------------------------------------
// The field order of each kind's stored block after its version dword: scalars,
// then byte buffers, then counted texts, each read only from block version
// `since` on. Enumerating a block's texts follows the same order.
struct StoredField {
    int32_t index;
    uint32_t since;
};

namespace stored {
using namespace props;
// clang-format off
inline constexpr StoredField kWindow[] = {
    // dwords
    {window::BorderStyle, 1}, {window::PictureMode, 1}, {window::BackColor, 1},
    {window::MaxButton, 1}, {window::MinButton, 1}, {window::ControlBox, 1},
    {window::Position, 1}, {window::Movable, 1}, {window::SoundMode, 1},
    {window::EnterMovesFocus, 1}, {window::EscCloses, 1}, {window::F1OpensHelp, 1},
    {window::HelpContext, 1},
    // dwords of later versions, then the class name text of version 6
    {window::ShowInTaskbar, 2}, {window::DragByClient, 3}, {window::Shape, 3},
    {window::AlwaysOnTop, 4}, {window::KeepTitleActive, 5}, {window::ClassName, 6},
    // byte buffers, then counted texts
    {window::BackPicture, 1}, {window::Icon, 1}, {window::BackSound, 1},
    {window::Caption, 1}, {window::HelpFile, 1}};
inline constexpr StoredField kEditBox[] = {
    // dwords, the 16-bit PasswordChar among them
    {edit_box::BorderStyle, 1}, {edit_box::TextColor, 1}, {edit_box::BackColor, 1},
    {edit_box::HideSelection, 1}, {edit_box::MaxLength, 1}, {edit_box::MultiLine, 1},
    {edit_box::ScrollBars, 1}, {edit_box::Alignment, 1}, {edit_box::InputMode, 1},
    {edit_box::PasswordChar, 1}, {edit_box::CaseConversion, 1}, {edit_box::SpinMode, 1},
    {edit_box::SpinMin, 1}, {edit_box::SpinMax, 1}, {edit_box::SelStart, 1},
    {edit_box::SelLength, 1},
    // a byte buffer, then counted texts, the binding's from version 2
    {edit_box::Font, 1}, {edit_box::Content, 1},
    {edit_box::DataSource, 2}, {edit_box::DataColumn, 2}};
inline constexpr StoredField kButton[] = {
    {button::ButtonType, 1}, {button::HAlign, 1}, {button::VAlign, 1}, // dwords
    {button::Picture, 1}, {button::Font, 1}, {button::Caption, 1}};
inline constexpr StoredField kCommonDlg[] = {
    // dwords
    {common_dlg::DialogType, 1}, {common_dlg::FilterIndex, 1}, {common_dlg::CreatePrompt, 1},
    {common_dlg::FileMustExist, 1}, {common_dlg::OverwritePrompt, 1},
    {common_dlg::PathMustExist, 1}, {common_dlg::KeepCurrentDir, 1},
    {common_dlg::FontColor, 1}, {common_dlg::Bold, 1}, {common_dlg::Italic, 1},
    {common_dlg::StrikeOut, 1}, {common_dlg::Underline, 1}, {common_dlg::FontSize, 1},
    {common_dlg::HelpCommand, 1}, {common_dlg::HelpContext, 1},
    // counted texts
    {common_dlg::Title, 1}, {common_dlg::FileName, 1}, {common_dlg::Filter, 1},
    {common_dlg::InitialDir, 1}, {common_dlg::DefaultExt, 1}, {common_dlg::FontName, 1},
    {common_dlg::HelpFile, 1}};
inline constexpr StoredField kTransLabel[] = {
    {trans_label::TextEffect, 1}, {trans_label::TextColor, 1}, {trans_label::HAlign, 1},
    {trans_label::VAlign, 1}, {trans_label::WordWrap, 1}, // dwords
    {trans_label::Font, 1}, {trans_label::Caption, 1}};
// clang-format on
} // namespace stored

// The types of the fixed properties 0 to 7, shared by every kind.
inline constexpr uint16_t kFixedPropertyTypes[] = {
    prop_type::Integer, prop_type::Integer, prop_type::Integer, prop_type::Integer,
    prop_type::Text,    prop_type::Logical, prop_type::Logical, prop_type::MousePointer};
static_assert(std::size(kFixedPropertyTypes) == kFirstOwnProperty);

// A kind's facts, found from its block struct P.
template <class P> struct Kind;

// The type flags of each kind, by its name.
namespace kind_flags {
using namespace type_flag;
#define VANTOR_KIND_FLAGS(Kind, kind, ROWS, code, version, english, chinese, flags)                \
    inline constexpr uint32_t Kind = flags;
VANTOR_KINDS(VANTOR_KIND_FLAGS)
#undef VANTOR_KIND_FLAGS
static_assert(Window == 0x800000D0 && EditBox == 0x80000040 && Button == 0x80000840 &&
              CommonDlg == 0x80008040 && TransLabel == 0x00012040);
} // namespace kind_flags

#define VANTOR_KIND(Name, name, ROWS, code, version, english, chinese, flags)                      \
    template <> struct Kind<Name##Props> {                                                         \
        static constexpr uint32_t kCode = kind::Name;                                              \
        static constexpr const char* kEnglish = english;                                           \
        static constexpr const char* kChinese = chinese;                                           \
        static constexpr uint32_t kFlags = kind_flags::Name;                                       \
        static constexpr std::span<const PropDef<Name##Props>> properties() {                      \
            return k##Name##Properties;                                                            \
        }                                                                                          \
        static constexpr std::span<const vantor::forms::StoredField> stored() {                    \
            return stored::k##Name;                                                                \
        }                                                                                          \
    };
VANTOR_KINDS(VANTOR_KIND)
#undef VANTOR_KIND

// Calls f(P{}) -- a default block of the kind -- for one of the five kinds;
// false for any other kind.
template <class F> bool visit_kind(uint32_t code, F&& f) {
#define VANTOR_VISIT_KIND(Kind, ...)                                                               \
    if (code == kind::Kind) {                                                                      \
        f(Kind##Props{});                                                                          \
        return true;                                                                               \
    }
    VANTOR_KINDS(VANTOR_VISIT_KIND)
#undef VANTOR_VISIT_KIND
    return false;
}

// The English name of one of the five kinds, or null.
const char* kind_name(uint32_t code);

// The row of property `index` (kFirstOwnProperty and up), or null.
template <class P> constexpr const PropDef<P>* find_property(int32_t index) {
    auto rows = Kind<P>::properties();
    uint32_t i = uint32_t(index - kFirstOwnProperty);
    return index >= kFirstOwnProperty && i < rows.size() ? &rows[i] : nullptr;
}
// The row named `name` (as form sources write it), or null.
template <class P> constexpr const PropDef<P>* find_property(std::string_view name) {
    for (const PropDef<P>& row : Kind<P>::properties())
        if (name == row.name)
            return &row;
    return nullptr;
}

// Calls f(field) for each field a block of `version` stores, in stored order, on
// `props` (const or not); stops at the first f that returns false.
template <class P, class F> bool for_each_stored(P& props, uint32_t version, F&& f) {
    using Block = std::remove_const_t<P>;
    const uint32_t layout = std::max(version, 1u); // version 0 stores the base layout
    for (const StoredField& s : Kind<Block>::stored()) {
        if (s.since > layout)
            continue;
        bool ok = std::visit(
            [&](auto member) -> bool {
                if constexpr (std::is_same_v<decltype(member), std::monostate>)
                    return true;
                else
                    return f(props.*member);
            },
            find_property<Block>(s.index)->field);
        if (!ok)
            return false;
    }
    return true;
}

// The lowest block version that carries every field of `props` holding a value
// other than its default.
template <class P> uint32_t lowest_version(const P& props) {
    static const P defaults{};
    uint32_t need = 0;
    for (const StoredField& s : Kind<P>::stored()) {
        std::visit(
            [&](auto member) {
                if constexpr (!std::is_same_v<decltype(member), std::monostate>) {
                    // Base fields (since 1) are carried by version 0 too.
                    if (s.since > 1 && !(props.*member == defaults.*member))
                        need = std::max(need, s.since);
                }
            },
            find_property<P>(s.index)->field);
    }
    return need;
}

// ---- a kind's read and write dispatch over its block struct ------------------------

// Takes a written value into its field of `props` as the row says (integers
// clamped into the row's range, texts copied with none as "", byte data copied,
// a one-byte field from the text's first byte). True when the stored value
// changed. A Live row stores nothing.
template <class P> bool store_property(P& props, const PropDef<P>& row, const PropValue& value) {
    auto store = [](auto& field, auto fresh) {
        bool changed = !(field == fresh);
        field = std::move(fresh);
        return changed;
    };
    const char* text = pointer_of<const char>(value.word0);
    const uint8_t* data = pointer_of<const uint8_t>(value.word0);
    return std::visit(
        [&](auto member) -> bool {
            using M = decltype(member);
            if constexpr (std::is_same_v<M, int32_t P::*>) {
                int32_t v = int32_t(value.word0);
                if (row.range.truth)
                    v = v != 0 ? 1 : 0;
                return store(props.*member, v < row.range.low    ? row.range.low
                                            : v > row.range.high ? row.range.high
                                                                 : v);
            } else if constexpr (std::is_same_v<M, uint32_t P::*>) {
                return store(props.*member, value.word0);
            } else if constexpr (std::is_same_v<M, uint16_t P::*>) {
                return store(props.*member, uint16_t(text ? uint8_t(text[0]) : 0));
            } else if constexpr (std::is_same_v<M, ByteVec P::*>) {
                return store(props.*member,
                             data && value.word1 ? ByteVec(data, data + value.word1) : ByteVec());
            } else if constexpr (std::is_same_v<M, std::string P::*>) {
                return store(props.*member, std::string(text ? text : ""));
            } else {
                return false;
            }
        },
        row.field);
}

// Fills a read routine's result from the field of `row`: integers in result[0];
// a text as a pointer to the stored string (a one-byte field as a one-character
// text in `scratch`, empty for 0); byte data as pointer (0 when empty) and count.
// False for a Live row, which the kind reads from its window.
template <class P>
bool load_property(const P& props, const PropDef<P>& row, uint32_t result[2],
                   std::string& scratch) {
    result[0] = result[1] = 0;
    return std::visit(
        [&](auto member) -> bool {
            using M = decltype(member);
            if constexpr (std::is_same_v<M, int32_t P::*> || std::is_same_v<M, uint32_t P::*>) {
                result[0] = uint32_t(props.*member);
            } else if constexpr (std::is_same_v<M, uint16_t P::*>) {
                uint8_t c = uint8_t(props.*member & 0xFF);
                scratch.assign(c ? 1 : 0, char(c));
                result[0] = word_of(scratch.c_str());
            } else if constexpr (std::is_same_v<M, ByteVec P::*>) {
                const ByteVec& bytes = props.*member;
                result[0] = bytes.empty() ? 0 : word_of(bytes.data());
                result[1] = uint32_t(bytes.size());
            } else if constexpr (std::is_same_v<M, std::string P::*>) {
                result[0] = word_of((props.*member).c_str());
            } else {
                return false;
            }
            return true;
        },
        row.field);
}

// The write routine's answer: 1 when the form engine must re-create the control.
constexpr int32_t recreate_after(Recreate rule, bool changed, bool design_mode) {
    switch (rule) {
    case Recreate::Always:
        return 1;
    case Recreate::WhenChanged:
        return changed ? 1 : 0;
    case Recreate::WhenChangedAtRunTime:
        return changed && !design_mode ? 1 : 0;
    default:
        return 0;
    }
}

// Each stored order names every Stored row of its kind once, and nothing else.
template <class P> constexpr bool stored_order_complete() {
    size_t stored_rows = 0;
    for (const PropDef<P>& row : Kind<P>::properties()) {
        int uses = 0;
        for (const StoredField& s : Kind<P>::stored())
            uses += s.index == row.index && s.since >= 1 ? 1 : 0;
        bool stored = !std::holds_alternative<std::monostate>(row.field);
        stored_rows += stored ? 1 : 0;
        if (uses != (stored ? 1 : 0))
            return false;
    }
    return stored_rows == Kind<P>::stored().size();
}

// Choice rows, and only they, have named values.
template <class P> constexpr bool choices_named() {
    for (const PropDef<P>& row : Kind<P>::properties())
        if ((row.type == prop_type::Choice) == row.range.names.empty())
            return false;
    return true;
}

// The highest version a kind's stored order names is its block's kMaxVersion: a
// field added with a new version must raise kMaxVersion, and kMaxVersion must not
// name a version that stores nothing new.
template <class P> constexpr bool max_version_matches() {
    uint32_t highest = 0;
    for (const StoredField& s : Kind<P>::stored())
        highest = std::max(highest, s.since);
    return highest == P::kMaxVersion;
}

#define VANTOR_KIND_CHECKS(Kind, ...)                                                              \
    static_assert(stored_order_complete<Kind##Props>(), #Kind ": stored order");                   \
    static_assert(choices_named<Kind##Props>(), #Kind ": choice names");                           \
    static_assert(max_version_matches<Kind##Props>(), #Kind ": kMaxVersion");
VANTOR_KINDS(VANTOR_KIND_CHECKS)
#undef VANTOR_KIND_CHECKS

} // namespace vantor::forms
