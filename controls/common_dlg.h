// The CommonDlg kind: a hidden unit that holds the settings of the platform's
// open-file, save-file or font dialog, or of a help request, and its Open method
// that shows the dialog modally and stores the user's choice.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "controls/kind_unit.h"
#include "forms/blocks.h"
#include "forms/win32/unit_object.h"
#include "forms/win32/unit_type.h"
#include "runtime/value.h"

namespace vantor::controls {

// Interface routine of the CommonDlg unit type: routines 1, 4, 5, 6 and 9 as
// void*, null for any other number.
void* common_dlg_interface(int32_t number);

// The Open method is a library command: commands/library.h.

inline constexpr char kCommonDlgClass[] = "_QZ_CommonDlg";
inline constexpr size_t kFileBufferSize = 260;
inline constexpr size_t kFileTitleSize = 64;
// Window property set on a window while help opened for it is open; the window
// closes help (HELP_QUIT) when it is destroyed with the property set.
inline constexpr wchar_t kHelpOpenProp[] = L"Vantor.HelpOpen";

// ---- the dialogs' pure logic --------------------------------------------------------

// The platform's filter list from a Filter text: trailing white space removed, "||"
// appended unless the text ends with it, every "|" turned into a zero byte (the
// trail bytes of two-byte characters are left alone), plus a final zero. Empty when
// the trimmed text is empty, meaning "no file-type list".
std::string file_dialog_filter(const std::string& filter);
// nFilterIndex: FilterIndex + 1 (negative counts as 0) with a list, 0 without.
uint32_t file_dialog_filter_index(int32_t filter_index, bool has_filter);
// OFN_* flags from the logical properties, always Explorer-style and resizable.
DWORD file_dialog_flags(const forms::CommonDlgProps& props);
// Copies at most capacity - 1 bytes of `text` and a terminator, never splitting a
// two-byte character.
void copy_truncated(char* buffer, size_t capacity, const std::string& text);

// Font sizes: points to pixel height and back at `dpi` dots per inch (MulDiv rounding).
int32_t points_to_pixels(int32_t points, int32_t dpi);
int32_t pixels_to_points(int32_t pixels, int32_t dpi);

// The program's own path with its extension replaced by "hlp" (appended when it
// has none).
std::string default_help_file(const std::string& program_path);

// The WinHelpW call for a HelpCommand (clamped 0..5) and HelpContext.
struct HelpRequest {
    UINT command;
    ULONG_PTR data;
    bool needs_file;
};
HelpRequest help_request(int32_t help_command, int32_t help_context);

// ---- the unit object ----------------------------------------------------------------

class CommonDlg final : public KindUnit<forms::CommonDlgProps> {
  public:
    // Routine 1: null when the block cannot be read or the window not created.
    static CommonDlg* create(const forms::CreateParams& params);

    // Property written and read by the full index.
    int32_t write(int32_t index, const forms::PropValue& value);
    int32_t read(int32_t index, uint32_t result[2]);

    // Shows the dialog of DialogType modally; true when confirmed (or help shown).
    bool open();

  protected:
    LRESULT on_message(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    CommonDlg(const forms::CreateParams& params, const forms::CommonDlgProps& props);
    bool open_file_dialog();
    bool open_font_dialog();
    bool open_help();
    HWND dialog_owner() const;
    bool still_alive(HWND self) const { return WindowObject::from_handle(self) == this; }

    bool design_mode_;
    HWND help_window_ = nullptr; // the window help was last opened for
};

} // namespace vantor::controls
