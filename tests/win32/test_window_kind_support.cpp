#include "tests/win32/test_window_kind_support.h"

#include <objidl.h>
#include <wincodec.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "controls/kinds.h"
#include "forms/archive.h"
#include "forms/events.h"
#include "forms/model.h"
#include "forms/record.h"
#include "runtime/kernel.h"
#include "runtime/libraries.h"
#include "tests/support/automation.h"

namespace vantor::ctest {

namespace {

EventLog* g_log = nullptr;

} // namespace

// ---- events -------------------------------------------------------------------------

EventLog::EventLog() {
    g_log = this;
    kSupportLibraries[0]->notify(1, uint32_t(reinterpret_cast<uintptr_t>(&EventLog::request)), 0);
}

EventLog::~EventLog() {
    kSupportLibraries[0]->notify(6, 0, 0);
    g_log = nullptr;
}

uint32_t EventLog::request(int32_t code, uint32_t first, uint32_t second) {
    if (!g_log)
        return 0;
    if (code == 2000) {
        g_log->destroyed.push_back(second);
        return 0;
    }
    if (code != 2008)
        return 0;
    auto* r = reinterpret_cast<forms::EventRecord*>(uintptr_t(first));
    g_log->events.push_back(
        {r->unit_id, r->event, std::vector<uint32_t>(r->args, r->args + r->argc)});
    auto action = g_log->actions.find({r->unit_id, r->event});
    if (action != g_log->actions.end())
        action->second();
    if (!g_log)
        return 1;
    auto reply = g_log->replies.find({r->unit_id, r->event});
    if (reply != g_log->replies.end()) {
        r->has_result = 1;
        r->result = reply->second;
    }
    return 1;
}

void EventLog::answer(uint32_t unit_id, int32_t event, uint32_t result) {
    replies[{unit_id, event}] = result;
}

std::string EventLog::text(const std::vector<int32_t>& only) const {
    std::string s;
    for (const Raised& e : events) {
        if (!only.empty() && std::find(only.begin(), only.end(), e.event) == only.end())
            continue;
        if (!s.empty())
            s += ' ';
        const uint32_t form = (e.unit_id >> 8) & 0xFF, low = e.unit_id & 0xFFFF00FFu;
        const std::string number = form ? std::to_string(form) : "";
        if (low == kWindowUnitId)
            s += "w" + number;
        else
            s += (form ? number + "." : "") + std::to_string(int64_t(low) - kFirstControlId);
        s += ':' + std::to_string(e.event);
    }
    return s;
}

void EventLog::on(uint32_t unit_id, int32_t event, std::function<void()> action) {
    actions[{unit_id, event}] = std::move(action);
}

int EventLog::count(uint32_t unit_id, int32_t event) const {
    int n = 0;
    for (const Raised& e : events)
        n += e.unit_id == unit_id && e.event == event;
    return n;
}

// ---- forms ----------------------------------------------------------------------------

ControlDesc button(int left, int top, int width, int height, const forms::ButtonProps& props,
                   uint32_t tab_order, uint32_t state) {
    return {forms::kind::Button,       left,  top,      width, height,
            forms::write_block(props), state, tab_order};
}

ControlDesc label(int left, int top, int width, int height, const forms::TransLabelProps& props,
                  uint32_t tab_order) {
    return {forms::kind::TransLabel,   left, top,      width, height,
            forms::write_block(props), 1,    tab_order};
}

TestForm::TestForm(const forms::WindowProps& props, RECT g,
                   const std::vector<ControlDesc>& controls, FormOptions options)
    : number_(options.number) {
    controls::register_control_kinds();
    forms::ArchiveModel model;
    forms::WindowDesc wd;
    wd.id = window_id();
    forms::UnitDesc wu;
    wu.id = window_unit_id();
    wu.kind = forms::kind::Window;
    wu.left = g.left;
    wu.top = g.top;
    wu.width = g.right;
    wu.height = g.bottom;
    wu.state = 1;
    wu.mouse_pointer = {0, 0, 0, 0};
    wu.block = forms::write_block(props);
    wd.units.push_back(wu);
    for (size_t i = 0; i < controls.size(); ++i) {
        forms::UnitDesc u;
        u.id = control_unit_id(i);
        u.kind = controls[i].kind;
        u.left = controls[i].left;
        u.top = controls[i].top;
        u.width = controls[i].width;
        u.height = controls[i].height;
        u.state = controls[i].state;
        u.tab_order = controls[i].tab_order;
        u.mouse_pointer = {0, 0, 0, 0};
        u.block = controls[i].block;
        wd.units.push_back(u);
    }
    model.windows.push_back(wd);
    std::vector<uint8_t> bytes = forms::encode_archive(model);
    forms::WindowTable table;
    std::string error;
    if (!forms::read_window_table(bytes.data(), uint32_t(bytes.size()), table, &error))
        return;
    forms::WindowTable& k = kernel().windows;
    k.ids.push_back(window_id());
    k.windows.push_back(std::move(table.windows[0]));
    forms::WindowRecord& record = k.windows.back();

    forms::CreateParams p{};
    p.block = wu.block.data();
    p.block_size = uint32_t(wu.block.size());
    p.parent = options.owner;
    p.left = g.left;
    p.top = g.top;
    p.width = g.right;
    p.height = g.bottom;
    p.window_id = window_id();
    p.unit_id = window_unit_id();
    p.modal = options.modal;
    window_ = dynamic_cast<controls::WindowUnit*>(controls::WindowUnit::create(p));
    if (!window_)
        return;
    hwnd_ = window_->handle();
    record.object = window_;

    controls_.assign(controls.size(), nullptr);
    for (size_t n = controls.size(); n-- > 0;) {
        const ControlDesc& s = controls[n];
        forms::CreateParams c{};
        c.block = s.block.data();
        c.block_size = uint32_t(s.block.size());
        c.styles = (s.state & 2 ? WS_DISABLED : 0) | (s.state & 4 ? WS_TABSTOP : 0);
        c.parent = hwnd_;
        c.control_id = 100 + 10 * uint32_t(controls.size() - 1 - n);
        c.left = s.left;
        c.top = s.top;
        c.width = s.width;
        c.height = s.height;
        c.window_id = window_id();
        c.unit_id = control_unit_id(n);
        const forms::UnitTypeRecord* type = controls::type_of_kind(s.kind);
        auto create = reinterpret_cast<forms::CreateRoutine>(type->routine(forms::routine::Create));
        controls_[n] = create(c);
        if (controls_[n])
            forms::set_field(record, uint32_t(n + 1), forms::Field::ObjectSlot,
                             uint32_t(reinterpret_cast<uintptr_t>(controls_[n])));
    }
    // Stored order is stacking order, the first on top.
    HWND after = HWND_TOP;
    for (UnitObject* u : controls_) {
        if (!u)
            continue;
        SetWindowPos(u->handle(), after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = u->handle();
    }
}

TestForm::~TestForm() {
    if (hwnd_ && IsWindow(hwnd_))
        DestroyWindow(hwnd_);
    pump();
    forms::WindowTable& k = kernel().windows;
    for (size_t i = 0; i < k.ids.size(); ++i) {
        if (k.ids[i] == window_id()) {
            k.ids.erase(k.ids.begin() + ptrdiff_t(i));
            k.windows.erase(k.windows.begin() + ptrdiff_t(i));
            break;
        }
    }
}

void TestForm::show() {
    for (size_t i = 0; i < controls_.size(); ++i) {
        if (controls_[i])
            ShowWindow(controls_[i]->handle(), SW_SHOWNA);
    }
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    SetActiveWindow(hwnd_);
    UpdateWindow(hwnd_);
    pump(50);
}

int32_t TestForm::write(UnitObject* unit, int32_t index, uint32_t word0, uint32_t word1) {
    UnitObject* u = unit ? unit : window_;
    auto routine =
        reinterpret_cast<forms::WriteRoutine>(u->type()->routine(forms::routine::PropertyWritten));
    forms::PropValue v{word0, word1};
    const char* error = "untouched";
    int32_t r = routine(u, index - 8, &v, &error);
    return error == nullptr ? r : -1; // the error slot must be cleared
}

int32_t TestForm::write_text(UnitObject* unit, int32_t index, const char* text) {
    return write(unit, index, uint32_t(reinterpret_cast<uintptr_t>(text)));
}

uint32_t TestForm::read(UnitObject* unit, int32_t index, uint32_t* second) {
    UnitObject* u = unit ? unit : window_;
    auto routine =
        reinterpret_cast<forms::ReadRoutine>(u->type()->routine(forms::routine::PropertyRead));
    uint32_t result[2] = {0xDEAD, 0xDEAD};
    if (routine(u, index - 8, result) != 1)
        return 0xFFFFFFFF;
    if (second)
        *second = result[1];
    return result[0];
}

// ---- input ----------------------------------------------------------------------------

void pump(DWORD ms) {
    DWORD start = GetTickCount();
    for (;;) {
        process_pending_messages();
        if (GetTickCount() - start >= ms)
            break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

namespace {

void set_shift(bool down) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = down ? 0x80 : 0;
    keys[VK_LSHIFT] = keys[VK_SHIFT];
    SetKeyboardState(keys);
}

} // namespace

void press_key(WPARAM vk, bool shift, HWND target) {
    HWND to = target ? target : GetFocus();
    set_shift(shift);
    PostMessageA(to, WM_KEYDOWN, vk, 1);
    PostMessageA(to, WM_KEYUP, vk, LPARAM(0xC0000001u));
    pump();
    set_shift(false);
}

void press_alt_key(WPARAM vk, HWND target) {
    HWND to = target ? target : GetFocus();
    PostMessageA(to, WM_SYSKEYDOWN, vk, LPARAM(1 | (1 << 29)));
    PostMessageA(to, WM_SYSKEYUP, vk, LPARAM(0xE0000001u));
    pump();
}

// ---- pixels -----------------------------------------------------------------------------

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
    bi.bmiHeader.biHeight = -c.height;
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
    for (int i = 0; i < c.width * c.height; ++i)
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
Capture capture_window(HWND hwnd) {
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
    std::vector<uint8_t> file = bmp_file(width, height, [this](int x, int y) { return at(x, y); });
    std::string path = testing::program_directory() + name + ".bmp";
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

std::vector<uint8_t> solid_bmp(int w, int h, COLORREF color) {
    return bmp_file(w, h, [color](int, int) { return color; });
}

std::vector<uint8_t> encode_image(const GUID& container, int w, int h,
                                  uint32_t (*argb)(int x, int y)) {
    std::vector<uint8_t> out;
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IWICImagingFactory* factory = nullptr;
    IWICBitmap* source = nullptr;
    IStream* stream = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    IWICBitmapFrameEncode* frame = nullptr;
    std::vector<uint32_t> pixels(size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            pixels[size_t(y) * w + x] = argb(x, y);
    // The encoder converts the source to the pixel format it negotiates.
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
    bool ok =
        SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IWICImagingFactory, reinterpret_cast<void**>(&factory))) &&
        SUCCEEDED(factory->CreateBitmapFromMemory(
            UINT(w), UINT(h), GUID_WICPixelFormat32bppBGRA, UINT(w * 4), UINT(pixels.size() * 4),
            reinterpret_cast<BYTE*>(pixels.data()), &source)) &&
        SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) &&
        SUCCEEDED(factory->CreateEncoder(container, nullptr, &encoder)) &&
        SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
        SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) &&
        SUCCEEDED(frame->Initialize(nullptr)) && SUCCEEDED(frame->SetSize(UINT(w), UINT(h))) &&
        SUCCEEDED(frame->SetPixelFormat(&format)) &&
        SUCCEEDED(frame->WriteSource(source, nullptr)) && SUCCEEDED(frame->Commit()) &&
        SUCCEEDED(encoder->Commit());
    if (ok) {
        HGLOBAL global = nullptr;
        GetHGlobalFromStream(stream, &global);
        STATSTG stat{};
        stream->Stat(&stat, STATFLAG_NONAME);
        auto* data = static_cast<const uint8_t*>(GlobalLock(global));
        out.assign(data, data + stat.cbSize.QuadPart);
        GlobalUnlock(global);
    }
    if (frame)
        frame->Release();
    if (encoder)
        encoder->Release();
    if (stream)
        stream->Release();
    if (source)
        source->Release();
    if (factory)
        factory->Release();
    if (SUCCEEDED(com))
        CoUninitialize();
    return out;
}

std::vector<uint8_t> project_icon() {
    std::string data = testing::read_file(VANTOR_SOURCE_DIR "/app/forms/vantor.ico");
    return std::vector<uint8_t>(data.begin(), data.end());
}

std::vector<uint8_t> logfont_bytes(const char* face, int height, int weight) {
    LOGFONTA lf{};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    std::vector<uint8_t> out(sizeof lf);
    std::memcpy(out.data(), &lf, sizeof lf);
    return out;
}

} // namespace vantor::ctest
