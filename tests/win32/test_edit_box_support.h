// Shared by the edit box and common dialog tests: a plain parent window that
// reflects notifications to its children, a stand-in runtime request entry that
// records raised events and finds units, screen captures, and a second thread
// that operates a modal dialog of this process as a user would.
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

#include "forms/unit_object.h"
#include "forms/unit_type.h"

namespace vantor::test {

inline constexpr uint32_t kWindowId = 0x52010003;
inline constexpr uint32_t kUnitId = 0x16010004;

struct RaisedEvent {
    uint32_t window_id;
    uint32_t unit_id;
    int32_t event;
    std::vector<uint32_t> args;
};

// Installs itself as Baselib's runtime request entry for its lifetime: records
// requests 2008 (events) and 2000 (unit destroyed), and answers 2006/2007 from
// the units added.
class FakeRuntime {
  public:
    FakeRuntime();
    ~FakeRuntime();
    void add_unit(uint32_t window_id, uint32_t unit_id, UnitObject* object);
    // Event numbers raised so far, in order.
    std::vector<int32_t> event_numbers() const;
    int count(int32_t event) const;

    std::vector<RaisedEvent> events;
    std::vector<std::pair<uint32_t, uint32_t>> destroyed;
    std::map<std::pair<uint32_t, uint32_t>, UnitObject*> units;

  private:
    static uint32_t request(int32_t code, uint32_t first, uint32_t second);
};

// A visible top-level window whose WM_COMMAND, WM_NOTIFY, WM_CTLCOLOR* and scroll
// messages are reflected to the child that sent them.
class Host {
  public:
    Host();
    ~Host();
    HWND hwnd() const { return hwnd_; }

  private:
    HWND hwnd_;
};

// Processes every pending message of this thread.
void pump();

// Create parameters for a control at (x, y, w, h) on `parent` with control id 100.
forms::CreateParams create_params(const std::vector<uint8_t>& block, HWND parent, int x, int y,
                                  int w, int h);

// The pixels of a window (frame included), row by row, as COLORREFs.
struct Capture {
    int width = 0, height = 0;
    std::vector<COLORREF> pixels;
    COLORREF at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};
Capture capture_window(HWND hwnd);

std::string window_text(HWND hwnd);

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
void press(HWND dialog, int id);

} // namespace vantor::test
