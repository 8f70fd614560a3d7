// Shared by the window, button and label tests: a stand-in runtime that records
// raised events and can answer them with a handler result, a test form (one
// window and its controls created through their kinds' create routines and
// entered in the kernel's window table like a load would), pumping, key
// presses through the runtime's pre-translation, and screen captures.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "controls/button.h"
#include "controls/trans_label.h"
#include "controls/window_kind.h"
#include "forms/blocks.h"
#include "forms/unit_type.h"

namespace vantor::ctest {

inline constexpr uint32_t kWindowId = 0x52010003;
inline constexpr uint32_t kWindowUnitId = 0x06010002;
inline constexpr uint32_t kFirstControlId = 0x16010004;

struct Raised {
    uint32_t unit_id;
    int32_t event;
    std::vector<uint32_t> args;
};

// Baselib's request entry for its lifetime: records events (2008) and destroyed
// units (2000); a reply set with answer() becomes the handler's result.
class EventLog {
  public:
    EventLog();
    ~EventLog();
    void answer(uint32_t unit_id, int32_t event, uint32_t result);
    // Runs `action` as the handler of (unit, event), before the reply is given.
    void on(uint32_t unit_id, int32_t event, std::function<void()> action);
    void clear() { events.clear(); }
    // "unit:event" items separated by spaces, e.g. "w:12 w:1 1:0" (w = the
    // window's own unit, n = control n counted from 0; of form k: "wk", "k.n"),
    // optionally only the events in `only`.
    std::string text(const std::vector<int32_t>& only = {}) const;
    int count(uint32_t unit_id, int32_t event) const;

    std::vector<Raised> events;
    std::vector<uint32_t> destroyed;
    std::map<std::pair<uint32_t, int32_t>, uint32_t> replies;
    std::map<std::pair<uint32_t, int32_t>, std::function<void()>> actions;

  private:
    static uint32_t request(int32_t code, uint32_t first, uint32_t second);
};

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
    UnitObject* control(size_t i) const { return controls_[i]; }
    HWND control_hwnd(size_t i) const { return controls_[i] ? controls_[i]->handle() : nullptr; }
    // Shows the window (and its visible controls), activates it and pumps.
    void show();

    // Routines 4 and 6 of a unit (nullptr = the window).
    int32_t write(UnitObject* unit, int32_t index, uint32_t word0, uint32_t word1 = 0);
    int32_t write_text(UnitObject* unit, int32_t index, const char* text);
    uint32_t read(UnitObject* unit, int32_t index, uint32_t* second = nullptr);

  private:
    uint32_t number_ = 0;
    controls::WindowUnit* window_ = nullptr;
    HWND hwnd_ = nullptr;
    std::vector<UnitObject*> controls_;
};

// Processes pending messages (with the runtime's pre-translation) for `ms`.
void pump(DWORD ms = 0);

// Posts a key press to the focused window (or `target`) with the given Shift
// state and lets the runtime's loop pre-translate and dispatch it.
void press_key(WPARAM vk, bool shift = false, HWND target = nullptr);
// Alt + key as the system delivers it (WM_SYSKEYDOWN with the context bit).
void press_alt_key(WPARAM vk, HWND target = nullptr);

// Client-area pixels of `hwnd` as shown on the screen.
struct Capture {
    int width = 0, height = 0;
    std::vector<COLORREF> pixels;
    COLORREF at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    // Pixels in [x0, x1) x [y0, y1) that differ from `color`.
    int count_not(COLORREF color, int x0, int y0, int x1, int y1) const;
    int count_of(COLORREF color, int x0, int y0, int x1, int y1) const;
    // Bounding box of the pixels of `color`; empty when none.
    RECT bounds_of(COLORREF color) const;
    // Writes a .bmp next to the test program; returns its path.
    std::string save(const std::string& name) const;
};
Capture capture_client(HWND hwnd);
// The whole window, frame and title bar included.
Capture capture_window(HWND hwnd);

std::string hex(COLORREF c);

// A 24-bit BMP file of w x h pixels; `color(x, y)` gives each pixel.
template <class F> std::vector<uint8_t> bmp_file(int w, int h, F color);
std::vector<uint8_t> solid_bmp(int w, int h, COLORREF color);
// An image file of `container` format (GUID_ContainerFormatPng, ...) made by the
// platform's encoder from the pixels `argb(x, y)` gives; empty on failure.
std::vector<uint8_t> encode_image(const GUID& container, int w, int h,
                                  uint32_t (*argb)(int x, int y));
// The project's icon file (several sizes, BMP and PNG images).
std::vector<uint8_t> project_icon();

std::vector<uint8_t> logfont_bytes(const char* face, int height, int weight = FW_NORMAL);

// ---- template definitions ----
template <class F> std::vector<uint8_t> bmp_file(int w, int h, F color) {
    const int stride = (w * 3 + 3) & ~3;
    const uint32_t image = uint32_t(stride * h);
    std::vector<uint8_t> out(14 + 40 + image, 0);
    auto put32 = [&out](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out[at + i] = uint8_t(v >> (8 * i));
    };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, uint32_t(out.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, uint32_t(w));
    put32(22, uint32_t(h));
    out[26] = 1;
    out[28] = 24;
    put32(34, image);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            COLORREF c = color(x, y);
            size_t at = 54 + size_t(h - 1 - y) * stride + size_t(x) * 3; // bottom-up rows
            out[at] = GetBValue(c);
            out[at + 1] = GetGValue(c);
            out[at + 2] = GetRValue(c);
        }
    return out;
}

} // namespace vantor::ctest
