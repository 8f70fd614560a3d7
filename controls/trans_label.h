// The `TransLabel` kind: text drawn straight over whatever lies beneath, with no
// background of its own. It takes neither clicks nor the focus and raises no events.
#pragma once

#include <windows.h>

#include <string>

#include "controls/common.h"
#include "controls/kind_unit.h"
#include "forms/blocks.h"
#include "forms/win32/unit_object.h"

namespace vantor::controls {

class TransLabelUnit : public KindUnit<forms::TransLabelProps> {
  public:
    static constexpr char kClassName[] = "VantorTransLabel";

    // Routine 1. Null when the block cannot be read or the control not created.
    static UnitObject* create(const forms::CreateParams& params);

    // Property written (never asks for re-creation) and read, by the full index.
    int32_t write(int32_t index, const forms::PropValue& value);
    int32_t read(int32_t index, uint32_t result[2]);

    // The caption as the label shows it: wide, without the "&" that marks the
    // next character as a mnemonic ("&&" shows one "&").
    std::wstring shown_caption() const;

    // Erases what the label drew by repainting everything beneath it, then has
    // it draw again: a changed or moved text leaves no trace.
    void redraw_through();

  protected:
    LRESULT on_message(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    TransLabelUnit(uint32_t window_id, uint32_t unit_id);
    void paint();
    // Realises Font at the window's DPI (creation, Font writes, DPI changes).
    void apply_font();

    GdiOwner<HFONT> font_; // realised Font; null means DEFAULT_GUI_FONT
};

// The caption, as shown, of the transparent label that names `control` among
// its visible siblings (forms/naming_label.h), for assistive technology: the
// system would name a control by the static text before it in z-order, but a
// form stacks each control above its label, and these labels are no statics.
// False when no label names it.
bool naming_label_caption(HWND control, std::wstring& caption);

// The DrawTextW format of the stored alignment and wrapping values.
UINT trans_label_format(int32_t halign, int32_t valign, int32_t word_wrap);

} // namespace vantor::controls
