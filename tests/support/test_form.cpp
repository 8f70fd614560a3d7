#include "tests/support/test_form.h"

#include <gtest/gtest.h>
#include <objidl.h>
#include <wincodec.h>

#include <algorithm>
#include <cstring>

#include "controls/kinds.h"
#include "forms/archive.h"
#include "forms/model.h"
#include "forms/record.h"
#include "runtime/win32/kernel.h"
#include "tests/support/automation.h"
#include "tests/support/kernel_access.h"

namespace vantor::testing {

forms::WindowProps window_props(const char* caption, uint32_t back) {
    forms::WindowProps p;
    p.Position = 0;
    p.Caption = caption;
    p.BackColor = back;
    return p;
}

std::array<LONG, 4> screen_box(HWND h) {
    RECT r;
    GetWindowRect(h, &r);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

int icon_width(HICON icon) {
    ICONINFO info{};
    BITMAP bm{};
    if (!GetIconInfo(icon, &info))
        return 0;
    GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return bm.bmWidth;
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

ControlDesc button(int left, int top, int width, int height, const char* caption,
                   uint32_t tab_order, int type, uint32_t state) {
    forms::ButtonProps props;
    props.Caption = caption;
    props.ButtonType = type;
    return button(left, top, width, height, props, tab_order, state);
}

ControlDesc label(int left, int top, int width, int height, const char* caption,
                  uint32_t tab_order) {
    forms::TransLabelProps props;
    props.Caption = caption;
    return label(left, top, width, height, props, tab_order);
}

TestForm::TestForm(const forms::WindowProps& props, RECT g,
                   const std::vector<ControlDesc>& controls, FormOptions options)
    : number_(options.number) {
    controls::register_control_kinds();
    // The window is unit 0 of the description, its controls follow in stored order.
    std::vector<ControlDesc> units = {{forms::kind::Window, int(g.left), int(g.top), int(g.right),
                                       int(g.bottom), forms::write_block(props), 1, 0}};
    units.insert(units.end(), controls.begin(), controls.end());
    forms::ArchiveModel model;
    forms::WindowDesc& wd = model.windows.emplace_back();
    wd.id = window_id();
    for (size_t i = 0; i < units.size(); ++i) {
        const ControlDesc& c = units[i];
        forms::UnitDesc& u = wd.units.emplace_back();
        u.id = i == 0 ? window_unit_id() : control_unit_id(i - 1);
        u.kind = c.kind;
        u.left = c.left, u.top = c.top, u.width = c.width, u.height = c.height;
        u.state = c.state;
        u.tab_order = c.tab_order;
        u.mouse_pointer = {0, 0, 0, 0};
        u.block = c.block;
    }
    std::vector<uint8_t> bytes = forms::encode_archive(model);
    forms::WindowTable table;
    std::string error;
    if (!forms::read_window_table(bytes.data(), uint32_t(bytes.size()), table, &error))
        return;
    forms::WindowTable& k = vantor::testing::KernelTestAccess::state().windows;
    k.ids.push_back(window_id());
    k.windows.push_back(std::move(table.windows[0]));
    forms::WindowRecord& record = k.windows.back();

    auto params = [this](const ControlDesc& d, uint32_t unit_id) {
        forms::CreateParams p{};
        p.block = d.block.data();
        p.block_size = uint32_t(d.block.size());
        p.left = d.left, p.top = d.top, p.width = d.width, p.height = d.height;
        p.window_id = window_id();
        p.unit_id = unit_id;
        return p;
    };
    forms::CreateParams p = params(units[0], window_unit_id());
    p.parent = options.owner;
    p.modal = options.modal;
    window_ = dynamic_cast<controls::WindowUnit*>(controls::WindowUnit::create(p));
    if (!window_)
        return;
    hwnd_ = window_->handle();
    record.object = window_;

    controls_.assign(controls.size(), nullptr);
    for (size_t n = controls.size(); n-- > 0;) {
        const ControlDesc& s = controls[n];
        forms::CreateParams c = params(s, control_unit_id(n));
        c.styles = (s.state & 2 ? WS_DISABLED : 0) | (s.state & 4 ? WS_TABSTOP : 0);
        c.parent = hwnd_;
        c.control_id = 100 + 10 * uint32_t(controls.size() - 1 - n);
        const forms::UnitTypeRecord* type = controls::type_of_kind(s.kind);
        auto create = reinterpret_cast<forms::CreateRoutine>(type->routine(forms::routine::Create));
        controls_[n] = create(c);
        if (controls_[n])
            forms::set_field(record, uint32_t(n + 1), forms::Field::ObjectSlot,
                             uint32_t(reinterpret_cast<uintptr_t>(controls_[n])));
    }
    // Stored order is stacking order, the first on top.
    HWND after = HWND_TOP;
    for (UnitObject* u : controls_)
        if (u)
            SetWindowPos(u->handle(), std::exchange(after, u->handle()), 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

TestForm::~TestForm() {
    if (hwnd_ && IsWindow(hwnd_))
        DestroyWindow(hwnd_);
    pump();
    forms::WindowTable& k = vantor::testing::KernelTestAccess::state().windows;
    auto id = std::find(k.ids.begin(), k.ids.end(), window_id());
    if (id != k.ids.end()) {
        k.windows.erase(k.windows.begin() + (id - k.ids.begin()));
        k.ids.erase(id);
    }
}

void TestForm::show() {
    for (UnitObject* u : controls_)
        if (u)
            ShowWindow(u->handle(), SW_SHOWNA);
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

void TestForm::expect_read_back(UnitObject* unit, std::initializer_list<WriteRead> rows) {
    for (const WriteRead& r : rows) {
        EXPECT_EQ(write(unit, r.index, uint32_t(r.written)), 0) << "re-creation for " << r.index;
        EXPECT_EQ(read(unit, r.index), r.read) << "index " << r.index << " wrote " << r.written;
    }
}

// ---- input ----------------------------------------------------------------------------

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
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = argb(int(i % size_t(w)), int(i / size_t(w)));
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
    for (IUnknown* object :
         std::initializer_list<IUnknown*>{frame, encoder, stream, source, factory})
        if (object)
            object->Release();
    if (SUCCEEDED(com))
        CoUninitialize();
    return out;
}

std::vector<uint8_t> project_icon() {
    std::string data = read_file(VANTOR_SOURCE_DIR "/app/forms/vantor.ico");
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

} // namespace vantor::testing
