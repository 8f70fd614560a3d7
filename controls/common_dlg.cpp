#include "controls/common_dlg.h"
#include "controls/commands.h"

#include <commdlg.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "controls/common.h"
#include "controls/kind_routines.h"
#include "controls/kinds.h"
#include "controls/on_demand.h"
#include "runtime/allocator.h"
#include "runtime/call.h"
#include "runtime/gb18030.h"
#include "runtime/protocol.h"
#include "runtime/win32/libraries.h"
#include "runtime/win32/system_text.h"

namespace vantor::controls {

namespace {

using forms::CommonDlgProps;
using forms::PropValue;

// Byte length of the character starting at text[i] (a lone lead byte counts 1).
size_t char_length(const std::string& text, size_t i) {
    return gb18030::char_length(std::string_view(text).substr(i));
}

const wchar_t* or_none(const std::wstring& s) {
    return s.empty() ? nullptr : s.c_str();
}

int32_t screen_dpi() {
    HDC screen = GetDC(nullptr);
    int32_t dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

std::string program_path() {
    wchar_t path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return system_text::from_wide(std::wstring_view(path, std::min<DWORD>(n, MAX_PATH)));
}

bool is_file(const std::string& path) {
    DWORD attributes = GetFileAttributesW(system_text::to_wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

// ---- pure logic -----------------------------------------------------------------------

std::string file_dialog_filter(const std::string& filter) {
    size_t end = filter.size();
    while (end > 0 && std::strchr(" \t\r\n\v\f", filter[end - 1]) && filter[end - 1] != '\0')
        --end;
    std::string text = filter.substr(0, end);
    std::string list;
    int bars_at_end = 0;
    for (size_t i = 0; i < text.size();) {
        size_t n = char_length(text, i);
        if (n == 1 && text[i] == '|') {
            list += '\0';
            ++bars_at_end;
        } else {
            list.append(text, i, n);
            bars_at_end = 0;
        }
        i += n;
    }
    if (list.empty())
        return list;
    if (bars_at_end < 2)
        list.append(2, '\0');
    list += '\0'; // a list with an odd number of fields still ends in an empty string
    return list;
}

uint32_t file_dialog_filter_index(int32_t filter_index, bool has_filter) {
    return has_filter ? uint32_t(std::max(filter_index, 0)) + 1 : 0;
}

DWORD file_dialog_flags(const CommonDlgProps& p) {
    using P = CommonDlgProps;
    static constexpr StyleWhen<P> kLogicalFlags[] = {{&P::CreatePrompt, 1, OFN_CREATEPROMPT},
                                                     {&P::FileMustExist, 1, OFN_FILEMUSTEXIST},
                                                     {&P::OverwritePrompt, 1, OFN_OVERWRITEPROMPT},
                                                     {&P::PathMustExist, 1, OFN_PATHMUSTEXIST},
                                                     {&P::KeepCurrentDir, 1, OFN_NOCHANGEDIR}};
    return OFN_HIDEREADONLY | OFN_EXPLORER | OFN_ENABLESIZING | style_bits(p, kLogicalFlags);
}

void copy_truncated(char* buffer, size_t capacity, const std::string& text) {
    if (capacity == 0)
        return;
    size_t used = 0;
    while (used < text.size() && text[used] != '\0') {
        size_t n = char_length(text, used);
        if (used + n > capacity - 1)
            break;
        used += n;
    }
    std::memcpy(buffer, text.data(), used);
    buffer[used] = '\0';
}

int32_t points_to_pixels(int32_t points, int32_t dpi) {
    return MulDiv(points, dpi, 72);
}
int32_t pixels_to_points(int32_t pixels, int32_t dpi) {
    return MulDiv(pixels, 72, dpi);
}

std::string default_help_file(const std::string& program_path) {
    size_t dot = std::string::npos;
    for (size_t i = 0; i < program_path.size(); i += char_length(program_path, i)) {
        char c = program_path[i];
        if (c == '\\' || c == '/' || c == ':')
            dot = std::string::npos;
        if (c == '.')
            dot = i;
    }
    return (dot == std::string::npos ? program_path : program_path.substr(0, dot)) + ".hlp";
}

HelpRequest help_request(int32_t help_command, int32_t help_context) {
    auto with_context = [help_context](UINT command) {
        return help_context != 0 ? HelpRequest{command, ULONG_PTR(help_context), true}
                                 : HelpRequest{HELP_FINDER, 0, true};
    };
    namespace command = forms::choice::HelpCommand;
    switch (std::clamp(help_command, 0, command::kLast)) {
    case command::Context:
        return with_context(HELP_CONTEXT);
    case command::ContextPopup:
        return with_context(HELP_CONTEXTPOPUP);
    case command::ForceFile:
        return {HELP_FORCEFILE, 0, true};
    case command::HelpOnHelp:
        return {HELP_HELPONHELP, 0, false};
    case command::Quit:
        return {HELP_QUIT, 0, false};
    default:
        return {HELP_FINDER, 0, true};
    }
}

// ---- the unit object ------------------------------------------------------------------

CommonDlg::CommonDlg(const forms::CreateParams& params, const CommonDlgProps& props)
    : KindUnit(params.window_id, params.unit_id, &kCommonDlgType, props),
      design_mode_(params.design_mode != 0) {}

CommonDlg* CommonDlg::create(const forms::CreateParams& params) {
    CommonDlgProps props;
    if (!forms::read_block(params.block, params.block_size, props) ||
        !register_object_class(kCommonDlgClass, CS_DBLCLKS))
        return nullptr;
    HWND hwnd =
        create_control(params, 0, kCommonDlgClass, nullptr, params.design_mode ? WS_BORDER : 0);
    if (!hwnd)
        return nullptr;
    auto* dlg = new CommonDlg(params, props);
    dlg->attach(hwnd);
    return dlg;
}

// Clamps and copies as the table says; no write needs a new window and none
// changes the hidden window.
int32_t CommonDlg::write(int32_t index, const PropValue& value) {
    return write_by_table(props_, index, value, design_mode_, [](int32_t, const PropValue&) {});
}

int32_t CommonDlg::read(int32_t index, uint32_t result[2]) {
    return read_by_table(props_, index, result, scratch_);
}

bool CommonDlg::open() {
    namespace type = forms::choice::DialogType;
    switch (props_.DialogType) {
    case type::Open:
    case type::Save:
        return open_file_dialog();
    case type::Font:
        return open_font_dialog();
    default:
        return open_help();
    }
}

// The dialogs are modal to the control's top-level window, so that the window
// cannot start a second dialog or other work while one is open.
HWND CommonDlg::dialog_owner() const {
    HWND root = GetAncestor(handle(), GA_ROOT);
    return root != handle() ? root : nullptr;
}

bool CommonDlg::open_file_dialog() {
    // Everything the dialog reads is copied first: a handler running during the
    // dialog may destroy this object.
    const CommonDlgProps p = props_;
    const std::wstring filter = system_text::to_wide(file_dialog_filter(p.Filter));
    wchar_t file[kFileBufferSize] = {};
    const std::wstring initial = system_text::to_wide(p.FileName);
    initial.copy(file, std::min(initial.size(), kFileBufferSize - 1));
    wchar_t file_title[kFileTitleSize] = {};
    const std::wstring initial_dir = system_text::to_wide(p.InitialDir);
    const std::wstring title = system_text::to_wide(p.Title);
    const std::wstring default_ext = system_text::to_wide(p.DefaultExt);

    OPENFILENAMEW ofn{};
    ofn.lStructSize = 76; // the size without the places-bar fields
    ofn.hwndOwner = dialog_owner();
    ofn.lpstrFilter = filter.empty() ? nullptr : filter.data();
    ofn.nFilterIndex = file_dialog_filter_index(p.FilterIndex, !filter.empty());
    ofn.lpstrFile = file;
    ofn.nMaxFile = kFileBufferSize;
    ofn.lpstrFileTitle = file_title;
    ofn.nMaxFileTitle = kFileTitleSize;
    ofn.lpstrInitialDir = or_none(initial_dir);
    ofn.lpstrTitle = or_none(title);
    ofn.lpstrDefExt = or_none(default_ext);
    ofn.Flags = file_dialog_flags(p);

    HWND self = handle();
    const auto open_file =
        on_demand<decltype(&GetOpenFileNameW)>("comdlg32.dll", "GetOpenFileNameW");
    const auto save_file =
        on_demand<decltype(&GetSaveFileNameW)>("comdlg32.dll", "GetSaveFileNameW");
    const auto run_dialog = p.DialogType == forms::choice::DialogType::Open ? open_file : save_file;
    BOOL ok = run_dialog && run_dialog(&ofn);
    if (!ok || !still_alive(self))
        return false;
    file[kFileBufferSize - 1] = L'\0';
    // A name GBK cannot hold keeps '?' for what it lacks: never a name of
    // another existing file (Windows file names hold no '?').
    props_.FileName = system_text::from_wide(file);
    return true;
}

bool CommonDlg::open_font_dialog() {
    const CommonDlgProps p = props_;
    const int32_t dpi = screen_dpi();
    LOGFONTA font{};
    if (p.Bold == 1)
        font.lfWeight = FW_BOLD;
    font.lfItalic = p.Italic == 1;
    font.lfUnderline = p.Underline == 1;
    font.lfStrikeOut = p.StrikeOut == 1;
    copy_truncated(font.lfFaceName, sizeof font.lfFaceName, p.FontName);
    if (p.FontSize != 0)
        font.lfHeight = -points_to_pixels(p.FontSize, dpi);
    LOGFONTW wide_font = system_text::to_wide(font);

    CHOOSEFONTW choose{};
    choose.lStructSize = sizeof choose;
    choose.hwndOwner = dialog_owner();
    choose.lpLogFont = &wide_font;
    choose.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT;
    choose.rgbColors = p.FontColor;

    HWND self = handle();
    const auto choose_font = on_demand<decltype(&ChooseFontW)>("comdlg32.dll", "ChooseFontW");
    if (!choose_font || !choose_font(&choose) || !still_alive(self))
        return false;
    font = system_text::from_wide(wide_font);
    props_.FontColor = choose.rgbColors;
    props_.Bold = font.lfWeight >= FW_BOLD ? 1 : 0;
    props_.Italic = font.lfItalic ? 1 : 0;
    props_.StrikeOut = font.lfStrikeOut ? 1 : 0;
    props_.Underline = font.lfUnderline ? 1 : 0;
    props_.FontName = font.lfFaceName;
    props_.FontSize = pixels_to_points(int32_t(std::abs(int64_t(font.lfHeight))), dpi);
    return true;
}

bool CommonDlg::open_help() {
    const auto* window = reinterpret_cast<const UnitObject*>(
        uintptr_t(library_request(Library::Base, request::FindUnitObject, window_id(), 0)));
    HWND owner = window ? window->handle() : nullptr;
    if (!owner || !IsWindow(owner))
        return false;
    HelpRequest request = help_request(props_.HelpCommand, props_.HelpContext);
    std::string file;
    if (request.needs_file) {
        file = props_.HelpFile.empty() ? default_help_file(program_path()) : props_.HelpFile;
        if (!is_file(file))
            return false;
    }
    if (request.command == HELP_QUIT) {
        RemovePropW(owner, kHelpOpenProp);
    } else {
        SetPropW(owner, kHelpOpenProp, reinterpret_cast<HANDLE>(1));
        help_window_ = owner;
    }
    const std::wstring wide_file = system_text::to_wide(file);
    WinHelpW(owner, request.needs_file ? wide_file.c_str() : nullptr, request.command,
             request.data);
    return true;
}

LRESULT CommonDlg::on_message(UINT msg, WPARAM wp, LPARAM lp) {
    // The window closes help when it is destroyed; it is destroyed before its
    // children, so a flag still set here means no one closed help yet.
    if (msg == WM_DESTROY && help_window_ && IsWindow(help_window_) &&
        RemovePropW(help_window_, kHelpOpenProp))
        WinHelpW(help_window_, nullptr, HELP_QUIT, 0);
    return call_previous(msg, wp, lp);
}

// ---- routines and the Open command ------------------------------------------------------

void* common_dlg_interface(int32_t number) {
    return kind_interface<CommonDlg>(number);
}

void cmd_common_dlg_open(TypedValue* result, int32_t argc, const TypedValue* args) {
    *result = make_bool(false);
    TypedValue unit = argument(argc, args, 0);
    auto* object = reinterpret_cast<UnitObject*>(
        uintptr_t(library_request(Library::Base, request::RequireUnitObject, unit.low, unit.high)));
    if (auto* dlg = dynamic_cast<CommonDlg*>(object))
        *result = make_bool(dlg->open());
}

} // namespace vantor::controls
