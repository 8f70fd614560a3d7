#include "tools/form_kinds.h"

#include <cstdio>

namespace vantor::tools {

const char* kind_name(uint32_t kind) {
    for (const KindName& k : kKinds)
        if (k.kind == kind)
            return k.name;
    return nullptr;
}

template <> std::span<const Field<WindowProps>> fields() {
    using P = WindowProps;
    using T = FieldType;
    static const Field<P> f[] = {
        {"Caption", T::Text, &P::Caption},
        {"BorderStyle", T::Int, &P::BorderStyle},
        {"BackColor", T::Hex, &P::BackColor},
        {"BackPicture", T::Bytes, &P::BackPicture},
        {"PictureMode", T::Int, &P::PictureMode},
        {"BackSound", T::Bytes, &P::BackSound},
        {"SoundMode", T::Int, &P::SoundMode},
        {"ControlBox", T::Logical, &P::ControlBox},
        {"MaxButton", T::Logical, &P::MaxButton},
        {"MinButton", T::Logical, &P::MinButton},
        {"Position", T::Int, &P::Position},
        {"Movable", T::Logical, &P::Movable},
        {"Icon", T::Bytes, &P::Icon},
        {"EnterMovesFocus", T::Logical, &P::EnterMovesFocus},
        {"EscCloses", T::Logical, &P::EscCloses},
        {"F1OpensHelp", T::Logical, &P::F1OpensHelp},
        {"HelpFile", T::Text, &P::HelpFile},
        {"HelpContext", T::Int, &P::HelpContext},
        {"ShowInTaskbar", T::Logical, &P::ShowInTaskbar},
        {"DragByClient", T::Logical, &P::DragByClient},
        {"Shape", T::Int, &P::Shape},
        {"AlwaysOnTop", T::Logical, &P::AlwaysOnTop},
        {"KeepTitleActive", T::Logical, &P::KeepTitleActive},
        {"ClassName", T::Text, &P::ClassName},
    };
    return f;
}

template <> std::span<const Field<EditBoxProps>> fields() {
    using P = EditBoxProps;
    using T = FieldType;
    static const Field<P> f[] = {
        {"Content", T::Text, &P::Content},
        {"BorderStyle", T::Int, &P::BorderStyle},
        {"TextColor", T::Hex, &P::TextColor},
        {"BackColor", T::Hex, &P::BackColor},
        {"Font", T::Font, &P::Font},
        {"HideSelection", T::Logical, &P::HideSelection},
        {"MaxLength", T::Int, &P::MaxLength},
        {"MultiLine", T::Logical, &P::MultiLine},
        {"ScrollBars", T::Int, &P::ScrollBars},
        {"Alignment", T::Int, &P::Alignment},
        {"InputMode", T::Int, &P::InputMode},
        {"PasswordChar", T::Char16, &P::PasswordChar},
        {"CaseConversion", T::Int, &P::CaseConversion},
        {"SpinMode", T::Int, &P::SpinMode},
        {"SpinMin", T::Int, &P::SpinMin},
        {"SpinMax", T::Int, &P::SpinMax},
        {"SelStart", T::Int, &P::SelStart},
        {"SelLength", T::Int, &P::SelLength},
        {"DataSource", T::Text, &P::DataSource},
        {"DataColumn", T::Text, &P::DataColumn},
    };
    return f;
}

template <> std::span<const Field<ButtonProps>> fields() {
    using P = ButtonProps;
    using T = FieldType;
    static const Field<P> f[] = {
        {"Picture", T::Bytes, &P::Picture}, {"ButtonType", T::Int, &P::ButtonType},
        {"Caption", T::Text, &P::Caption},  {"HAlign", T::Int, &P::HAlign},
        {"VAlign", T::Int, &P::VAlign},     {"Font", T::Font, &P::Font},
    };
    return f;
}

template <> std::span<const Field<CommonDlgProps>> fields() {
    using P = CommonDlgProps;
    using T = FieldType;
    static const Field<P> f[] = {
        {"DialogType", T::Int, &P::DialogType},
        {"Title", T::Text, &P::Title},
        {"FileName", T::Text, &P::FileName},
        {"Filter", T::Text, &P::Filter},
        {"FilterIndex", T::Int, &P::FilterIndex},
        {"InitialDir", T::Text, &P::InitialDir},
        {"DefaultExt", T::Text, &P::DefaultExt},
        {"CreatePrompt", T::Logical, &P::CreatePrompt},
        {"FileMustExist", T::Logical, &P::FileMustExist},
        {"OverwritePrompt", T::Logical, &P::OverwritePrompt},
        {"PathMustExist", T::Logical, &P::PathMustExist},
        {"KeepCurrentDir", T::Logical, &P::KeepCurrentDir},
        {"FontColor", T::Hex, &P::FontColor},
        {"Bold", T::Logical, &P::Bold},
        {"Italic", T::Logical, &P::Italic},
        {"StrikeOut", T::Logical, &P::StrikeOut},
        {"Underline", T::Logical, &P::Underline},
        {"FontName", T::Text, &P::FontName},
        {"FontSize", T::Int, &P::FontSize},
        {"HelpFile", T::Text, &P::HelpFile},
        {"HelpCommand", T::Int, &P::HelpCommand},
        {"HelpContext", T::Int, &P::HelpContext},
    };
    return f;
}

template <> std::span<const Field<TransLabelProps>> fields() {
    using P = TransLabelProps;
    using T = FieldType;
    static const Field<P> f[] = {
        {"Caption", T::Text, &P::Caption}, {"TextEffect", T::Int, &P::TextEffect},
        {"Font", T::Font, &P::Font},       {"TextColor", T::Hex, &P::TextColor},
        {"HAlign", T::Int, &P::HAlign},    {"WordWrap", T::Logical, &P::WordWrap},
        {"VAlign", T::Int, &P::VAlign},
    };
    return f;
}

bool valid_id(uint32_t id) {
    return (id & 0x00FFFFFF) != 0 && (id & 0x0F000000) != 0;
}

std::string hex32(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08x", v);
    return buf;
}

} // namespace vantor::tools
