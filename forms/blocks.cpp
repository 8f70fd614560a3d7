#include "forms/blocks.h"

#include <algorithm>
#include <new>

#include "forms/reader.h"
#include "forms/writer.h"

namespace vantor::forms {

namespace {

// The field order of each kind is written once (the *_fields templates) and
// walked by both directions, so reader and writer cannot drift apart.
struct ReadIO {
    Reader& r;
    bool operator()(int32_t& v) { return r.dword(v); }
    bool operator()(uint32_t& v) { return r.dword(v); }
    bool operator()(uint16_t& v) { return r.word(v); }
    bool operator()(ByteVec& v) { return r.byte_buffer(v); }
    bool operator()(std::string& v) { return r.counted_text(v); }
};

struct WriteIO {
    Writer& w;
    bool operator()(const int32_t& v) { return w.dword(v), true; }
    bool operator()(const uint32_t& v) { return w.dword(v), true; }
    bool operator()(const uint16_t& v) { return w.word(v), true; }
    bool operator()(const ByteVec& v) { return w.byte_buffer(v), true; }
    bool operator()(const std::string& v) { return w.counted_text(v), true; }
};

template <class IO, class P> bool window_fields(IO& io, P& p, uint32_t version) {
    bool ok = io(p.BorderStyle) && io(p.PictureMode) && io(p.BackColor) && io(p.MaxButton) &&
              io(p.MinButton) && io(p.ControlBox) && io(p.Position) && io(p.Movable) &&
              io(p.SoundMode) && io(p.EnterMovesFocus) && io(p.EscCloses) && io(p.F1OpensHelp) &&
              io(p.HelpContext);
    if (ok && version > 1)
        ok = io(p.ShowInTaskbar);
    if (ok && version > 2)
        ok = io(p.DragByClient) && io(p.Shape);
    if (ok && version > 3)
        ok = io(p.AlwaysOnTop);
    if (ok && version > 4)
        ok = io(p.KeepTitleActive);
    if (ok && version == 6)
        ok = io(p.ClassName);
    return ok && io(p.BackPicture) && io(p.Icon) && io(p.BackSound) && io(p.Caption) &&
           io(p.HelpFile);
}

template <class IO, class P> bool edit_box_fields(IO& io, P& p, uint32_t version) {
    bool ok = io(p.BorderStyle) && io(p.TextColor) && io(p.BackColor) && io(p.HideSelection) &&
              io(p.MaxLength) && io(p.MultiLine) && io(p.ScrollBars) && io(p.Alignment) &&
              io(p.InputMode) && io(p.PasswordChar) && io(p.CaseConversion) && io(p.SpinMode) &&
              io(p.SpinMin) && io(p.SpinMax) && io(p.SelStart) && io(p.SelLength) && io(p.Font) &&
              io(p.Content);
    if (ok && version > 1)
        ok = io(p.DataSource) && io(p.DataColumn);
    return ok;
}

template <class IO, class P> bool button_fields(IO& io, P& p, uint32_t) {
    return io(p.ButtonType) && io(p.HAlign) && io(p.VAlign) && io(p.Picture) && io(p.Font) &&
           io(p.Caption);
}

template <class IO, class P> bool common_dlg_fields(IO& io, P& p, uint32_t) {
    return io(p.DialogType) && io(p.FilterIndex) && io(p.CreatePrompt) && io(p.FileMustExist) &&
           io(p.OverwritePrompt) && io(p.PathMustExist) && io(p.KeepCurrentDir) &&
           io(p.FontColor) && io(p.Bold) && io(p.Italic) && io(p.StrikeOut) && io(p.Underline) &&
           io(p.FontSize) && io(p.HelpCommand) && io(p.HelpContext) && io(p.Title) &&
           io(p.FileName) && io(p.Filter) && io(p.InitialDir) && io(p.DefaultExt) &&
           io(p.FontName) && io(p.HelpFile);
}

template <class IO, class P> bool trans_label_fields(IO& io, P& p, uint32_t) {
    return io(p.TextEffect) && io(p.TextColor) && io(p.HAlign) && io(p.VAlign) && io(p.WordWrap) &&
           io(p.Font) && io(p.Caption);
}

template <class P, class Fields>
bool read_props(const uint8_t* data, size_t size, P& out, Fields fields) {
    out = P{};
    if (size == 0)
        return true;
    if (size > 0xFFFFFFFFu)
        return false;
    try {
        Reader r(data, uint32_t(size));
        uint32_t version;
        // Version 0 carries the base layout, as version 1 does.
        if (!r.dword(version) || version > P::kMaxVersion)
            return false;
        out.version = version;
        ReadIO io{r};
        return fields(io, out, version);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

template <class P, class Fields>
ByteVec write_props(const P& props, uint32_t version, Fields fields) {
    ByteVec out;
    Writer w(out);
    WriteIO io{w};
    w.dword(version);
    fields(io, props, version);
    return out;
}

// The stored version, kept within range and raised to the lowest `need`.
uint32_t version_for(uint32_t stored, uint32_t need, uint32_t max) {
    return std::max(std::min(stored, max), need);
}

} // namespace

bool read_block(const uint8_t* data, size_t size, WindowProps& out) {
    return read_props(data, size, out,
                      [](auto& io, auto& p, uint32_t v) { return window_fields(io, p, v); });
}

bool read_block(const uint8_t* data, size_t size, EditBoxProps& out) {
    return read_props(data, size, out,
                      [](auto& io, auto& p, uint32_t v) { return edit_box_fields(io, p, v); });
}

bool read_block(const uint8_t* data, size_t size, ButtonProps& out) {
    return read_props(data, size, out,
                      [](auto& io, auto& p, uint32_t v) { return button_fields(io, p, v); });
}

bool read_block(const uint8_t* data, size_t size, CommonDlgProps& out) {
    return read_props(data, size, out,
                      [](auto& io, auto& p, uint32_t v) { return common_dlg_fields(io, p, v); });
}

bool read_block(const uint8_t* data, size_t size, TransLabelProps& out) {
    return read_props(data, size, out,
                      [](auto& io, auto& p, uint32_t v) { return trans_label_fields(io, p, v); });
}

ByteVec write_block(const WindowProps& props) {
    const WindowProps d;
    uint32_t need = 0;
    if (props.ShowInTaskbar != d.ShowInTaskbar)
        need = 2;
    if (props.DragByClient != d.DragByClient || props.Shape != d.Shape)
        need = 3;
    if (props.AlwaysOnTop != d.AlwaysOnTop)
        need = 4;
    if (props.KeepTitleActive != d.KeepTitleActive)
        need = 5;
    if (!props.ClassName.empty())
        need = 6;
    return write_props(props, version_for(props.version, need, WindowProps::kMaxVersion),
                       [](auto& io, auto& p, uint32_t v) { return window_fields(io, p, v); });
}

ByteVec write_block(const EditBoxProps& props) {
    uint32_t need = props.DataSource.empty() && props.DataColumn.empty() ? 0 : 2;
    return write_props(props, version_for(props.version, need, EditBoxProps::kMaxVersion),
                       [](auto& io, auto& p, uint32_t v) { return edit_box_fields(io, p, v); });
}

ByteVec write_block(const ButtonProps& props) {
    return write_props(props, version_for(props.version, 0, ButtonProps::kMaxVersion),
                       [](auto& io, auto& p, uint32_t v) { return button_fields(io, p, v); });
}

ByteVec write_block(const CommonDlgProps& props) {
    return write_props(props, version_for(props.version, 0, CommonDlgProps::kMaxVersion),
                       [](auto& io, auto& p, uint32_t v) { return common_dlg_fields(io, p, v); });
}

ByteVec write_block(const TransLabelProps& props) {
    return write_props(props, version_for(props.version, 0, TransLabelProps::kMaxVersion),
                       [](auto& io, auto& p, uint32_t v) { return trans_label_fields(io, p, v); });
}

} // namespace vantor::forms
