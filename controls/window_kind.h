// The `window` kind: a loaded top-level form. Creation from its stored block,
// its 24 own properties, its events, background painting, shapes, sound and the
// keyboard handling of the whole window (Tab order, Enter, Esc, F1, mnemonics).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "controls/common.h"
#include "controls/kind_unit.h"
#include "controls/picture.h"
#include "forms/blocks.h"
#include "forms/win32/unit_object.h"

namespace vantor::controls {

// Plays a window's BackSound: RIFF WAVE data through PlaySoundW from memory,
// MIDI through MCI from a temporary file. One player per window.
class BackSoundPlayer {
  public:
    enum class Format { None, Wave, Midi };
    static Format format_of(const std::vector<uint8_t>& data);

    ~BackSoundPlayer() { stop(); }
    // Starts `data` (mode 0 repeats, 1 plays once, anything else nothing);
    // `notify` receives MM_MCINOTIFY for MIDI repetition.
    void start(const std::vector<uint8_t>& data, int32_t mode, HWND notify);
    void stop();
    // MM_MCINOTIFY: plays MIDI again when it was set to repeat.
    void on_mci_notify(WPARAM flags, LPARAM device);
    Format playing() const { return playing_; }

  private:
    Format playing_ = Format::None;
    std::vector<uint8_t> wave_; // PlaySoundW reads it while playing
    std::wstring midi_file_;
    UINT midi_device_ = 0;
    bool repeat_ = false;
    HWND notify_ = nullptr;
};

// One key of the Tab order: the stored tab-order number, then the stored position.
struct TabEntry {
    UnitObject* unit;
    uint32_t index; // position among the window's units (control order)
    uint32_t tab_order;
    bool candidate; // can take the focus by Tab now
};

class WindowUnit : public KindUnit<forms::WindowProps> {
  public:
    // Routine 1. Null when the block cannot be read or the window not created.
    static UnitObject* create(const forms::CreateParams& params);

    // Property written and read by the full index; a write never asks for
    // re-creation.
    int32_t write(int32_t index, const forms::PropValue& value);
    int32_t read(int32_t index, uint32_t result[2]);
    // Routine 7.
    static void* extra_routine(int32_t number);

    // The close request of WM_CLOSE (see set_close_request).
    void request_close();
    // Raises events 12 and 1; false when a handler of either returned false.
    bool close_allowed();

    // The window's units other than itself, in control order, with their live
    // objects; from the stored records of the window table when the window is
    // there, else from the child windows (stacking order) and their styles.
    std::vector<TabEntry> units() const;
    // Moves the focus by Tab order from the focused control (forward or back),
    // wrapping; false when there is no candidate.
    bool move_focus(bool forward);
    // Focus to the candidate with the smallest tab order; false when none.
    bool focus_first_candidate();

    HRGN shape_copy() const { return shape_copy_; }
    HICON large_icon() const { return large_icon_; }
    HICON small_icon() const { return small_icon_; }
    bool picture_cached() const { return picture_decoded_; }
    const BackSoundPlayer& sound() const { return sound_; }

    bool pre_translate(MSG& msg) override;

  protected:
    LRESULT on_message(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    WindowUnit(uint32_t window_id, uint32_t unit_id, uint32_t design_mode);
    ~WindowUnit() override;

    void apply(int32_t index);
    // After creation: icons, shape, font, topmost, system menu and background sound.
    void apply_created_state();
    void apply_title_styles();
    void apply_border_styles();
    void apply_icons();
    void apply_shape(bool force);
    void apply_topmost();
    void apply_position();
    void apply_movable(bool reset);
    void start_sound();

    void paint();
    void paint_background(HDC dc, const RECT& clip);
    // The system's colours or high contrast changed: the window and its controls
    // are drawn again in the new ones (`forward`: the controls are told too).
    void on_colors_changed(bool forward);
    HBITMAP picture_bitmap(COLORREF background);
    void drop_picture();
    // Destroys the icons made from Icon (program icons are shared) and forgets them.
    void drop_icons();

    void print_client(HDC dc);
    bool on_query_end_session(LRESULT& answer);
    void on_destroy();
    bool drag_by_client(LPARAM lp);
    void on_activate(WPARAM wp, LPARAM lp);
    void on_dpi_changed(int32_t dpi, const RECT& suggested);
    void on_set_focus();
    UnitObject* focused_unit() const;
    bool key_wanted(UnitObject* unit, const MSG& msg) const;
    bool on_key(const MSG& msg);
    bool on_enter(UnitObject* focused);
    bool on_mnemonic(char key);
    bool focus_after(const TabEntry* from, bool forward);
    void open_help();

    uint32_t design_mode_ = 0;
    HICON large_icon_ = nullptr; // null or made from Icon; program icons are shared
    HICON small_icon_ = nullptr;
    bool own_icons_ = false;
    HRGN shape_copy_ = nullptr;
    // BackPicture, decoded on first paint and kept until the property changes.
    bool picture_decoded_ = false;
    bool picture_failed_ = false;
    Pixels picture_;
    HBITMAP composed_ = nullptr;
    COLORREF composed_color_ = 0;
    BackSoundPlayer sound_;
    bool help_open_ = false;
    std::wstring help_file_;
    HWND last_focus_ = nullptr; // child that had the focus at deactivation
    bool activated_once_ = false;
    bool in_activation_ = false;
};

// The non-rectangular outline of `shape` (1..29) for a window of w x h pixels;
// null for 0 and out-of-range values.
HRGN make_shape_region(int32_t shape, int w, int h);
// The stored point list of polygon shape 4..29 (pairs 0..32767); empty for any
// other value.
std::vector<POINT> shape_points(int32_t shape);

// Where WM_CLOSE goes when set. Otherwise a window loaded by the form engine
// (installed and holding this window) closes through the engine's close
// request, and any other window through default_close_request: events 12 and
// 1, then destruction unless a handler of either returned false. Null restores
// that choice.
using CloseRequest = void (*)(WindowUnit& window);
void set_close_request(CloseRequest request);
void default_close_request(WindowUnit& window);

// The program's own icon pair (icon resource 1 of the executable; shared, never
// destroyed) at the icon sizes of `dpi` (0: the system's); null when the
// program has none.
HICON program_icon(bool small, int32_t dpi = 0);

} // namespace vantor::controls
