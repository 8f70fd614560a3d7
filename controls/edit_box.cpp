#include "controls/edit_box.h"

#include <windowsx.h>

#include <algorithm>

#include "controls/accessible.h"
#include "controls/common.h"
#include "controls/edit_input.h"
#include "controls/kind_routines.h"
#include "controls/kinds.h"
#include "controls/trans_label.h"
#include "runtime/allocator.h"
#include "runtime/win32/system_text.h"

namespace vantor::controls {

namespace {

using forms::EditBoxProps;
using forms::PropValue;

const char* text_of(const PropValue& v) {
    const char* s = pointer_of<const char>(v.word0);
    return s ? s : "";
}

DWORD creation_style(const EditBoxProps& p) {
    using P = EditBoxProps;
    static constexpr StyleWhen<P> kChoiceStyles[] = {
        {&P::HideSelection, 0, ES_NOHIDESEL},
        {&P::Alignment, forms::choice::Alignment::Centred, ES_CENTER},
        {&P::Alignment, forms::choice::Alignment::Right, ES_RIGHT},
        {&P::InputMode, input_mode::ReadOnly, ES_READONLY},
        {&P::InputMode, input_mode::Password, ES_PASSWORD},
        {&P::CaseConversion, forms::choice::CaseConversion::Lower, ES_LOWERCASE},
        {&P::CaseConversion, forms::choice::CaseConversion::Upper, ES_UPPERCASE}};
    DWORD style = style_bits(p, kChoiceStyles);
    if (p.MultiLine == 1) {
        style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
        namespace bars = forms::choice::ScrollBars;
        if (p.ScrollBars == bars::Horizontal || p.ScrollBars == bars::Both)
            style |= ES_AUTOHSCROLL | WS_HSCROLL;
        if (p.ScrollBars == bars::Vertical || p.ScrollBars == bars::Both)
            style |= WS_VSCROLL;
    } else {
        style |= ES_AUTOHSCROLL;
    }
    return style;
}

// A box is named by its label's caption; the system's edit object tells the rest.
const AccessibleFacts kBoxFacts{.name = naming_label_caption};

} // namespace

// ---- creation -------------------------------------------------------------------------

EditBox::EditBox(const forms::CreateParams& params, const EditBoxProps& props)
    : KindUnit(params.window_id, params.unit_id, &kEditBoxType, props),
      design_mode_(params.design_mode != 0) {}

EditBox::~EditBox() {
    if (spin_) {
        if (spin_->alive())
            DestroyWindow(spin_->handle());
        delete spin_;
    }
}

EditBox* EditBox::create(const forms::CreateParams& params) {
    EditBoxProps props;
    if (!forms::read_block(params.block, params.block_size, props))
        return nullptr;
    // The border's extended styles from the start: setting them afterwards
    // would cost each box another frame change. (WS_BORDER cannot be given
    // here: the control turns it into a client edge while it is created.)
    HWND hwnd = create_control(params, border_ex_style(props.BorderStyle), "EDIT",
                               props.Content.c_str(), creation_style(props));
    if (!hwnd)
        return nullptr;
    auto* box = new EditBox(params, props);
    box->set_background_brush();
    box->attach(hwnd);
    box->apply_font();
    SendMessageW(hwnd, EM_LIMITTEXT, WPARAM(std::max(props.MaxLength, 0)), 0);
    box->apply_password_char();
    if (props.MultiLine != 1 && props.SpinMode != forms::choice::SpinMode::None)
        box->create_spin((params.styles & WS_DISABLED) != 0);
    box->select(props.SelStart, props.SelLength);
    if (box->set_border_styles())
        refresh_frame(hwnd);
    return box;
}

bool EditBox::single_line() const {
    return (GetWindowLongW(handle(), GWL_STYLE) & ES_MULTILINE) == 0;
}

std::string EditBox::window_text() const {
    return system_text::window_text(handle());
}

void EditBox::apply_password_char() {
    const char mask = props_.InputMode == input_mode::Password ? char(props_.PasswordChar) : 0;
    const std::wstring wide = system_text::to_wide(std::string_view(&mask, 1));
    SendMessageW(handle(), EM_SETPASSWORDCHAR, wide.empty() ? 0 : WPARAM(wide[0]), 0);
}

void EditBox::select(int32_t start, int32_t length) {
    HWND hwnd = handle();
    int64_t end = std::min<int64_t>(int64_t(start) + length, INT32_MAX);
    SendMessageW(hwnd, EM_SETSEL, WPARAM(start), LPARAM(end));
    SendMessageW(hwnd, EM_SCROLLCARET, 0, 0);
}

// The box is a Unicode window: its positions count UTF-16 units.
int32_t EditBox::text_length_in_positions() const {
    return GetWindowTextLengthW(handle());
}

std::string EditBox::selected_text() const {
    HWND hwnd = handle();
    DWORD start = 0, end = 0;
    SendMessageW(hwnd, EM_GETSEL, WPARAM(&start), LPARAM(&end));
    std::wstring wide(size_t(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    wide.resize(size_t(std::max(GetWindowTextW(hwnd, wide.data(), int(wide.size())), 0)));
    start = std::min<DWORD>(start, DWORD(wide.size()));
    end = std::clamp<DWORD>(end, start, DWORD(wide.size()));
    return system_text::from_wide(std::wstring_view(wide).substr(start, end - start));
}

// Data-providing kinds belong to the runtime's database facilities, which this
// program does not carry: no unit of a window can be a provider, so a named source
// never resolves and the box keeps its own text and read-only state. An empty
// DataSource never binds in any case.
void EditBox::rebind(const char*) {}

// ---- property writes and reads ----------------------------------------------------------

int32_t EditBox::write(int32_t index, const PropValue& value) {
    return write_by_table(props_, index, value, design_mode_,
                          [this](int32_t written, const PropValue& v) { apply(written, v); });
}

// The effect of a stored value on the live box. MultiLine, ScrollBars, Alignment,
// CaseConversion, SpinMode and HideSelection take effect through re-creation.
void EditBox::apply(int32_t index, const PropValue& value) {
    namespace e = props::edit_box;
    HWND hwnd = handle();
    switch (index) {
    case e::Content:
        setting_text_ = true;
        system_text::set_window_text(hwnd, props_.Content.c_str());
        setting_text_ = false;
        // The notification of the text change itself was suppressed; this one
        // raises the change event exactly once.
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), EN_CHANGE), LPARAM(hwnd));
        break;
    case e::BorderStyle:
        apply_border_style();
        set_spin_edge();
        break;
    case e::TextColor:
        InvalidateRect(hwnd, nullptr, TRUE);
        break;
    case e::BackColor:
        set_background_brush();
        RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE);
        break;
    case e::Font:
        apply_font();
        break;
    case e::MaxLength:
        SendMessageW(hwnd, EM_LIMITTEXT, WPARAM(props_.MaxLength), 0);
        break;
    case e::InputMode:
        apply_password_char();
        SendMessageW(hwnd, EM_SETREADONLY, props_.InputMode == input_mode::ReadOnly, 0);
        InvalidateRect(hwnd, nullptr, TRUE);
        break;
    case e::PasswordChar:
        if (props_.InputMode == input_mode::Password) {
            apply_password_char();
            InvalidateRect(hwnd, nullptr, TRUE);
        }
        break;
    case e::SpinMin:
    case e::SpinMax:
        set_spin_range();
        break;
    case e::SelStart:
        // -1 puts the caret at the end; other negative starts are 0.
        if (props_.SelStart == -1) {
            props_.SelStart = text_length_in_positions();
            props_.SelLength = 0;
        }
        props_.SelStart = std::max(props_.SelStart, 0);
        select(props_.SelStart, props_.SelLength);
        break;
    case e::SelLength:
        // -1 selects everything; other negative lengths are 0.
        if (props_.SelLength == -1) {
            props_.SelStart = 0;
            props_.SelLength = text_length_in_positions();
        }
        props_.SelLength = std::max(props_.SelLength, 0);
        select(props_.SelStart, props_.SelLength);
        break;
    case e::SelText:
        SendMessageW(hwnd, EM_REPLACESEL, FALSE,
                     LPARAM(system_text::to_wide(text_of(value)).c_str()));
        break;
    case e::DataSource:
    case e::DataColumn:
        rebind(nullptr);
        break;
    default:
        break;
    }
}

// Content, the selection and the selected text come from the live box outside
// design mode; everything else is the stored value.
int32_t EditBox::read(int32_t index, uint32_t result[2]) {
    namespace e = props::edit_box;
    const bool live = !design_mode_ && alive();
    return read_by_table(props_, index, result, scratch_, [&](int32_t i, uint32_t* r) {
        switch (i) {
        case e::Content:
            if (live)
                props_.Content = window_text();
            return false;
        case e::SelStart:
        case e::SelLength: {
            int32_t start = props_.SelStart, length = props_.SelLength;
            if (live) {
                DWORD s = 0, end = 0;
                SendMessageW(handle(), EM_GETSEL, WPARAM(&s), LPARAM(&end));
                start = int32_t(s);
                length = int32_t(end - s);
            }
            r[0] = uint32_t(i == e::SelStart ? start : length);
            return true;
        }
        case e::SelText:
            scratch_ = live ? selected_text() : std::string();
            r[0] = word_of(scratch_.c_str());
            return true;
        default:
            return false;
        }
    });
}

EditBoxProps EditBox::current_props() {
    EditBoxProps props = props_;
    if (!design_mode_ && alive()) {
        // A re-created box keeps what the user typed and selected.
        props.Content = window_text();
        DWORD s = 0, e = 0;
        SendMessageW(handle(), EM_GETSEL, WPARAM(&s), LPARAM(&e));
        props.SelStart = int32_t(s);
        props.SelLength = int32_t(e - s);
    }
    return props;
}

bool EditBox::wants_key(const MSG& msg) const {
    bool key_message =
        msg.message == WM_KEYDOWN || msg.message == WM_KEYUP || msg.message == WM_CHAR;
    return key_message && msg.wParam == VK_RETURN && props_.MultiLine == 1 &&
           props_.InputMode != input_mode::ReadOnly;
}

// ---- messages ----------------------------------------------------------------------------

// Typed characters arrive as UTF-16 units (the box is a Unicode window, so a
// two-byte character comes whole whatever the system's code page). The input
// mode judges each; a rejected one is dropped silently.
LRESULT EditBox::on_char(WPARAM wp, LPARAM lp) {
    if (!input_accepts(props_.InputMode, uint32_t(wp & 0xFFFF)))
        return 0;
    return call_previous(WM_CHAR, wp, lp);
}

void EditBox::on_notification(WORD code) {
    switch (code) {
    case EN_CHANGE:
        if (!setting_text_)
            raise_event(event::Changed);
        break;
    case EN_SETFOCUS:
        raise_event(event::GotFocus);
        break;
    case EN_KILLFOCUS:
        normalise_on_kill_focus();
        break;
    default:
        break;
    }
}

void EditBox::normalise_on_kill_focus() {
    HWND hwnd = handle();
    if (input_normalises(props_.InputMode)) {
        std::string live = window_text();
        std::string text = normalise_input(props_.InputMode, live.c_str());
        if (text != live) {
            DWORD start = 0;
            SendMessageW(hwnd, EM_GETSEL, WPARAM(&start), 0);
            system_text::set_window_text(hwnd, text.c_str()); // raises the change event
            if (WindowObject::from_handle(hwnd) != this)
                return; // its handler destroyed the box
            SendMessageW(hwnd, EM_SETSEL, start, start);
            SendMessageW(hwnd, EM_SCROLLCARET, 0, 0);
        }
    }
    raise_event(event::LostFocus);
}

bool EditBox::on_reflected(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
    switch (msg) {
    case WM_COMMAND:
        on_notification(HIWORD(wp));
        result = 0;
        return true;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC: { // read-only and disabled boxes ask with the latter
        HDC dc = reinterpret_cast<HDC>(wp);
        SetTextColor(dc, scheme_color(props_.TextColor, COLOR_WINDOWTEXT));
        SetBkColor(dc, scheme_color(map_back_color(props_.BackColor), COLOR_WINDOW));
        result = reinterpret_cast<LRESULT>(background_brush());
        return true;
    }
    default:
        return false;
    }
}

LRESULT EditBox::on_message(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT framed = 0;
    if (on_frame_message(msg, wp, lp, framed))
        return framed;
    switch (msg) {
    case WM_CHAR:
        return on_char(wp, lp);
    case WM_IME_CHAR: // a whole character, as one UTF-16 unit
        if (!input_accepts(props_.InputMode, uint32_t(wp & 0xFFFF)))
            return 0;
        break;
    case WM_COMMAND:
        if (reinterpret_cast<HWND>(lp) == handle()) { // the change notification of a Content write
            on_notification(HIWORD(wp));
            return 0;
        }
        break;
    case WM_WINDOWPOSCHANGED:
        return call_previous_then(msg, wp, lp, [&] { place_spin(); });
    case WM_SHOWWINDOW:
        // A box shown or hidden while its window is still hidden (as at load)
        // only changes its style: no position change follows for place_spin.
        if (lp == 0)
            show_spin(wp != 0);
        break;
    case WM_DPICHANGED_AFTERPARENT: // the font, the height it needs and the spin at the new DPI
        apply_font();
        place_spin();
        return 0;
    case WM_ENABLE:
        if (HWND spin = spin_handle())
            EnableWindow(spin, BOOL(wp));
        break;
    case WM_DESTROY:
        if (HWND spin = spin_handle())
            DestroyWindow(spin);
        break;
    case kMsgAfterLoad:
        rebind(reinterpret_cast<const char*>(lp));
        return 0;
    case WM_GETOBJECT: {
        LRESULT object = 0;
        if (accessible_.answer(handle(), wp, lp, kBoxFacts, object))
            return object;
        break;
    }
    default:
        break;
    }
    return call_previous(msg, wp, lp);
}

// ---- routines ----------------------------------------------------------------------------

namespace {

bool key_wanted_routine(UnitObject* unit, const MSG* msg) {
    auto* box = dynamic_cast<EditBox*>(unit);
    return box && msg && box->wants_key(*msg);
}

} // namespace

void* EditBox::extra_routine(int32_t number) {
    return number == forms::routine::KeyWanted ? routine_address(&key_wanted_routine) : nullptr;
}

void* edit_box_interface(int32_t number) {
    return kind_interface<EditBox>(number);
}

} // namespace vantor::controls
