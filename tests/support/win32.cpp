#include "tests/support/win32.h"

#include <algorithm>
#include <cstdio>

#include "forms/win32/events.h"
#include "runtime/protocol.h"
#include "runtime/win32/kernel.h"
#include "runtime/win32/libraries.h"
#include "tests/support/automation.h"
#include "tests/support/driver.h"
#include "tests/support/plain_program.h"

namespace vantor::testing {

namespace {

FakeRequests* g_requests = nullptr;

LRESULT CALLBACK host_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT result = 0;
    if (reflect_notification(msg, wp, lp, result))
        return result;
    return DefWindowProcA(hwnd, msg, wp, lp);
}

bool is_dialog_of_this_process(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[16] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    return pid == GetCurrentProcessId() && std::string(cls) == "#32770" && IsWindowVisible(hwnd);
}

struct DialogSearch {
    HWND except, found;
};

BOOL CALLBACK find_dialog(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<DialogSearch*>(lp);
    if (hwnd == s->except || !is_dialog_of_this_process(hwnd))
        return TRUE;
    s->found = hwnd;
    return FALSE;
}

BOOL CALLBACK find_edit(HWND hwnd, LPARAM lp) {
    char cls[16] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (lstrcmpiA(cls, "Edit") != 0)
        return TRUE;
    *reinterpret_cast<HWND*>(lp) = hwnd;
    return FALSE;
}

} // namespace

FakeRequests::FakeRequests() {
    g_requests = this;
    kSupportLibraries[0]->notify(1, uint32_t(reinterpret_cast<uintptr_t>(&request)), 0);
}

FakeRequests::~FakeRequests() {
    kSupportLibraries[0]->notify(6, 0, 0);
    g_requests = nullptr;
}

void FakeRequests::add_unit(uint32_t window_id, uint32_t unit_id, UnitObject* object) {
    units[{window_id, unit_id}] = object;
}

void FakeRequests::answer(uint32_t unit_id, int32_t event, uint32_t result) {
    replies[{unit_id, event}] = result;
}

void FakeRequests::on(uint32_t unit_id, int32_t event, std::function<void()> action) {
    actions[{unit_id, event}] = std::move(action);
}

int FakeRequests::count(int32_t event) const {
    return int(std::count_if(events.begin(), events.end(),
                             [event](const RaisedEvent& e) { return e.event == event; }));
}

int FakeRequests::count(uint32_t unit_id, int32_t event) const {
    return int(std::count_if(events.begin(), events.end(), [&](const RaisedEvent& e) {
        return e.unit_id == unit_id && e.event == event;
    }));
}

std::vector<int32_t> FakeRequests::event_numbers() const {
    std::vector<int32_t> out;
    for (const RaisedEvent& e : events)
        out.push_back(e.event);
    return out;
}

std::vector<std::string> FakeRequests::lines(const std::vector<int32_t>& only) const {
    std::vector<std::string> out;
    for (const RaisedEvent& e : events) {
        if (!only.empty() && std::find(only.begin(), only.end(), e.event) == only.end())
            continue;
        const uint32_t form = (e.unit_id >> 8) & 0xFF, low = e.unit_id & 0xFFFF00FFu;
        const std::string number = form ? std::to_string(form) : "";
        std::string unit =
            low == kWindowUnitId
                ? "w" + number
                : (form ? number + "." : "") + std::to_string(int64_t(low) - kFirstControlId);
        out.push_back(unit + ':' + std::to_string(e.event));
    }
    return out;
}

std::string FakeRequests::text(const std::vector<int32_t>& only) const {
    std::string s;
    for (const std::string& line : lines(only))
        s += (s.empty() ? "" : " ") + line;
    return s;
}

uint32_t FakeRequests::request(int32_t code, uint32_t first, uint32_t second) {
    FakeRequests* self = g_requests;
    if (!self)
        return 0;
    switch (code) {
    case 2008: {
        auto* r = reinterpret_cast<forms::EventRecord*>(uintptr_t(first));
        self->events.push_back({r->window_id, r->unit_id, r->event,
                                std::vector<uint32_t>(r->args, r->args + r->argc)});
        auto action = self->actions.find({r->unit_id, r->event});
        if (action != self->actions.end())
            action->second();
        if (g_requests != self) // the action ended the fake
            return 1;
        auto reply = self->replies.find({r->unit_id, r->event});
        if (reply != self->replies.end()) {
            r->has_result = 1;
            r->result = reply->second;
        }
        return 1;
    }
    case 2000:
        self->destroyed.emplace_back(first, second);
        return 0;
    case 2006:
    case 2007: {
        auto it = self->units.find({first, second});
        return it == self->units.end() ? 0 : uint32_t(reinterpret_cast<uintptr_t>(it->second));
    }
    case 2018:
        process_pending_messages();
        return 0;
    default:
        return 0;
    }
}

Host::Host() {
    register_plain_class(host_proc, "VantorTestHost");
    hwnd_ = CreateWindowExA(0, "VantorTestHost", "host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
                            40, 40, 420, 320, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetForegroundWindow(hwnd_);
    pump();
}

Host::~Host() {
    DestroyWindow(hwnd_);
    pump();
}

void pump(DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        process_pending_messages();
        if (GetTickCount() - start >= ms)
            break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

uint32_t add_idle_routine(HWND window, void (*routine)(uint32_t), uint32_t argument) {
    const struct {
        HWND window;
        IdleRoutine routine;
        uint32_t argument;
    } record{window, routine, argument};
    return runtime_request(request::AddIdleRoutine, uint32_t(uintptr_t(&record)), 0);
}

forms::CreateParams create_params(const std::vector<uint8_t>& block, HWND parent, int x, int y,
                                  int w, int h) {
    forms::CreateParams p{};
    p.block = block.empty() ? nullptr : block.data();
    p.block_size = uint32_t(block.size());
    p.parent = parent;
    p.control_id = 100;
    p.left = x;
    p.top = y;
    p.width = w;
    p.height = h;
    p.window_id = kWindowId;
    p.unit_id = kUnitId;
    return p;
}

namespace {

Capture capture(HWND hwnd, bool whole) {
    GdiFlush();
    Capture c;
    RECT r;
    if (whole) {
        GetWindowRect(hwnd, &r);
        OffsetRect(&r, -r.left, -r.top);
    } else {
        GetClientRect(hwnd, &r);
    }
    c.width = r.right;
    c.height = r.bottom;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = c.width;
    bi.bmiHeader.biHeight = -c.height; // top-down rows
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC source = whole ? GetWindowDC(hwnd) : GetDC(hwnd);
    HDC memory = CreateCompatibleDC(source);
    HBITMAP bitmap = CreateDIBSection(source, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, c.width, c.height, source, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* px = static_cast<const uint32_t*>(bits);
    c.pixels.reserve(size_t(c.width) * c.height);
    for (int i = 0; i < c.width * c.height; ++i) // DIB pixels are 0x00RRGGBB
        c.pixels.push_back(RGB((px[i] >> 16) & 0xFF, (px[i] >> 8) & 0xFF, px[i] & 0xFF));
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(hwnd, source);
    return c;
}

} // namespace

Capture capture_client(HWND hwnd) {
    return capture(hwnd, false);
}

UnitObject* create_unit(forms::InterfaceRoutine kind, const std::vector<uint8_t>& block,
                        HWND parent, int w, int h) {
    UnitObject* unit = kind_routine<forms::CreateRoutine>(kind, forms::routine::Create)(
        create_params(block, parent, 10, 10, w, h));
    if (unit)
        ShowWindow(unit->handle(), SW_SHOWNA);
    pump();
    return unit;
}

Capture capture_window(HWND hwnd) {
    return capture(hwnd, true);
}

Capture capture_redrawn(HWND hwnd) {
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    pump();
    return capture(hwnd, true);
}

int Capture::count_not(COLORREF color, int x0, int y0, int x1, int y1) const {
    int n = 0;
    for (int y = std::max(0, y0); y < std::min(height, y1); ++y)
        for (int x = std::max(0, x0); x < std::min(width, x1); ++x)
            n += at(x, y) != color;
    return n;
}

int Capture::count_of(COLORREF color, int x0, int y0, int x1, int y1) const {
    int n = 0;
    for (int y = std::max(0, y0); y < std::min(height, y1); ++y)
        for (int x = std::max(0, x0); x < std::min(width, x1); ++x)
            n += at(x, y) == color;
    return n;
}

RECT Capture::bounds_of(COLORREF color) const {
    RECT r{width, height, 0, 0};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (at(x, y) == color) {
                r.left = std::min<LONG>(r.left, x);
                r.top = std::min<LONG>(r.top, y);
                r.right = std::max<LONG>(r.right, x + 1);
                r.bottom = std::max<LONG>(r.bottom, y + 1);
            }
    if (r.right == 0)
        r = RECT{0, 0, 0, 0};
    return r;
}

std::string Capture::save(const std::string& name) const {
    const std::vector<uint8_t> file =
        bmp_file(width, height, [this](int x, int y) { return at(x, y); });
    const std::string path = testing::program_directory() + name + ".bmp";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(file.data(), 1, file.size(), f);
        std::fclose(f);
    }
    return path;
}

std::string hex(COLORREF c) {
    char s[16];
    std::snprintf(s, sizeof s, "0x%06lX", static_cast<unsigned long>(c));
    return s;
}

HWND wait_for_dialog(DWORD ms, HWND except, const std::atomic<bool>* stop) {
    DialogSearch search{except, nullptr};
    for (DWORD waited = 0; waited < ms && !(stop && *stop); waited += 20) {
        EnumWindows(find_dialog, LPARAM(&search));
        if (search.found) {
            settle(search.found); // created and filled, its thread waits for input
            return search.found;
        }
        Sleep(20);
    }
    return nullptr;
}

HWND file_name_edit(HWND dialog) {
    // In the Explorer style the edit lies inside the combo box (a ComboBoxEx32
    // holding a combo box).
    HWND edit = nullptr;
    if (HWND combo = GetDlgItem(dialog, kFileNameCombo)) {
        EnumChildWindows(combo, find_edit, LPARAM(&edit));
        if (edit)
            return edit;
    }
    return GetDlgItem(dialog, kFileNameEdit);
}

DialogDriver::DialogDriver(std::function<void(HWND)> act, HWND except)
    : act_(std::move(act)), except_(except), thread_([this] {
          HWND dialog = wait_for_dialog(15000, except_, &stop_);
          if (!dialog)
              return;
          found_ = true;
          act_(dialog);
          for (int i = 0; i < 250 && IsWindow(dialog); ++i)
              Sleep(20);
          if (IsWindow(dialog))
              press_dialog_button(dialog, IDCANCEL);
      }) {}

DialogDriver::~DialogDriver() {
    stop_ = true;
    thread_.join();
}

} // namespace vantor::testing
