// The `Button` kind: a push button whose click, got-focus and lost-focus raise
// events 0, -7 and -8; an optional picture replaces the caption.
#pragma once

#include <windows.h>

#include <string>

#include "controls/common.h"
#include "controls/kind_unit.h"
#include "controls/picture.h"
#include "forms/blocks.h"
#include "forms/win32/unit_object.h"

namespace vantor::controls {

class ButtonUnit : public KindUnit<forms::ButtonProps> {
  public:
    // Routine 1. Null when the block cannot be read or the control not created.
    static UnitObject* create(const forms::CreateParams& params);

    // Property written and read by the full index; write returns 1 when the
    // form engine must re-create the button (a Picture write).
    int32_t write(int32_t index, const forms::PropValue& value);
    int32_t read(int32_t index, uint32_t result[2]);
    // Routine 10.
    static void* extra_routine(int32_t number);
    // Routine 10: the live style is a default push button.
    bool is_default() const;
    // What the button shows instead of its caption (null without a picture).
    HBITMAP image_bitmap() const { return picture_.bitmap; }
    HICON image_icon() const { return picture_.icon; }

    bool on_reflected(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

  protected:
    LRESULT on_message(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    ButtonUnit(uint32_t window_id, uint32_t unit_id);
    ~ButtonUnit() override;
    void apply_font();
    void apply(int32_t index);

    Picture picture_;
    GdiOwner<HFONT> font_; // realised Font; null means DEFAULT_GUI_FONT
};

// Style bits of the stored alignment values (anything out of range: right, bottom).
uint32_t button_halign_style(int32_t halign);
uint32_t button_valign_style(int32_t valign);

} // namespace vantor::controls
