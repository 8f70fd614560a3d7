// Kind-specific property blocks of the five unit kinds: the stored form (field
// order and versions) and the current values with their defaults.
//
// Stream layout: version dword, scalar dwords (one 16-bit field in the edit box
// block), byte buffers (dword length + bytes), counted texts (dword length +
// bytes). An empty block means "all defaults". Texts are raw bytes in the system
// code page (GBK).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vantor::forms {

using ByteVec = std::vector<uint8_t>;

// Each struct remembers the version it was read at so that a read-then-write
// round trip reproduces the stored bytes; the writer raises the version when a
// field that the older version cannot carry holds a non-default value.
struct WindowProps {
    static constexpr uint32_t kMaxVersion = 6;
    uint32_t version = kMaxVersion;
    int32_t BorderStyle = 2;
    int32_t PictureMode = 1;
    uint32_t BackColor = 0xFF000000;
    int32_t MaxButton = 0;
    int32_t MinButton = 1;
    int32_t ControlBox = 1;
    int32_t Position = 1;
    int32_t Movable = 1;
    int32_t SoundMode = 0;
    int32_t EnterMovesFocus = 0;
    int32_t EscCloses = 1;
    int32_t F1OpensHelp = 0;
    int32_t HelpContext = 0;
    int32_t ShowInTaskbar = 1;   // version > 1
    int32_t DragByClient = 0;    // version > 2
    int32_t Shape = 0;           // version > 2
    int32_t AlwaysOnTop = 0;     // version > 3
    int32_t KeepTitleActive = 0; // version > 4
    std::string ClassName;       // version == 6
    ByteVec BackPicture;
    ByteVec Icon;
    ByteVec BackSound;
    std::string Caption;
    std::string HelpFile;

    friend bool operator==(const WindowProps&, const WindowProps&) = default;
};

struct EditBoxProps {
    static constexpr uint32_t kMaxVersion = 2;
    uint32_t version = kMaxVersion;
    int32_t BorderStyle = 1;
    uint32_t TextColor = 0;
    uint32_t BackColor = 0xFFFFFF;
    int32_t HideSelection = 1;
    int32_t MaxLength = 0;
    int32_t MultiLine = 0;
    int32_t ScrollBars = 0;
    int32_t Alignment = 0;
    int32_t InputMode = 0;
    uint16_t PasswordChar = '*'; // the only 16-bit field
    int32_t CaseConversion = 0;
    int32_t SpinMode = 0;
    int32_t SpinMin = 0;
    int32_t SpinMax = 100;
    int32_t SelStart = 0;
    int32_t SelLength = 0;
    ByteVec Font;
    std::string Content;
    std::string DataSource; // version 2
    std::string DataColumn; // version 2

    friend bool operator==(const EditBoxProps&, const EditBoxProps&) = default;
};

struct ButtonProps {
    static constexpr uint32_t kMaxVersion = 1;
    uint32_t version = kMaxVersion;
    int32_t ButtonType = 0;
    int32_t HAlign = 1;
    int32_t VAlign = 1;
    ByteVec Picture;
    ByteVec Font;
    std::string Caption = "按钮";

    friend bool operator==(const ButtonProps&, const ButtonProps&) = default;
};

struct CommonDlgProps {
    static constexpr uint32_t kMaxVersion = 1;
    uint32_t version = kMaxVersion;
    int32_t DialogType = 0;
    int32_t FilterIndex = 0;
    int32_t CreatePrompt = 0;
    int32_t FileMustExist = 1;
    int32_t OverwritePrompt = 1;
    int32_t PathMustExist = 1;
    int32_t KeepCurrentDir = 0;
    uint32_t FontColor = 0;
    int32_t Bold = 0;
    int32_t Italic = 0;
    int32_t StrikeOut = 0;
    int32_t Underline = 0;
    int32_t FontSize = 0;
    int32_t HelpCommand = 0;
    int32_t HelpContext = 0;
    std::string Title;
    std::string FileName;
    std::string Filter;
    std::string InitialDir;
    std::string DefaultExt;
    std::string FontName;
    std::string HelpFile;

    friend bool operator==(const CommonDlgProps&, const CommonDlgProps&) = default;
};

struct TransLabelProps {
    static constexpr uint32_t kMaxVersion = 1;
    uint32_t version = kMaxVersion;
    int32_t TextEffect = 0;
    uint32_t TextColor = 0;
    int32_t HAlign = 0;
    int32_t VAlign = 1;
    int32_t WordWrap = 0;
    ByteVec Font;
    std::string Caption = "透明标签";

    friend bool operator==(const TransLabelProps&, const TransLabelProps&) = default;
};

// Readers: an empty block (size 0) leaves every field at its default and
// succeeds. Version 0 reads as the base layout (that of version 1). A version
// above kMaxVersion, or a block that ends inside a field, fails; `out` is then
// unspecified. Bytes after the last field are ignored.
bool read_block(const uint8_t* data, size_t size, WindowProps& out);
bool read_block(const uint8_t* data, size_t size, EditBoxProps& out);
bool read_block(const uint8_t* data, size_t size, ButtonProps& out);
bool read_block(const uint8_t* data, size_t size, CommonDlgProps& out);
bool read_block(const uint8_t* data, size_t size, TransLabelProps& out);

// Writers: serialise the current values (never an empty block) at props.version
// (taken into 0..kMaxVersion), raised to the lowest version that carries every
// later-version field holding a non-default value. Reading a block and writing
// the result therefore reproduces the block's bytes.
ByteVec write_block(const WindowProps& props);
ByteVec write_block(const EditBoxProps& props);
ByteVec write_block(const ButtonProps& props);
ByteVec write_block(const CommonDlgProps& props);
ByteVec write_block(const TransLabelProps& props);

} // namespace vantor::forms
