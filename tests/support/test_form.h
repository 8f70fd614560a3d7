// The window, button and label tests' form: one window and its controls created
// through their kinds' create routines and entered in the kernel's window table
// like a load would; key presses through the runtime's pre-translation; test
// images and fonts.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "controls/button.h"
#include "controls/trans_label.h"
#include "controls/window_kind.h"
#include "forms/blocks.h"
#include "forms/win32/unit_type.h"
#include "runtime/allocator.h"
#include "tests/support/plain_program.h"
#include "tests/support/sequence.h"
#include "tests/support/win32.h"

namespace vantor::testing {

inline constexpr COLORREF kRed = RGB(255, 0, 0);
inline constexpr COLORREF kGreen = RGB(0, 255, 0);
inline constexpr COLORREF kBlue = RGB(0, 0, 255);
inline constexpr COLORREF kWhite = RGB(255, 255, 255);
inline constexpr COLORREF kBlack = RGB(0, 0, 0);

// A window placed at its stored geometry with `caption` and background colour
// `back` (0xFF000000: the system's button face).
forms::WindowProps window_props(const char* caption, uint32_t back = 0xFF000000);
// window_props("Test") changed by `set(props)`.
template <class F> forms::WindowProps window_with(F set) {
    forms::WindowProps p = window_props("Test");
    set(p);
    return p;
}

// A window's screen rectangle as {left, top, width, height}.
std::array<LONG, 4> screen_box(HWND h);
// The width of an icon's image.
int icon_width(HICON icon);

struct ControlDesc {
    uint32_t kind;
    int left, top, width, height;
    std::vector<uint8_t> block; // kind-specific block; empty = all defaults
    uint32_t state = 1 | 4;     // visible, tab stop
    uint32_t tab_order = 0;
};

ControlDesc button(int left, int top, int width, int height, const forms::ButtonProps& props,
                   uint32_t tab_order = 0, uint32_t state = 1 | 4);
ControlDesc label(int left, int top, int width, int height, const forms::TransLabelProps& props,
                  uint32_t tab_order = 0);
// A button or label with only its caption (and button type: 1 is a default button) set.
ControlDesc button(int left, int top, int width, int height, const char* caption,
                   uint32_t tab_order = 0, int type = 0, uint32_t state = 1 | 4);
ControlDesc label(int left, int top, int width, int height, const char* caption,
                  uint32_t tab_order = 0);

struct FormOptions {
    bool modal = false;
    HWND owner = nullptr;
    // Forms alive at the same time need their own ids: form n has window id
    // kWindowId + n and unit ids + n * 0x100 (its window unit shows as "w<n>").
    uint32_t number = 0;
};

// One window with controls, created as a load would create them (window first,
// controls from the last to the first, stored order = stacking order, first on
// top), entered in the kernel's window table. Destroyed with the object.
class TestForm {
  public:
    TestForm(const forms::WindowProps& props, RECT geometry,
             const std::vector<ControlDesc>& controls = {}, FormOptions options = {});
    ~TestForm();
    TestForm(const TestForm&) = delete;
    TestForm& operator=(const TestForm&) = delete;

    bool ok() const { return window_ != nullptr; }
    controls::WindowUnit* window() const { return window_; }
    uint32_t window_id() const { return kWindowId + number_; }
    uint32_t window_unit_id() const { return kWindowUnitId + number_ * 0x100; }
    uint32_t control_unit_id(size_t i) const {
        return kFirstControlId + number_ * 0x100 + uint32_t(i);
    }
    HWND hwnd() const { return hwnd_; }
    LONG style() const { return GetWindowLongA(hwnd_, GWL_STYLE); }
    LONG ex_style() const { return GetWindowLongA(hwnd_, GWL_EXSTYLE); }
    UnitObject* control(size_t i) const { return controls_[i]; }
    HWND control_hwnd(size_t i) const { return controls_[i] ? controls_[i]->handle() : nullptr; }
    // Shows the window (and its visible controls), activates it and pumps.
    void show();

    // Routines 4 and 6 of a unit (nullptr = the window).
    int32_t write(UnitObject* unit, int32_t index, uint32_t word0, uint32_t word1 = 0);
    int32_t write_text(UnitObject* unit, int32_t index, const char* text);
    uint32_t read(UnitObject* unit, int32_t index, uint32_t* second = nullptr);

    // A value written to property `index` and the value then read back.
    struct WriteRead {
        int32_t index, written;
        uint32_t read;
    };
    // Writes each row's value to `unit`, expecting no request for re-creation,
    // and expects its value read back.
    void expect_read_back(UnitObject* unit, std::initializer_list<WriteRead> rows);

  private:
    uint32_t number_ = 0;
    controls::WindowUnit* window_ = nullptr;
    HWND hwnd_ = nullptr;
    std::vector<UnitObject*> controls_;
};

// The unit's current property block (routine 5), read back into `out`.
template <class Props> bool current_props(UnitObject* unit, Props& out) {
    auto serialise = reinterpret_cast<forms::SerialiseRoutine>(
        unit->type()->routine(forms::routine::CurrentData));
    uint8_t* block = nullptr;
    uint32_t size = 0;
    const bool read = serialise(unit, &block, &size) && forms::read_block(block, size, out);
    mem_free(block);
    return read;
}

// Posts a key press to the focused window (or `target`) with the given Shift
// state and lets the runtime's loop pre-translate and dispatch it.
void press_key(WPARAM vk, bool shift = false, HWND target = nullptr);
// Alt + key as the system delivers it (WM_SYSKEYDOWN with the context bit).
void press_alt_key(WPARAM vk, HWND target = nullptr);

std::vector<uint8_t> solid_bmp(int w, int h, COLORREF color);
// An image file of `container` format (GUID_ContainerFormatPng, ...) made by the
// platform's encoder from the pixels `argb(x, y)` gives; empty on failure.
std::vector<uint8_t> encode_image(const GUID& container, int w, int h,
                                  uint32_t (*argb)(int x, int y));
// The project's icon file (several sizes, BMP and PNG images).
std::vector<uint8_t> project_icon();

std::vector<uint8_t> logfont_bytes(const char* face, int height, int weight = FW_NORMAL);

} // namespace vantor::testing
