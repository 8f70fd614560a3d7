#include "tests/win32/test_edit_box_support.h"

#include <algorithm>

#include "runtime/libraries.h"

namespace vantor::test {

namespace {

FakeRuntime* g_runtime = nullptr;

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

FakeRuntime::FakeRuntime() {
    g_runtime = this;
    kSupportLibraries[0]->notify(1, uint32_t(reinterpret_cast<uintptr_t>(&request)), 0);
}

FakeRuntime::~FakeRuntime() {
    kSupportLibraries[0]->notify(6, 0, 0);
    g_runtime = nullptr;
}

void FakeRuntime::add_unit(uint32_t window_id, uint32_t unit_id, UnitObject* object) {
    units[{window_id, unit_id}] = object;
}

std::vector<int32_t> FakeRuntime::event_numbers() const {
    std::vector<int32_t> out;
    for (const RaisedEvent& e : events)
        out.push_back(e.event);
    return out;
}

int FakeRuntime::count(int32_t event) const {
    return int(std::count_if(events.begin(), events.end(),
                             [event](const RaisedEvent& e) { return e.event == event; }));
}

uint32_t FakeRuntime::request(int32_t code, uint32_t first, uint32_t second) {
    if (!g_runtime)
        return 0;
    switch (code) {
    case 2008: {
        const auto* r = reinterpret_cast<const forms::EventRecord*>(uintptr_t(first));
        g_runtime->events.push_back({r->window_id, r->unit_id, r->event,
                                     std::vector<uint32_t>(r->args, r->args + r->argc)});
        return 0;
    }
    case 2000:
        g_runtime->destroyed.emplace_back(first, second);
        return 0;
    case 2006:
    case 2007: {
        auto it = g_runtime->units.find({first, second});
        return it == g_runtime->units.end() ? 0 : uint32_t(reinterpret_cast<uintptr_t>(it->second));
    }
    default:
        return 0;
    }
}

Host::Host() {
    static const bool registered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = host_proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = "VantorTestHost";
        return RegisterClassA(&wc) != 0;
    }();
    (void)registered;
    hwnd_ = CreateWindowExA(0, "VantorTestHost", "host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
                            40, 40, 420, 320, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetForegroundWindow(hwnd_);
    pump();
}

Host::~Host() {
    DestroyWindow(hwnd_);
    pump();
}

void pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
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

Capture capture_window(HWND hwnd) {
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    pump();
    Capture c;
    RECT r;
    GetWindowRect(hwnd, &r);
    c.width = r.right - r.left;
    c.height = r.bottom - r.top;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = c.width;
    bi.bmiHeader.biHeight = -c.height; // top-down rows
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC source = GetWindowDC(hwnd);
    HDC memory = CreateCompatibleDC(source);
    HBITMAP bitmap = CreateDIBSection(source, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, c.width, c.height, source, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* px = static_cast<const uint32_t*>(bits);
    for (int i = 0; i < c.width * c.height; ++i) // DIB pixels are 0x00RRGGBB
        c.pixels.push_back(RGB((px[i] >> 16) & 0xFF, (px[i] >> 8) & 0xFF, px[i] & 0xFF));
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(hwnd, source);
    return c;
}

std::string window_text(HWND hwnd) {
    char buffer[1024] = {};
    GetWindowTextA(hwnd, buffer, sizeof buffer);
    return buffer;
}

HWND wait_for_dialog(DWORD ms, HWND except, const std::atomic<bool>* stop) {
    DialogSearch search{except, nullptr};
    for (DWORD waited = 0; waited < ms && !(stop && *stop); waited += 20) {
        EnumWindows(find_dialog, LPARAM(&search));
        if (search.found) {
            Sleep(150); // let the dialog finish filling its controls
            return search.found;
        }
        Sleep(20);
    }
    return nullptr;
}

HWND file_name_edit(HWND dialog) {
    // cmb13 (a ComboBoxEx32 holding a combo box holding the edit) in Explorer-style
    // dialogs, edt1 in the old style.
    HWND edit = nullptr;
    if (HWND combo = GetDlgItem(dialog, 0x47C)) {
        EnumChildWindows(combo, find_edit, LPARAM(&edit));
        if (edit)
            return edit;
    }
    return GetDlgItem(dialog, 0x480);
}

void press(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(dialog, id)));
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
              press(dialog, IDCANCEL);
      }) {}

DialogDriver::~DialogDriver() {
    stop_ = true;
    thread_.join();
}

} // namespace vantor::test
