// The property rows of the five kinds, one X-macro table per kind:
//   X(kind, Name, field type, default, property type, range, re-creation)
// Rows are in property index order from 8. Name is the property's name in form
// sources and the field's name in the kind's block struct (forms/blocks.h); the
// field type is I32, U32, U16 (a one-byte text), Bytes or Str, or Live for a
// property only the window holds. Range and re-creation: forms/kind_table.h.
// No includes: forms/blocks.h and forms/kind_table.h expand these rows (with
// runtime/protocol.h, which names the button-face colour).
#pragma once

// clang-format off
#define VANTOR_WINDOW_PROPERTIES(X) \
    /* title; non-empty shows the title bar */ \
    X(window, Caption,         Str,   "",         Text,      kAny,     Never) \
    /* 0 none .. 6 fixed with client edge */ \
    X(window, BorderStyle,     I32,   2,          Choice,    upto(6),  Never) \
    /* client background */ \
    X(window, BackColor,       U32,   ::vantor::kButtonFaceColor, BackColor, kAny, Never) \
    /* drawn over the background */ \
    X(window, BackPicture,     Bytes, {},         Picture,   kAny,     Never) \
    /* natural, tiled, centred, stretched */ \
    X(window, PictureMode,     I32,   1,          Choice,    upto(3),  Never) \
    /* wave or MIDI, while open */ \
    X(window, BackSound,       Bytes, {},         Sound,     kAny,     Never) \
    /* repeat, once, silent */ \
    X(window, SoundMode,       I32,   0,          Choice,    upto(2),  Never) \
    /* system menu */ \
    X(window, ControlBox,      I32,   1,          Logical,   kAny,     Never) \
    X(window, MaxButton,       I32,   0,          Logical,   kAny,     Never) \
    X(window, MinButton,       I32,   1,          Logical,   kAny,     Never) \
    /* normal, centred, minimised, maximised */ \
    X(window, Position,        I32,   1,          Choice,    upto(3),  Never) \
    /* 0 drops Move from the system menu */ \
    X(window, Movable,         I32,   1,          Logical,   kAny,     Never) \
    /* big and small icons */ \
    X(window, Icon,            Bytes, {},         Icon,      kAny,     Never) \
    /* Enter acts as Tab */ \
    X(window, EnterMovesFocus, I32,   0,          Logical,   kAny,     Never) \
    X(window, EscCloses,       I32,   1,          Logical,   kAny,     Never) \
    X(window, F1OpensHelp,     I32,   0,          Logical,   kAny,     Never) \
    /* for F1; empty: the program's .hlp */ \
    X(window, HelpFile,        Str,   "",         FileName,  kAny,     Never) \
    X(window, HelpContext,     I32,   0,          Integer,   kAny,     Never) \
    /* 0: owned by the hidden owner */ \
    X(window, ShowInTaskbar,   I32,   1,          Logical,   kAny,     Never) \
    /* the client area drags the window */ \
    X(window, DragByClient,    I32,   0,          Logical,   kAny,     Never) \
    /* 0 rectangle, 1 ellipse, ... 29 */ \
    X(window, Shape,           I32,   0,          Choice,    upto(29), Never) \
    X(window, AlwaysOnTop,     I32,   0,          Logical,   kAny,     Never) \
    X(window, KeepTitleActive, I32,   0,          Logical,   kAny,     Never) \
    /* empty: QZWindow; next creation */ \
    X(window, ClassName,       Str,   "",         Text,      kAny,     Never)

#define VANTOR_EDIT_BOX_PROPERTIES(X) \
    /* the text */ \
    X(edit_box, Content,        Str,   "",       Text,       kAny,         Never) \
    /* 0 none .. 5 single line */ \
    X(edit_box, BorderStyle,    I32,   1,        Choice,     upto(5),      Never) \
    X(edit_box, TextColor,      U32,   0,        Color,      kAny,         Never) \
    X(edit_box, BackColor,      U32,   0xFFFFFF, BackColor,  kAny,         Never) \
    X(edit_box, Font,           Bytes, {},       Font,       kAny,         Never) \
    /* 0 adds ES_NOHIDESEL */ \
    X(edit_box, HideSelection,  I32,   1,        Logical,    kTruth,       WhenChangedAtRunTime) \
    /* 0: the largest limit */ \
    X(edit_box, MaxLength,      I32,   0,        Integer,    kNonNegative, Never) \
    X(edit_box, MultiLine,      I32,   0,        Logical,    kTruth,       WhenChanged) \
    /* none, horizontal, vertical, both */ \
    X(edit_box, ScrollBars,     I32,   0,        Choice,     upto(3),      WhenChanged) \
    /* left, centred, right */ \
    X(edit_box, Alignment,      I32,   0,        Choice,     upto(2),      WhenChanged) \
    /* controls/edit_input.h */ \
    X(edit_box, InputMode,      I32,   0,        Choice,     upto(11),     Never) \
    /* first byte masks mode 2 */ \
    X(edit_box, PasswordChar,   U16,   '*',      Text,       kAny,         Never) \
    /* none, lower, upper */ \
    X(edit_box, CaseConversion, I32,   0,        Choice,     upto(2),      WhenChanged) \
    /* none, automatic, manual */ \
    X(edit_box, SpinMode,       I32,   0,        Choice,     upto(2),      WhenChanged) \
    X(edit_box, SpinMin,        I32,   0,        Integer,    kAny,         Never) \
    X(edit_box, SpinMax,        I32,   100,      Integer,    kAny,         Never) \
    /* -1: the caret at the end */ \
    X(edit_box, SelStart,       I32,   0,        Integer,    kAny,         Never) \
    /* -1: everything */ \
    X(edit_box, SelLength,      I32,   0,        Integer,    kAny,         Never) \
    /* the selection, replaced on write */ \
    X(edit_box, SelText,        Live,  -,        Text,       kAny,         Never) \
    /* a provider on the same window */ \
    X(edit_box, DataSource,     Str,   "",       DataSource, kAny,         Never) \
    X(edit_box, DataColumn,     Str,   "",       DataColumn, kAny,         Never)

#define VANTOR_BUTTON_PROPERTIES(X) \
    /* shown instead of the caption */ \
    X(button, Picture,    Bytes, {},   Picture, kAny,    Always) \
    /* 1: default push button */ \
    X(button, ButtonType, I32,   0,    Choice,  upto(1), Never) \
    X(button, Caption,    Str,   "按钮", Text,    kAny,    Never) \
    /* left, centred, right */ \
    X(button, HAlign,     I32,   1,    Choice,  upto(2), Never) \
    /* top, centred, bottom */ \
    X(button, VAlign,     I32,   1,    Choice,  upto(2), Never) \
    X(button, Font,       Bytes, {},   Font,    kAny,    Never)

#define VANTOR_COMMON_DLG_PROPERTIES(X) \
    /* open, save, font, help */ \
    X(common_dlg, DialogType,      I32, 0,  Choice,  upto(3),      Never) \
    X(common_dlg, Title,           Str, "", Text,    kAny,         Never) \
    /* in, and the chosen path out */ \
    X(common_dlg, FileName,        Str, "", Text,    kAny,         Never) \
    /* "text|pattern|...||" */ \
    X(common_dlg, Filter,          Str, "", Text,    kAny,         Never) \
    /* zero-based */ \
    X(common_dlg, FilterIndex,     I32, 0,  Integer, kNonNegative, Never) \
    X(common_dlg, InitialDir,      Str, "", Text,    kAny,         Never) \
    X(common_dlg, DefaultExt,      Str, "", Text,    kAny,         Never) \
    X(common_dlg, CreatePrompt,    I32, 0,  Logical, kAny,         Never) \
    X(common_dlg, FileMustExist,   I32, 1,  Logical, kAny,         Never) \
    X(common_dlg, OverwritePrompt, I32, 1,  Logical, kAny,         Never) \
    X(common_dlg, PathMustExist,   I32, 1,  Logical, kAny,         Never) \
    X(common_dlg, KeepCurrentDir,  I32, 0,  Logical, kAny,         Never) \
    /* font dialog in and out */ \
    X(common_dlg, FontColor,       U32, 0,  Color,   kAny,         Never) \
    X(common_dlg, Bold,            I32, 0,  Logical, kAny,         Never) \
    X(common_dlg, Italic,          I32, 0,  Logical, kAny,         Never) \
    X(common_dlg, StrikeOut,       I32, 0,  Logical, kAny,         Never) \
    X(common_dlg, Underline,       I32, 0,  Logical, kAny,         Never) \
    X(common_dlg, FontName,        Str, "", Text,    kAny,         Never) \
    /* points; 0: no initial size */ \
    X(common_dlg, FontSize,        I32, 0,  Integer, kNonNegative, Never) \
    X(common_dlg, HelpFile,        Str, "", Text,    kAny,         Never) \
    /* the WinHelpA command */ \
    X(common_dlg, HelpCommand,     I32, 0,  Choice,  upto(5),      Never) \
    X(common_dlg, HelpContext,     I32, 0,  Integer, kAny,         Never)

#define VANTOR_TRANS_LABEL_PROPERTIES(X) \
    X(trans_label, Caption,    Str,   "透明标签", Text,    kAny,    Never) \
    /* none, three shadow styles */ \
    X(trans_label, TextEffect, I32,   0,      Choice,  upto(3), Never) \
    X(trans_label, Font,       Bytes, {},     Font,    kAny,    Never) \
    X(trans_label, TextColor,  U32,   0,      Color,   kAny,    Never) \
    /* left, centred, right */ \
    X(trans_label, HAlign,     I32,   0,      Choice,  upto(2), Never) \
    /* 1 ignores VAlign */ \
    X(trans_label, WordWrap,   I32,   0,      Logical, kAny,    Never) \
    /* top, middle, bottom */ \
    X(trans_label, VAlign,     I32,   1,      Choice,  upto(2), Never)
// clang-format on
