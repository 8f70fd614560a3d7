#include "controls/trans_label.h"

#include <oleacc.h>

#include <string>
#include <vector>

#include "controls/accessible.h"
#include "controls/dpi.h"
#include "controls/kind_routines.h"
#include "controls/kinds.h"
#include "forms/naming_label.h"
#include "runtime/win32/system_text.h"

namespace vantor::controls {

namespace {

RECT screen_rect(HWND hwnd) {
    RECT r;
    GetWindowRect(hwnd, &r);
    return r;
}

// Visible windows below `parent`, each after its own visible descendants, from
// the top of the stacking order down.
void collect_visible(HWND parent, std::vector<HWND>& out) {
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (!IsWindowVisible(c))
            continue;
        collect_visible(c, out);
        out.push_back(c);
    }
}

forms::dpi::Box box_of(HWND hwnd) {
    const RECT r = screen_rect(hwnd);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

TransLabelUnit* label_of(HWND hwnd) {
    return dynamic_cast<TransLabelUnit*>(WindowObject::from_handle(hwnd));
}

bool own_caption(HWND hwnd, std::wstring& name) {
    const TransLabelUnit* label = label_of(hwnd);
    if (label)
        name = label->shown_caption();
    return label != nullptr;
}

// A screen reader reads the label as text, not as an empty pane it could focus.
const AccessibleFacts kLabelFacts{.name = own_caption,
                                  .role = ROLE_SYSTEM_STATICTEXT,
                                  .state_set = STATE_SYSTEM_READONLY,
                                  .state_clear = STATE_SYSTEM_FOCUSABLE};

} // namespace

bool naming_label_caption(HWND control, std::wstring& caption) {
    std::vector<const TransLabelUnit*> labels;
    std::vector<forms::dpi::Box> places;
    for (HWND c = GetWindow(GetParent(control), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        const TransLabelUnit* label = label_of(c);
        if (!label || c == control || !(GetWindowLongW(c, GWL_STYLE) & WS_VISIBLE))
            continue;
        labels.push_back(label);
        places.push_back(box_of(c));
    }
    const int32_t index = forms::naming_label(box_of(control), places);
    if (index < 0)
        return false;
    caption = labels[size_t(index)]->shown_caption();
    return true;
}

void* trans_label_interface(int32_t number) {
    return kind_interface<TransLabelUnit>(number);
}

UINT trans_label_format(int32_t halign, int32_t valign, int32_t word_wrap) {
    UINT format = DT_NOCLIP;
    namespace h = forms::choice::HAlign;
    namespace v = forms::choice::VAlign;
    format |= halign == h::Centred ? DT_CENTER : halign == h::Right ? DT_RIGHT : DT_LEFT;
    if (word_wrap == 1)
        return format | DT_WORDBREAK | DT_VCENTER;
    return format | DT_SINGLELINE |
           (valign == v::Centred  ? DT_VCENTER
            : valign == v::Bottom ? DT_BOTTOM
                                  : DT_TOP);
}

TransLabelUnit::TransLabelUnit(uint32_t window_id, uint32_t unit_id)
    : KindUnit(window_id, unit_id, &kTransLabelType) {}

UnitObject* TransLabelUnit::create(const forms::CreateParams& p) {
    forms::TransLabelProps props;
    if (!forms::read_block(p.block, p.block_size, props) ||
        !register_object_class(TransLabelUnit::kClassName, CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS))
        return nullptr;
    HWND hwnd = create_control(p, WS_EX_TRANSPARENT, kClassName, props.Caption.c_str(), 0);
    if (!hwnd)
        return nullptr;
    auto* l = new TransLabelUnit(p.window_id, p.unit_id);
    l->props_ = std::move(props);
    l->attach(hwnd);
    l->apply_font();
    return l;
}

std::wstring TransLabelUnit::shown_caption() const {
    const std::wstring caption = system_text::to_wide(props_.Caption);
    std::wstring shown;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == L'&' && ++i == caption.size())
            break;
        shown += caption[i];
    }
    return shown;
}

void TransLabelUnit::apply_font() {
    GdiOwner<HFONT> previous = font_.replace(realise_font_at(props_.Font, dpi_of(handle())));
}

void TransLabelUnit::paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(handle(), &ps);
    int length = GetWindowTextLengthW(handle());
    if (!dc || length <= 0) {
        EndPaint(handle(), &ps);
        return;
    }
    std::wstring text(size_t(length) + 1, L'\0');
    length = GetWindowTextW(handle(), text.data(), length + 1);
    RECT rc;
    GetClientRect(handle(), &rc);

    HGDIOBJ old_font = SelectObject(dc, font_or_default(font_.get()));
    // The effects' offsets are stored units: one and two pixels at 96 DPI.
    const int32_t dpi = dpi_of(handle());
    const int one = scaled(1, dpi), two = scaled(2, dpi);
    const UINT format = trans_label_format(props_.HAlign, props_.VAlign, props_.WordWrap);
    SetBkMode(dc, TRANSPARENT);
    auto draw = [&](COLORREF color, RECT r) {
        SetTextColor(dc, color);
        DrawTextW(dc, text.c_str(), length, &r, format);
    };
    // In high contrast the text takes the system's colour for text on the
    // window's face, and no effect draws a colour of its own.
    const bool contrast = high_contrast();
    namespace effect = forms::choice::TextEffect;
    switch (contrast ? effect::None : props_.TextEffect) {
    case effect::WhiteShadow:
        draw(RGB(255, 255, 255),
             RECT{rc.left + one, rc.top + one, rc.right + one, rc.bottom + one});
        break;
    case effect::WhiteHighlight:
        draw(RGB(255, 255, 255), rc);
        OffsetRect(&rc, one, one);
        break;
    case effect::BlackShadow:
        draw(RGB(0, 0, 0), RECT{rc.left + two, rc.top + two, rc.right + two, rc.bottom + two});
        break;
    default:
        break;
    }
    draw(contrast ? GetSysColor(COLOR_BTNTEXT) : COLORREF(props_.TextColor), rc);
    SelectObject(dc, old_font);
    EndPaint(handle(), &ps);
}

void TransLabelUnit::redraw_through() {
    HWND label = handle();
    if (!label)
        return;
    // 1. The top-level ancestor.
    HWND top = label;
    while (!(GetWindowLongW(top, GWL_STYLE) & WS_POPUP) && GetParent(top))
        top = GetParent(top);

    // 2. Repaint the ancestor beneath the label at once.
    RECT r;
    GetClientRect(label, &r);
    MapWindowPoints(label, nullptr, reinterpret_cast<POINT*>(&r), 2);
    if (top != label) {
        RECT in_top = r;
        MapWindowPoints(nullptr, top, reinterpret_cast<POINT*>(&in_top), 2);
        InvalidateRect(top, &in_top, TRUE);
        UpdateWindow(top);
    }
    // 3-4. Then every visible window below it that meets the label, bottom first.
    std::vector<HWND> below;
    collect_visible(top, below);
    for (auto it = below.rbegin(); it != below.rend(); ++it) {
        RECT meet, wr = screen_rect(*it);
        if (!IntersectRect(&meet, &wr, &r))
            continue;
        POINT origin{0, 0};
        ClientToScreen(*it, &origin);
        OffsetRect(&meet, -origin.x, -origin.y);
        RedrawWindow(*it, &meet, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ERASENOW | RDW_FRAME);
    }
    // 5. The label draws itself over the fresh background.
    InvalidateRect(label, nullptr, FALSE);
}

// Every write shows at once: the label redraws through what lies beneath it.
int32_t TransLabelUnit::write(int32_t index, const forms::PropValue& value) {
    return write_by_table(props_, index, value, false,
                          [this](int32_t written, const forms::PropValue&) {
                              if (written == props::trans_label::Caption)
                                  system_text::set_window_text(handle(), props_.Caption.c_str());
                              if (written == props::trans_label::Font)
                                  apply_font();
                              redraw_through();
                          });
}

int32_t TransLabelUnit::read(int32_t index, uint32_t result[2]) {
    return read_by_table(props_, index, result, scratch_);
}

LRESULT TransLabelUnit::on_message(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT:
        paint();
        return 0;
    case WM_ERASEBKGND:
        return 1; // never a background: the parent shows through
    case WM_NCHITTEST:
        return HTTRANSPARENT; // clicks go to what lies beneath
    case WM_MOVE:
        return call_previous_then(msg, wp, lp, [&] { redraw_through(); });
    case WM_GETFONT: // the font the label draws with
        return reinterpret_cast<LRESULT>(font_or_default(font_.get()));
    case WM_DPICHANGED_AFTERPARENT:
        apply_font();
        redraw_through();
        return 0;
    case WM_GETOBJECT: {
        LRESULT object = 0;
        if (accessible_.answer(handle(), wp, lp, kLabelFacts, object))
            return object;
        return call_previous(msg, wp, lp);
    }
    default:
        return call_previous(msg, wp, lp);
    }
}

} // namespace vantor::controls
