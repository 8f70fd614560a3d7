// The five unit kinds and their property rows. Adding a kind is one line of
// VANTOR_KINDS, its property rows, its stored order (forms/kind_table.h) and its
// code (its interface routine and unit class in controls/).
//
// VANTOR_KINDS(X) lists each kind as
//   X(Kind, kind, ROWS, code, block version, English name, Chinese name, type flags)
// Kind names its block struct KindProps (forms/blocks.h), its stored order
// stored::kKind, its code kind::Kind and its unit type record kKindType
// (controls/kinds.h); kind names its property indexes props::kind and its
// interface routine kind_interface; ROWS is the list of its property rows. The
// code is library number x 65536 + type number; the block version is the
// highest its stored order names (checked); the flags are type_flag bits.
//
// The property rows, one X-macro table per kind:
//   X(kind, Name, field type, default, property type, range, re-creation)
// Rows are in property index order from 8. Name is the property's name in form
// sources and the field's name in the kind's block struct (forms/blocks.h); the
// field type is I32, U32, U16 (a one-byte text), Bytes or Str, or Live for a
// property only the window holds. Range and re-creation: forms/kind_table.h; a
// Choice row's range is choices_of(the list of its named values in forms/choices.h).
// No includes: forms/blocks.h and forms/kind_table.h expand these rows (with
// runtime/protocol.h, which names the button-face colour, and forms/choices.h).
#pragma once

// clang-format off
#define VANTOR_KINDS(X) \
    X(Window,     window,      VANTOR_WINDOW_PROPERTIES,      0x00010001, 6, "window",     "窗口",       CoreLibraryMark | HoldsChildren | RaisesEvents | NeverRecreated) \
    X(EditBox,    edit_box,    VANTOR_EDIT_BOX_PROPERTIES,    0x00010005, 2, "EditBox",    "编辑框",     CoreLibraryMark | RaisesEvents) \
    X(Button,     button,      VANTOR_BUTTON_PROPERTIES,      0x0001000B, 1, "Button",     "按钮",       CoreLibraryMark | ButtonMark | RaisesEvents) \
    X(CommonDlg,  common_dlg,  VANTOR_COMMON_DLG_PROPERTIES,  0x0001001F, 1, "CommonDlg",  "通用对话框", CoreLibraryMark | NeverShown | RaisesEvents) \
    X(TransLabel, trans_label, VANTOR_TRANS_LABEL_PROPERTIES, 0x00020005, 1, "TransLabel", "透明标签",   NoTabFocus | TransLabelMark | RaisesEvents)

#define VANTOR_WINDOW_PROPERTIES(X) \
    /* title; non-empty shows the title bar */ \
    X(window, Caption,         Str,   "",                          Text,      kAny,                     Never) \
    X(window, BorderStyle,     I32,   choice::WindowBorder::Fixed, Choice,    choices_of(WindowBorder), Never) \
    /* client background */ \
    X(window, BackColor,       U32,   ::vantor::kButtonFaceColor,  BackColor, kAny,                     Never) \
    /* drawn over the background */ \
    X(window, BackPicture,     Bytes, {},                          Picture,   kAny,                     Never) \
    X(window, PictureMode,     I32,   choice::PictureMode::Tiled,  Choice,    choices_of(PictureMode),  Never) \
    /* wave or MIDI, while open */ \
    X(window, BackSound,       Bytes, {},                          Sound,     kAny,                     Never) \
    X(window, SoundMode,       I32,   choice::SoundMode::Repeat,   Choice,    choices_of(SoundMode),    Never) \
    /* system menu */ \
    X(window, ControlBox,      I32,   1,                           Logical,   kAny,                     Never) \
    X(window, MaxButton,       I32,   0,                           Logical,   kAny,                     Never) \
    X(window, MinButton,       I32,   1,                           Logical,   kAny,                     Never) \
    X(window, Position,        I32,   choice::Position::Centred,   Choice,    choices_of(Position),     Never) \
    /* 0 drops Move from the system menu */ \
    X(window, Movable,         I32,   1,                           Logical,   kAny,                     Never) \
    /* big and small icons */ \
    X(window, Icon,            Bytes, {},                          Icon,      kAny,                     Never) \
    /* Enter acts as Tab */ \
    X(window, EnterMovesFocus, I32,   0,                           Logical,   kAny,                     Never) \
    X(window, EscCloses,       I32,   1,                           Logical,   kAny,                     Never) \
    X(window, F1OpensHelp,     I32,   0,                           Logical,   kAny,                     Never) \
    /* for F1; empty: the program's .hlp */ \
    X(window, HelpFile,        Str,   "",                          FileName,  kAny,                     Never) \
    X(window, HelpContext,     I32,   0,                           Integer,   kAny,                     Never) \
    /* 0: owned by the hidden owner */ \
    X(window, ShowInTaskbar,   I32,   1,                           Logical,   kAny,                     Never) \
    /* the client area drags the window */ \
    X(window, DragByClient,    I32,   0,                           Logical,   kAny,                     Never) \
    /* named shapes, then polygons */ \
    X(window, Shape,           I32,   choice::Shape::Rectangle,    Choice,    choices_of(Shape),        Never) \
    X(window, AlwaysOnTop,     I32,   0,                           Logical,   kAny,                     Never) \
    X(window, KeepTitleActive, I32,   0,                           Logical,   kAny,                     Never) \
    /* empty: QZWindow; next creation */ \
    X(window, ClassName,       Str,   "",                          Text,      kAny,                     Never)

#define VANTOR_EDIT_BOX_PROPERTIES(X) \
    /* the text */ \
    X(edit_box, Content,        Str,   "",                           Text,       kAny,                       Never) \
    X(edit_box, BorderStyle,    I32,   choice::EditBorder::Sunken,   Choice,     choices_of(EditBorder),     Never) \
    X(edit_box, TextColor,      U32,   0,                            Color,      kAny,                       Never) \
    X(edit_box, BackColor,      U32,   0xFFFFFF,                     BackColor,  kAny,                       Never) \
    X(edit_box, Font,           Bytes, {},                           Font,       kAny,                       Never) \
    /* 0 adds ES_NOHIDESEL */ \
    X(edit_box, HideSelection,  I32,   1,                            Logical,    kTruth,                     WhenChangedAtRunTime) \
    /* 0: the largest limit */ \
    X(edit_box, MaxLength,      I32,   0,                            Integer,    kNonNegative,               Never) \
    X(edit_box, MultiLine,      I32,   0,                            Logical,    kTruth,                     WhenChanged) \
    X(edit_box, ScrollBars,     I32,   choice::ScrollBars::None,     Choice,     choices_of(ScrollBars),     WhenChanged) \
    X(edit_box, Alignment,      I32,   choice::Alignment::Left,      Choice,     choices_of(Alignment),      WhenChanged) \
    X(edit_box, InputMode,      I32,   choice::InputMode::Normal,    Choice,     choices_of(InputMode),      Never) \
    /* first byte masks mode 2 */ \
    X(edit_box, PasswordChar,   U16,   '*',                          Text,       kAny,                       Never) \
    X(edit_box, CaseConversion, I32,   choice::CaseConversion::None, Choice,     choices_of(CaseConversion), WhenChanged) \
    X(edit_box, SpinMode,       I32,   choice::SpinMode::None,       Choice,     choices_of(SpinMode),       WhenChanged) \
    X(edit_box, SpinMin,        I32,   0,                            Integer,    kAny,                       Never) \
    X(edit_box, SpinMax,        I32,   100,                          Integer,    kAny,                       Never) \
    /* -1: the caret at the end */ \
    X(edit_box, SelStart,       I32,   0,                            Integer,    kAny,                       Never) \
    /* -1: everything */ \
    X(edit_box, SelLength,      I32,   0,                            Integer,    kAny,                       Never) \
    /* the selection, replaced on write */ \
    X(edit_box, SelText,        Live,  -,                            Text,       kAny,                       Never) \
    /* a provider on the same window */ \
    X(edit_box, DataSource,     Str,   "",                           DataSource, kAny,                       Never) \
    X(edit_box, DataColumn,     Str,   "",                           DataColumn, kAny,                       Never)

#define VANTOR_BUTTON_PROPERTIES(X) \
    /* shown instead of the caption */ \
    X(button, Picture,    Bytes, {},                         Picture, kAny,                   Always) \
    X(button, ButtonType, I32,   choice::ButtonType::Normal, Choice,  choices_of(ButtonType), Never) \
    X(button, Caption,    Str,   "按钮",                       Text,    kAny,                   Never) \
    X(button, HAlign,     I32,   choice::HAlign::Centred,    Choice,  choices_of(HAlign),     Never) \
    X(button, VAlign,     I32,   choice::VAlign::Centred,    Choice,  choices_of(VAlign),     Never) \
    X(button, Font,       Bytes, {},                         Font,    kAny,                   Never)

#define VANTOR_COMMON_DLG_PROPERTIES(X) \
    X(common_dlg, DialogType,      I32, choice::DialogType::Open,    Choice,  choices_of(DialogType),  Never) \
    X(common_dlg, Title,           Str, "",                          Text,    kAny,                    Never) \
    /* in, and the chosen path out */ \
    X(common_dlg, FileName,        Str, "",                          Text,    kAny,                    Never) \
    /* "text|pattern|...||" */ \
    X(common_dlg, Filter,          Str, "",                          Text,    kAny,                    Never) \
    /* zero-based */ \
    X(common_dlg, FilterIndex,     I32, 0,                           Integer, kNonNegative,            Never) \
    X(common_dlg, InitialDir,      Str, "",                          Text,    kAny,                    Never) \
    X(common_dlg, DefaultExt,      Str, "",                          Text,    kAny,                    Never) \
    X(common_dlg, CreatePrompt,    I32, 0,                           Logical, kAny,                    Never) \
    X(common_dlg, FileMustExist,   I32, 1,                           Logical, kAny,                    Never) \
    X(common_dlg, OverwritePrompt, I32, 1,                           Logical, kAny,                    Never) \
    X(common_dlg, PathMustExist,   I32, 1,                           Logical, kAny,                    Never) \
    X(common_dlg, KeepCurrentDir,  I32, 0,                           Logical, kAny,                    Never) \
    /* font dialog in and out */ \
    X(common_dlg, FontColor,       U32, 0,                           Color,   kAny,                    Never) \
    X(common_dlg, Bold,            I32, 0,                           Logical, kAny,                    Never) \
    X(common_dlg, Italic,          I32, 0,                           Logical, kAny,                    Never) \
    X(common_dlg, StrikeOut,       I32, 0,                           Logical, kAny,                    Never) \
    X(common_dlg, Underline,       I32, 0,                           Logical, kAny,                    Never) \
    X(common_dlg, FontName,        Str, "",                          Text,    kAny,                    Never) \
    /* points; 0: no initial size */ \
    X(common_dlg, FontSize,        I32, 0,                           Integer, kNonNegative,            Never) \
    X(common_dlg, HelpFile,        Str, "",                          Text,    kAny,                    Never) \
    X(common_dlg, HelpCommand,     I32, choice::HelpCommand::Finder, Choice,  choices_of(HelpCommand), Never) \
    X(common_dlg, HelpContext,     I32, 0,                           Integer, kAny,                    Never)

#define VANTOR_TRANS_LABEL_PROPERTIES(X) \
    X(trans_label, Caption,    Str,   "透明标签",                   Text,    kAny,                   Never) \
    X(trans_label, TextEffect, I32,   choice::TextEffect::None, Choice,  choices_of(TextEffect), Never) \
    X(trans_label, Font,       Bytes, {},                       Font,    kAny,                   Never) \
    X(trans_label, TextColor,  U32,   0,                        Color,   kAny,                   Never) \
    X(trans_label, HAlign,     I32,   choice::HAlign::Left,     Choice,  choices_of(HAlign),     Never) \
    /* 1 ignores VAlign */ \
    X(trans_label, WordWrap,   I32,   0,                        Logical, kAny,                   Never) \
    X(trans_label, VAlign,     I32,   choice::VAlign::Centred,  Choice,  choices_of(VAlign),     Never)
// clang-format on
