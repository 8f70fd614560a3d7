// What the Win32 test programs share: the one stand-in for the runtime's
// request entry, the message pump, a host window for controls, screen captures,
// and a second thread that operates a modal dialog as a user would.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "forms/win32/unit_object.h"
#include "forms/win32/unit_type.h"
#include "runtime/value.h" // word_of
#include "tests/support/driver.h"

namespace vantor::testing {

// Ids of the window and units the tests create: the launcher's window id, its
// own unit, and the controls numbered from kFirstControlId.
inline constexpr uint32_t kWindowId = 0x52010003;
inline constexpr uint32_t kWindowUnitId = 0x06010002;
inline constexpr uint32_t kFirstControlId = 0x16010004;
inline constexpr uint32_t kUnitId = kFirstControlId; // the one control of a host

struct RaisedEvent {
    uint32_t window_id;
    uint32_t unit_id;
    int32_t event;
    std::vector<uint32_t> args;
};

// Baselib's runtime request entry for the object's lifetime, standing in for
// the runtime: raised events (2008) are recorded, the action set with on()
// runs and the result set with answer() is given; destroyed units (2000) are
// recorded; find-unit requests (2006, 2007) are answered from add_unit();
// pending messages (2018) are pumped. Other requests give 0.
class FakeRequests {
  public:
    FakeRequests();
    ~FakeRequests();
    FakeRequests(const FakeRequests&) = delete;
    FakeRequests& operator=(const FakeRequests&) = delete;

    void add_unit(uint32_t window_id, uint32_t unit_id, UnitObject* object);
    void answer(uint32_t unit_id, int32_t event, uint32_t result);
    // Runs `action` as the handler of (unit, event), before the result is given.
    void on(uint32_t unit_id, int32_t event, std::function<void()> action);
    void clear() { events.clear(); }

    int count(int32_t event) const;
    int count(uint32_t unit_id, int32_t event) const;
    std::vector<int32_t> event_numbers() const;
    // "unit:event" per event, e.g. "w:12", "1:0" (w = the window's own unit, n =
    // control n counted from 0; of form k: "wk", "k.n"); only the events in
    // `only` when given.
    std::vector<std::string> lines(const std::vector<int32_t>& only = {}) const;
    // The lines joined with blanks.
    std::string text(const std::vector<int32_t>& only = {}) const;

    std::vector<RaisedEvent> events;
    std::vector<std::pair<uint32_t, uint32_t>> destroyed; // (window id, unit id)
    std::map<std::pair<uint32_t, uint32_t>, UnitObject*> units;
    std::map<std::pair<uint32_t, int32_t>, uint32_t> replies;
    std::map<std::pair<uint32_t, int32_t>, std::function<void()>> actions;

  private:
    static uint32_t request(int32_t code, uint32_t first, uint32_t second);
};

// Processes pending messages (the runtime's pre-translation, WM_QUIT left
// queued), and goes on doing so for `ms`.
void pump(DWORD ms = 0);

// Asks the runtime to call `routine` with `argument` when the message loop of
// `window`'s thread goes idle (the request copies its record); what it gives.
uint32_t add_idle_routine(HWND window, void (*routine)(uint32_t), uint32_t argument);

// A visible top-level window whose WM_COMMAND, WM_NOTIFY, WM_CTLCOLOR* and
// scroll messages are reflected to the child that sent them.
class Host {
  public:
    Host();
    ~Host();
    HWND hwnd() const { return hwnd_; }

  private:
    HWND hwnd_;
};

// Create parameters for a control at (x, y, w, h) on `parent` with control id 100.
forms::CreateParams create_params(const std::vector<uint8_t>& block, HWND parent, int x, int y,
                                  int w, int h);

// Routine `number` of a kind's interface routine, as the routine type R.
template <class R> R kind_routine(forms::InterfaceRoutine kind, int32_t number) {
    return reinterpret_cast<R>(kind(number));
}

// A unit of `kind` created through its create routine at (10, 10, w, h) on
// `parent`, shown without activation, its creation's messages pumped.
UnitObject* create_unit(forms::InterfaceRoutine kind, const std::vector<uint8_t>& block,
                        HWND parent, int w = 150, int h = 24);

// Pixels of a window as shown on the screen, row by row.
struct Capture {
    int width = 0, height = 0;
    std::vector<COLORREF> pixels;
    COLORREF at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    // Pixels in [x0, x1) x [y0, y1) that differ from `color` / that are `color`.
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
// The whole window after it has been redrawn completely.
Capture capture_redrawn(HWND hwnd);

std::string hex(COLORREF c);

// Runs `act` on a second thread with the first visible dialog window (class
// #32770) of this process that is not `except`, as soon as it appears. If the
// dialog is still open 5 s after `act`, it is cancelled so the test cannot hang.
class DialogDriver {
  public:
    explicit DialogDriver(std::function<void(HWND)> act, HWND except = nullptr);
    ~DialogDriver(); // stops looking and joins
    void stop() { stop_ = true; }
    bool found() const { return found_; }

  private:
    std::function<void(HWND)> act_;
    HWND except_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> found_{false};
    std::thread thread_;
};

// A visible #32770 window of this process other than `except`; waits up to `ms`.
HWND wait_for_dialog(DWORD ms, HWND except = nullptr, const std::atomic<bool>* stop = nullptr);
// The edit box that takes the file name in a file dialog (Windows or Wine layout).
HWND file_name_edit(HWND dialog);

// A 24-bit BMP file of w x h pixels; `color(x, y)` gives each pixel.
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

} // namespace vantor::testing
