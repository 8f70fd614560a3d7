#include "controls/button.h"

#include "controls/dpi.h"
#include "controls/kind_routines.h"
#include "controls/kinds.h"
#include "runtime/win32/system_text.h"

namespace vantor::controls {

namespace {

constexpr uint32_t kHAlignBits = BS_LEFT | BS_CENTER | BS_RIGHT;
constexpr uint32_t kVAlignBits = BS_TOP | BS_VCENTER | BS_BOTTOM;

bool is_default_routine(UnitObject* unit) {
    auto* b = dynamic_cast<ButtonUnit*>(unit);
    return b && b->is_default();
}

} // namespace

void* button_interface(int32_t number) {
    return kind_interface<ButtonUnit>(number);
}

void* ButtonUnit::extra_routine(int32_t number) {
    return number == forms::routine::IsDefaultButton ? routine_address(&is_default_routine)
                                                     : nullptr;
}

uint32_t button_halign_style(int32_t halign) {
    namespace h = forms::choice::HAlign;
    return halign == h::Left ? BS_LEFT : halign == h::Centred ? BS_CENTER : BS_RIGHT;
}

uint32_t button_valign_style(int32_t valign) {
    namespace v = forms::choice::VAlign;
    return valign == v::Top ? BS_TOP : valign == v::Centred ? BS_VCENTER : BS_BOTTOM;
}

ButtonUnit::ButtonUnit(uint32_t window_id, uint32_t unit_id)
    : KindUnit(window_id, unit_id, &kButtonType) {}

ButtonUnit::~ButtonUnit() {
    picture_.release();
}

UnitObject* ButtonUnit::create(const forms::CreateParams& p) {
    forms::ButtonProps props;
    if (!forms::read_block(p.block, p.block_size, props))
        return nullptr;
    uint32_t style = button_halign_style(props.HAlign) | button_valign_style(props.VAlign);
    if (props.ButtonType == forms::choice::ButtonType::Default)
        style |= BS_DEFPUSHBUTTON;

    Picture picture;
    if (!props.Picture.empty() &&
        decode_picture(props.Picture.data(), uint32_t(props.Picture.size()),
                       GetSysColor(COLOR_BTNFACE), picture))
        style |= picture.icon ? BS_ICON : BS_BITMAP;

    HWND hwnd = create_control(p, 0, "BUTTON", props.Caption.c_str(), style | BS_MULTILINE);
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
        SendMessageW(hwnd, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(picture.icon));
    else if (picture.bitmap)
        SendMessageW(hwnd, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture.bitmap));
    return b;
}

void ButtonUnit::apply_font() {
    GdiOwner<HFONT> previous = font_.replace(realise_font_at(props_.Font, dpi_of(handle())));
    SendMessageW(handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_or_default(font_.get())),
                 TRUE);
}

bool ButtonUnit::is_default() const {
    return (uint32_t(GetWindowLongW(handle(), GWL_STYLE)) & 0x1F) == BS_DEFPUSHBUTTON;
}

int32_t ButtonUnit::write(int32_t index, const forms::PropValue& value) {
    return write_by_table(props_, index, value, false,
                          [this](int32_t written, const forms::PropValue&) { apply(written); });
}

int32_t ButtonUnit::read(int32_t index, uint32_t result[2]) {
    return read_by_table(props_, index, result, scratch_, [](int32_t, uint32_t*) { return false; });
}

// A Picture write needs a new control (the table says so); the others change
// the live one.
void ButtonUnit::apply(int32_t index) {
    HWND hwnd = handle();
    switch (index) {
    case props::button::ButtonType:
        replace_style(hwnd, GWL_STYLE, BS_DEFPUSHBUTTON,
                      props_.ButtonType == forms::choice::ButtonType::Default ? BS_DEFPUSHBUTTON
                                                                              : 0);
        InvalidateRect(hwnd, nullptr, TRUE);
        break;
    case props::button::Caption:
        system_text::set_window_text(hwnd, props_.Caption.c_str());
        break;
    case props::button::HAlign:
        replace_style(hwnd, GWL_STYLE, kHAlignBits, button_halign_style(props_.HAlign));
        InvalidateRect(hwnd, nullptr, TRUE);
        break;
    case props::button::VAlign:
        replace_style(hwnd, GWL_STYLE, kVAlignBits, button_valign_style(props_.VAlign));
        InvalidateRect(hwnd, nullptr, TRUE);
        break;
    case props::button::Font:
        apply_font();
        break;
    default:
        break;
    }
}

bool ButtonUnit::on_reflected(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
    if (msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED) {
        raise_event(event::Click);
        result = 0;
        return true;
    }
    return false;
}

LRESULT ButtonUnit::on_message(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DPICHANGED_AFTERPARENT) {
        apply_font(); // the caption's font at the window's new DPI
        return 0;
    }
    if (msg == WM_SETFOCUS || msg == WM_KILLFOCUS) {
        return call_previous_then(msg, wp, lp, [&] {
            raise_event(msg == WM_SETFOCUS ? event::GotFocus : event::LostFocus);
        });
    }
    return call_previous(msg, wp, lp);
}

} // namespace vantor::controls
