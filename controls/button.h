// The `Button` kind: a push button whose click, got-focus and lost-focus raise
// events 0, -7 and -8; an optional picture replaces the caption.
#pragma once

#include <windows.h>

#include "controls/common.h"
#include "forms/blocks.h"
#include "forms/unit_object.h"

namespace vantor::controls {

class ButtonUnit : public UnitObject {
  public:
    // Routine 1. Null when the block cannot be read or the control not created.
    static UnitObject* create(const forms::CreateParams& params);

    const forms::ButtonProps& props() const { return props_; }
    // Routines 4 and 6 (index is the property index minus 8); 4 returns 1 for
    // Picture, which needs a new control.
    int32_t write(int32_t index, const forms::PropValue* value);
    int32_t read(int32_t index, uint32_t result[2]);
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

    forms::ButtonProps props_;
    Picture picture_;
    HFONT font_ = nullptr; // realised Font; null means DEFAULT_GUI_FONT
};

// Style bits of the stored alignment values (anything out of range: right, bottom).
uint32_t button_halign_style(int32_t halign);
uint32_t button_valign_style(int32_t valign);

} // namespace vantor::controls
