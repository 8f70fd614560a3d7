#include "controls/button.h"

#include "controls/kind_routines.h"
#include "controls/kinds.h"

namespace vantor::controls {

namespace {

constexpr uint32_t kHAlignBits = BS_LEFT | BS_CENTER | BS_RIGHT;
constexpr uint32_t kVAlignBits = BS_TOP | BS_VCENTER | BS_BOTTOM;

void enumerate_texts_routine(const uint8_t* block, uint32_t size, forms::TextVisitor visit,
                             void* context) {
    forms::ButtonProps p;
    if (forms::read_block(block, size, p))
        visit_texts({p.Caption}, visit, context);
}

bool is_default_routine(UnitObject* unit) {
    auto* b = dynamic_cast<ButtonUnit*>(unit);
    return b && b->is_default();
}

} // namespace

void* button_interface(int32_t number) {
    switch (number) {
    case forms::routine::Create:
        return reinterpret_cast<void*>(&create_routine<ButtonUnit>);
    case forms::routine::PropertyWritten:
        return reinterpret_cast<void*>(&write_routine<ButtonUnit>);
    case forms::routine::CurrentData:
        return reinterpret_cast<void*>(&serialise_routine<ButtonUnit>);
    case forms::routine::PropertyRead:
        return reinterpret_cast<void*>(&read_routine<ButtonUnit>);
    case forms::routine::EnumerateTexts:
        return reinterpret_cast<void*>(&enumerate_texts_routine);
    case forms::routine::IsDefaultButton:
        return reinterpret_cast<void*>(&is_default_routine);
    default:
        return nullptr;
    }
}

uint32_t button_halign_style(int32_t halign) {
    return halign == 0 ? BS_LEFT : halign == 1 ? BS_CENTER : BS_RIGHT;
}

uint32_t button_valign_style(int32_t valign) {
    return valign == 0 ? BS_TOP : valign == 1 ? BS_VCENTER : BS_BOTTOM;
}

ButtonUnit::ButtonUnit(uint32_t window_id, uint32_t unit_id)
    : UnitObject(window_id, unit_id, &kButtonType) {}

ButtonUnit::~ButtonUnit() {
    picture_.release();
    if (font_)
        DeleteObject(font_);
}

UnitObject* ButtonUnit::create(const forms::CreateParams& p) {
    forms::ButtonProps props;
    if (!forms::read_block(p.block, p.block_size, props))
        return nullptr;
    uint32_t style =
        p.styles | button_halign_style(props.HAlign) | button_valign_style(props.VAlign);
    if (props.ButtonType == 1)
        style |= BS_DEFPUSHBUTTON;

    Picture picture;
    if (!props.Picture.empty() &&
        decode_picture(props.Picture.data(), uint32_t(props.Picture.size()),
                       GetSysColor(COLOR_BTNFACE), picture))
        style |= picture.icon ? BS_ICON : BS_BITMAP;

    HWND hwnd = CreateWindowExA(
        0, "BUTTON", props.Caption.c_str(), style | WS_CHILD | WS_CLIPSIBLINGS | BS_MULTILINE,
        p.left, p.top, p.width, p.height, p.parent,
        reinterpret_cast<HMENU>(uintptr_t(p.control_id)), GetModuleHandleA(nullptr), nullptr);
    if (!hwnd) {
        picture.release();
        return nullptr;
    }
    auto* b = new ButtonUnit(p.window_id, p.unit_id);
    b->props_ = std::move(props);
    b->picture_ = picture;
    b->attach(hwnd);
    b->apply_font();
    if (picture.icon)
        SendMessageA(hwnd, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(picture.icon));
    else if (picture.bitmap)
        SendMessageA(hwnd, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture.bitmap));
    return b;
}

void ButtonUnit::apply_font() {
    HFONT old = font_;
    font_ = realise_font(props_.Font);
    SendMessageA(handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_or_default(font_)), TRUE);
    if (old)
        DeleteObject(old); // only once the control no longer uses it
}

bool ButtonUnit::is_default() const {
    return (uint32_t(GetWindowLongA(handle(), GWL_STYLE)) & 0x1F) == BS_DEFPUSHBUTTON;
}

int32_t ButtonUnit::write(int32_t index, const forms::PropValue* value) {
    const int32_t v = value ? int32_t(value->word0) : 0;
    HWND hwnd = handle();
    switch (index + 8) {
    case 8:
        props_.Picture = bytes_of(value);
        return 1;
    case 9:
        props_.ButtonType = clamp_choice(v, 1);
        replace_style(hwnd, GWL_STYLE, BS_DEFPUSHBUTTON,
                      props_.ButtonType == 1 ? BS_DEFPUSHBUTTON : 0);
        InvalidateRect(hwnd, nullptr, TRUE);
        break;
    case 10:
        props_.Caption = text_of(value);
        SetWindowTextA(hwnd, props_.Caption.c_str());
        break;
    case 11:
        props_.HAlign = clamp_choice(v, 2);
        replace_style(hwnd, GWL_STYLE, kHAlignBits, button_halign_style(props_.HAlign));
        InvalidateRect(hwnd, nullptr, TRUE);
        break;
    case 12:
        props_.VAlign = clamp_choice(v, 2);
        replace_style(hwnd, GWL_STYLE, kVAlignBits, button_valign_style(props_.VAlign));
        InvalidateRect(hwnd, nullptr, TRUE);
        break;
    case 13:
        props_.Font = bytes_of(value);
        apply_font();
        break;
    default:
        break;
    }
    return 0;
}

int32_t ButtonUnit::read(int32_t index, uint32_t result[2]) {
    switch (index + 8) {
    case 8:
        put_bytes(props_.Picture, result);
        return 1;
    case 9:
        return put_word(props_.ButtonType, result);
    case 10:
        put_text(props_.Caption, result);
        return 1;
    case 11:
        return put_word(props_.HAlign, result);
    case 12:
        return put_word(props_.VAlign, result);
    case 13:
        put_bytes(props_.Font, result);
        return 1;
    default:
        return 0;
    }
}

bool ButtonUnit::on_reflected(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
    if (msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED) {
        raise_event(0);
        result = 0;
        return true;
    }
    return false;
}

LRESULT ButtonUnit::on_message(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_SETFOCUS || msg == WM_KILLFOCUS) {
        LRESULT r = call_previous(msg, wp, lp);
        raise_event(msg == WM_SETFOCUS ? forms::kEventGotFocus : forms::kEventLostFocus);
        return r;
    }
    return call_previous(msg, wp, lp);
}

} // namespace vantor::controls
