#include "controls/kinds.h"

#include <array>
#include <iterator>

#include "runtime/libraries.h"

namespace vantor::controls {

namespace {

using forms::PropertyEntry;
namespace pt = forms::prop_type;

constexpr PropertyEntry own(uint16_t type) {
    return {"", "", "", type, 0, nullptr};
}
constexpr PropertyEntry fixed(uint16_t type) {
    return {"", "", "", type, forms::kFixedPropertyFlags, nullptr};
}

// left, top, width, height, tag, visible, disabled, mouse pointer.
#define VANTOR_FIXED_PROPERTIES                                                                    \
    fixed(pt::Integer), fixed(pt::Integer), fixed(pt::Integer), fixed(pt::Integer),                \
        fixed(pt::Text), fixed(pt::Logical), fixed(pt::Logical), fixed(pt::MousePointer)

constexpr PropertyEntry kWindowProps[] = {
    VANTOR_FIXED_PROPERTIES,
    own(pt::Text),      // 8 Caption
    own(pt::Choice),    // 9 BorderStyle
    own(pt::BackColor), // 10 BackColor
    own(pt::Picture),   // 11 BackPicture
    own(pt::Choice),    // 12 PictureMode
    own(pt::Sound),     // 13 BackSound
    own(pt::Choice),    // 14 SoundMode
    own(pt::Logical),   // 15 ControlBox
    own(pt::Logical),   // 16 MaxButton
    own(pt::Logical),   // 17 MinButton
    own(pt::Choice),    // 18 Position
    own(pt::Logical),   // 19 Movable
    own(pt::Icon),      // 20 Icon
    own(pt::Logical),   // 21 EnterMovesFocus
    own(pt::Logical),   // 22 EscCloses
    own(pt::Logical),   // 23 F1OpensHelp
    own(pt::FileName),  // 24 HelpFile
    own(pt::Integer),   // 25 HelpContext
    own(pt::Logical),   // 26 ShowInTaskbar
    own(pt::Logical),   // 27 DragByClient
    own(pt::Choice),    // 28 Shape
    own(pt::Logical),   // 29 AlwaysOnTop
    own(pt::Logical),   // 30 KeepTitleActive
    own(pt::Text),      // 31 ClassName
};
static_assert(std::size(kWindowProps) == 32);

constexpr PropertyEntry kEditBoxProps[] = {
    VANTOR_FIXED_PROPERTIES,
    own(pt::Text),       // 8 Content
    own(pt::Choice),     // 9 BorderStyle
    own(pt::Color),      // 10 TextColor
    own(pt::BackColor),  // 11 BackColor
    own(pt::Font),       // 12 Font
    own(pt::Logical),    // 13 HideSelection
    own(pt::Integer),    // 14 MaxLength
    own(pt::Logical),    // 15 MultiLine
    own(pt::Choice),     // 16 ScrollBars
    own(pt::Choice),     // 17 Alignment
    own(pt::Choice),     // 18 InputMode
    own(pt::Text),       // 19 PasswordChar
    own(pt::Choice),     // 20 CaseConversion
    own(pt::Choice),     // 21 SpinMode
    own(pt::Integer),    // 22 SpinMin
    own(pt::Integer),    // 23 SpinMax
    own(pt::Integer),    // 24 SelStart
    own(pt::Integer),    // 25 SelLength
    own(pt::Text),       // 26 SelText
    own(pt::DataSource), // 27 DataSource
    own(pt::DataColumn), // 28 DataColumn
};
static_assert(std::size(kEditBoxProps) == 29);

constexpr PropertyEntry kButtonProps[] = {
    VANTOR_FIXED_PROPERTIES,
    own(pt::Picture), // 8 Picture
    own(pt::Choice),  // 9 ButtonType
    own(pt::Text),    // 10 Caption
    own(pt::Choice),  // 11 HAlign
    own(pt::Choice),  // 12 VAlign
    own(pt::Font),    // 13 Font
};
static_assert(std::size(kButtonProps) == 14);

constexpr PropertyEntry kCommonDlgProps[] = {
    VANTOR_FIXED_PROPERTIES,
    own(pt::Choice),  // 8 DialogType
    own(pt::Text),    // 9 Title
    own(pt::Text),    // 10 FileName
    own(pt::Text),    // 11 Filter
    own(pt::Integer), // 12 FilterIndex
    own(pt::Text),    // 13 InitialDir
    own(pt::Text),    // 14 DefaultExt
    own(pt::Logical), // 15 CreatePrompt
    own(pt::Logical), // 16 FileMustExist
    own(pt::Logical), // 17 OverwritePrompt
    own(pt::Logical), // 18 PathMustExist
    own(pt::Logical), // 19 KeepCurrentDir
    own(pt::Color),   // 20 FontColor
    own(pt::Logical), // 21 Bold
    own(pt::Logical), // 22 Italic
    own(pt::Logical), // 23 StrikeOut
    own(pt::Logical), // 24 Underline
    own(pt::Text),    // 25 FontName
    own(pt::Integer), // 26 FontSize
    own(pt::Text),    // 27 HelpFile
    own(pt::Choice),  // 28 HelpCommand
    own(pt::Integer), // 29 HelpContext
};
static_assert(std::size(kCommonDlgProps) == 30);

constexpr PropertyEntry kTransLabelProps[] = {
    VANTOR_FIXED_PROPERTIES,
    own(pt::Text),    // 8 Caption
    own(pt::Choice),  // 9 TextEffect
    own(pt::Font),    // 10 Font
    own(pt::Color),   // 11 TextColor
    own(pt::Choice),  // 12 HAlign
    own(pt::Logical), // 13 WordWrap
    own(pt::Choice),  // 14 VAlign
};
static_assert(std::size(kTransLabelProps) == 15);

#undef VANTOR_FIXED_PROPERTIES

template <size_t N>
constexpr forms::UnitTypeRecord make_type(const char* chinese, const char* english, uint32_t flags,
                                          const PropertyEntry (&props)[N],
                                          forms::InterfaceRoutine routine) {
    return {chinese, english, "",          0,     nullptr, flags, 0,
            0,       nullptr, uint32_t(N), props, routine, 0,     nullptr};
}

// The records live in the libraries' tables themselves, so the pointer a unit
// keeps is the one the form engine finds by kind.
constexpr std::array<forms::UnitTypeRecord, kBaselibTypeCount> baselib_table() {
    std::array<forms::UnitTypeRecord, kBaselibTypeCount> t{};
    t[0] = make_type("窗口", "window", forms::kFlagsWindow, kWindowProps, window_interface);
    t[4] = make_type("编辑框", "EditBox", forms::kFlagsEditBox, kEditBoxProps, edit_box_interface);
    t[10] = make_type("按钮", "Button", forms::kFlagsButton, kButtonProps, button_interface);
    t[30] = make_type("通用对话框", "CommonDlg", forms::kFlagsCommonDlg, kCommonDlgProps,
                      common_dlg_interface);
    return t;
}

constexpr std::array<forms::UnitTypeRecord, kUilibTypeCount> uilib_table() {
    std::array<forms::UnitTypeRecord, kUilibTypeCount> t{};
    t[4] = make_type("透明标签", "TransLabel", forms::kFlagsTransLabel, kTransLabelProps,
                     trans_label_interface);
    return t;
}

constexpr std::array<forms::UnitTypeRecord, kBaselibTypeCount> kBaselib = baselib_table();
constexpr std::array<forms::UnitTypeRecord, kUilibTypeCount> kUilib = uilib_table();

} // namespace

const forms::UnitTypeRecord& kWindowType = kBaselib[0];
const forms::UnitTypeRecord& kEditBoxType = kBaselib[4];
const forms::UnitTypeRecord& kButtonType = kBaselib[10];
const forms::UnitTypeRecord& kCommonDlgType = kBaselib[30];
const forms::UnitTypeRecord& kTransLabelType = kUilib[4];

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
