// The EditBox kind: a subclassed system EDIT control with input modes, colours,
// a vertically centred single line and an optional up-down (spin) control.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "controls/common.h"
#include "controls/kind_unit.h"
#include "forms/blocks.h"
#include "forms/win32/unit_object.h"
#include "forms/win32/unit_type.h"

namespace vantor::controls {

// Interface routine of the EditBox unit type: routines 1, 4, 5, 6, 8 and 9 as
// void*, null for any other number.
void* edit_box_interface(int32_t number);

// Events of the kind besides the common -7 and -8.
inline constexpr int32_t kEditEventChanged = event::Changed;
inline constexpr int32_t kEditEventSpin = event::SpinPressed;

// The form engine's after-load notification; lParam names a data provider or is 0.
inline constexpr UINT kMsgAfterLoad = unit_message::UnitsCreated;

class EditSpin;

class EditBox final : public KindUnit<forms::EditBoxProps> {
  public:
    // Routine 1: null when the block cannot be read or the EDIT cannot be created.
    static EditBox* create(const forms::CreateParams& params);
    ~EditBox() override;

    // Property written, by the full index: 1 when the form engine must re-create
    // the control.
    int32_t write(int32_t index, const forms::PropValue& value);
    // Property read, by the full index: texts as pointers to this object's
    // strings, valid until the next read or write. 0 for an unknown index.
    int32_t read(int32_t index, uint32_t result[2]);
    // Routine 5: the current values with the live text and selection.
    forms::EditBoxProps current_props();
    // Routine 8: Enter in an editable multi-line box.
    bool wants_key(const MSG& msg) const;
    static void* extra_routine(int32_t number);

    HWND spin_handle() const;

    bool on_reflected(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    // The up-down control was pressed: delta > 0 up, < 0 down.
    void on_spin(int32_t delta);

  protected:
    LRESULT on_message(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    EditBox(const forms::CreateParams& params, const forms::EditBoxProps& props);

    bool single_line() const;
    std::string window_text() const;
    LRESULT on_char(WPARAM wp, LPARAM lp);
    void on_notification(WORD code);
    void apply(int32_t index, const forms::PropValue& value);
    void normalise_on_kill_focus();

    void apply_font();
    void apply_border_style();
    // The border styles of BorderStyle; true when they changed.
    bool set_border_styles();
    void apply_password_char();
    void set_background_brush();
    // The mapped BackColor's brush; the system's window brush in high contrast.
    HBRUSH background_brush() const;
    void select(int32_t start, int32_t length);
    int32_t text_length_in_positions() const;
    std::string selected_text() const;
    int32_t font_text_height(HFONT font, const char* sample); // GBK sample

    // Non-client handling of the single-line box (edit_frame.cpp).
    bool on_frame_message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    void centre_client(RECT& client);
    void paint_background_band();

    // Spin control (spin.cpp).
    void create_spin(bool disabled);
    void place_spin();
    void show_spin(bool shown);
    void set_spin_range();
    void set_spin_edge();

    void rebind(const char* provider_name);

    bool design_mode_;
    GdiOwner<HFONT> font_; // realised Font; null means DEFAULT_GUI_FONT
    GdiOwner<HBRUSH> brush_;
    bool setting_text_ = false;
    EditSpin* spin_ = nullptr;
    HFONT measured_font_ = nullptr; // cache of the "W" height for WM_NCCALCSIZE
    int32_t measured_height_ = 0;
    RECT frame_{}; // widths of the default frame, from the last WM_NCCALCSIZE
};

// The up-down control attached to a single-line box: a sibling of the box that
// forwards its change notification to it. It shares the box's ids but is not a
// unit of its own, so it never reports a destruction to the form engine.
class EditSpin final : public UnitObject {
  public:
    EditSpin(EditBox* owner, HWND hwnd, bool automatic_integer);
    bool automatic_integer() const { return automatic_integer_; }
    bool on_reflected(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

  protected:
    // The box owns and deletes this object; nothing is reported.
    void on_final_destroy() override {}

  private:
    EditBox* owner_;
    bool automatic_integer_;
};

// A sample two-byte character: the box must be tall enough for Chinese text.
inline constexpr char kChineseSample[] = "国";

// Recomputes and redraws the non-client area without moving anything.
void refresh_frame(HWND hwnd);

// The extended window styles that draw BorderStyle `border` (WS_BORDER, style
// 5, is a plain style the box sets itself).
DWORD border_ex_style(int32_t border);

} // namespace vantor::controls
