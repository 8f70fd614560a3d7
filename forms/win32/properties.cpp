#include "forms/win32/properties.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "forms/mouse_pointer.h"
#include "forms/win32/dpi_win32.h"
#include "forms/win32/engine.h"
#include "forms/win32/engine_internal.h"
#include "forms/win32/loader.h"
#include "runtime/allocator.h"
#include "runtime/fatal.h"
#include "runtime/win32/system_text.h"

namespace vantor::forms {

namespace {

using namespace detail;

constexpr int32_t kCoordinateLimit = 32627; // left and top within +-, sizes up to it

namespace fixed = props::fixed;

struct Target {
    WindowRecord* w;
    uint32_t window_id;
    uint32_t index;
};

Target locate(uint32_t window_id, uint32_t unit_id) {
    WindowRecord* w = window_record(window_id);
    if (!w)
        raise_runtime_error(engine_error::kWindowUnknown, 0);
    auto index = unit_index(*w, unit_id);
    // Not named by the property interface; the unit-lookup error says what went wrong.
    if (!index)
        raise_runtime_error(engine_error::kUnitNotLoaded, 0);
    return {w, window_id, *index};
}

// ---- conversions ----------------------------------------------------------------------

// The platform's part of the font conversions: the default user-interface font
// and the pixels per inch of sizes in points. Stored fonts are at the stored
// DPI whatever the display's (they are scaled where they are realised), so
// sizes convert at the stored DPI and the default font is taken back to it.
FontSetting font_setting() {
    FontSetting setting{};
    LOGFONTW wide{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof wide, &wide);
    const LOGFONTA lf = system_text::from_wide(wide);
    static_assert(sizeof lf == sizeof setting.fallback);
    std::memcpy(&setting.fallback, &lf, sizeof lf);
    const int32_t system = dpi::system_dpi();
    setting.fallback.height = dpi::to_stored(setting.fallback.height, system);
    setting.fallback.width = dpi::to_stored(setting.fallback.width, system);
    setting.dpi = dpi::kStoredDpi;
    return setting;
}

// The unit's type with the routine `number` and the table entry of `index`;
// false when the kind has no such property or routine.
template <typename Routine>
bool kind_property(const Target& t, int32_t index, int32_t number, Routine& routine,
                   uint16_t& property_type) {
    const UnitTypeRecord* type = type_at(*t.w, t.index);
    routine = reinterpret_cast<Routine>(unit_routine(type, number));
    if (!routine || !type->properties || uint32_t(index) >= type->property_count)
        return false;
    property_type = type->properties[index].type;
    return true;
}

UnitObject* require_live(const Target& t) {
    UnitObject* object = live_object(*t.w, t.index);
    if (!object)
        raise_runtime_error(engine_error::kWindowNotLoaded, 0);
    return object;
}

uint64_t read_kind(const Target& t, int32_t index, int32_t member) {
    UnitObject* object = require_live(t);
    ReadRoutine read;
    uint16_t type;
    if (!kind_property(t, index, routine::PropertyRead, read, type))
        return 0;
    uint32_t value[2] = {0, 0};
    if (!read(object, index - kFirstOwnProperty, value))
        return 0;
    return value_for_read(type, value, member,
                          conversion_of(type) == Conversion::Font ? font_setting() : FontSetting{});
}

void recreate_unit(const Target& t);

void write_kind(const Target& t, int32_t index, int32_t member, uint32_t low, uint32_t high) {
    UnitObject* object = require_live(t);
    WriteRoutine write;
    uint16_t type;
    if (!kind_property(t, index, routine::PropertyWritten, write, type))
        return;
    // A font member changes the unit's current font, read back through routine 6.
    uint32_t current[2] = {0, 0};
    FontSetting font{};
    if (conversion_of(type) == Conversion::Font) {
        font = font_setting();
        auto read = reinterpret_cast<ReadRoutine>(
            unit_routine(type_at(*t.w, t.index), routine::PropertyRead));
        if (read)
            read(object, index - kFirstOwnProperty, current);
    }
    WriteScratch scratch;
    PropValue value = value_for_write(type, low, high, member, current, font, scratch);
    const char* error_text = nullptr;
    int32_t outcome = write(object, index - kFirstOwnProperty, &value, &error_text);
    if (outcome == 1 && t.index != 0 && object->alive()) {
        block_events();
        recreate_unit(t);
        unblock_events();
    }
}

// ---- re-creation --------------------------------------------------------------------

// Moves the child windows of `from` into `to`, keeping their z-order.
void move_children(HWND from, HWND to) {
    std::vector<HWND> children;
    for (HWND c = GetWindow(from, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        children.push_back(c);
    HWND after = HWND_TOP;
    for (HWND c : children) {
        SetParent(c, to);
        SetWindowPos(c, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = c;
    }
}

// A paged container shows the units of its selected page only.
void apply_page_visibility(const WindowRecord& w, uint32_t container) {
    RecordCursor cursor;
    if (!open_unit(w, container, cursor))
        return;
    std::vector<uint32_t> children;
    for (uint32_t i = 0; i < cursor.child_count(); ++i)
        children.push_back(cursor.child(i));
    for (uint32_t child : children) {
        if (child == 0)
            continue;
        auto index = unit_index(w, child);
        HWND h = index ? live_handle(w, *index) : nullptr;
        if (h && on_hidden_page(w, *index))
            ShowWindow(h, SW_HIDE);
    }
}

// Re-creation, first half: a new object from the old one's current data,
// in the same place on the same parent with the same control id. Null when
// the kind gives no data or the creation fails (the old object then stays).
UnitObject* create_replacement(const Target& t, const UnitTypeRecord* type, UnitObject* old) {
    auto serialise = reinterpret_cast<SerialiseRoutine>(unit_routine(type, routine::CurrentData));
    auto create = reinterpret_cast<CreateRoutine>(unit_routine(type, routine::Create));
    uint8_t* block = nullptr;
    uint32_t size = 0;
    if (!serialise || !create || !serialise(old, &block, &size) || !block)
        return nullptr;
    HWND h = old->handle();
    HWND parent = GetParent(h);
    RECT r;
    GetWindowRect(h, &r);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    CreateParams params{};
    params.block = block;
    params.block_size = size;
    params.styles =
        (IsWindowEnabled(h) ? 0 : WS_DISABLED) | (GetWindowLongW(h, GWL_STYLE) & WS_TABSTOP);
    params.parent = parent;
    params.control_id = uint32_t(GetDlgCtrlID(h));
    params.left = r.left;
    params.top = r.top;
    params.width = r.right - r.left;
    params.height = r.bottom - r.top;
    params.window_id = t.window_id;
    params.unit_id = unit_id_at(*t.w, t.index).value_or(0);
    UnitObject* fresh = create(params);
    mem_free(block);
    return fresh && fresh->alive() ? fresh : nullptr;
}

// Re-creation, second half: the new object takes the old one's place in the
// record, the z-order and the page, and gets the notifications a load sends.
void install_replacement(const Target& t, const UnitTypeRecord* type, HWND old_handle,
                         UnitObject* fresh) {
    HWND h = fresh->handle();
    if (type->flags & type_flag::HoldsChildren)
        move_children(old_handle, h);
    set_slot_object(*t.w, t.index, fresh);
    place_in_z_order(*t.w, t.index);
    SendMessageW(h, unit_message::UnitsCreated, 0, 0);
    SendMessageW(h, unit_message::UnitsShown, 0, 0);
    if (type->flags & type_flag::NotifyParentOnRecreate) {
        SendMessageW(GetParent(h), unit_message::WindowReady, 0, 0);
    }
    if (GetWindowLongW(old_handle, GWL_STYLE) & WS_VISIBLE)
        ShowWindow(h, SW_SHOWNA);
    if (type->flags & type_flag::PagedContainer)
        apply_page_visibility(*t.w, t.index);
}

void recreate_unit(const Target& t) {
    const UnitTypeRecord* type = type_at(*t.w, t.index);
    UnitObject* old = live_object(*t.w, t.index);
    if (!type || !old || (type->flags & type_flag::NeverRecreated))
        return;
    HWND old_handle = old->handle();
    HWND focus = GetFocus();
    UnitObject* fresh = create_replacement(t, type, old);
    if (!fresh)
        return;
    install_replacement(t, type, old_handle, fresh);
    uint32_t unit_id = fresh->unit_id();
    suppress_unit_destroyed(t.window_id, unit_id, true);
    DestroyWindow(old_handle);
    suppress_unit_destroyed(t.window_id, unit_id, false);
    // A focused child of the old object moved along and keeps the focus.
    if (focus == old_handle && fresh->alive()) {
        SetFocus(fresh->handle());
    } else if (focus && IsWindow(focus) && GetFocus() != focus) {
        SetFocus(focus);
    }
}

// ---- fixed properties ---------------------------------------------------------------

// The live window's rectangle, in its parent's client coordinates for a child.
RECT live_rect(HWND h) {
    RECT r;
    GetWindowRect(h, &r);
    if (GetWindowLongW(h, GWL_STYLE) & WS_CHILD) {
        MapWindowPoints(HWND_DESKTOP, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
    }
    return r;
}

uint64_t read_fixed(const Target& t, int32_t index) {
    RecordCursor cursor;
    if (!open_unit(*t.w, t.index, cursor))
        return 0; // menu items
    if (index == fixed::Tag) {
        std::string_view tag = cursor.tag();
        return word_of(copy_bytes_as_text(tag.data(), int32_t(tag.size())));
    }
    if (index == fixed::MousePointer) {
        auto data = cursor.mouse_pointer();
        const uint32_t value[2] = {word_of(data.data()), uint32_t(data.size())};
        return value_for_read(prop_type::MousePointer, value, font_member::Whole, {});
    }
    if (HWND h = live_handle(*t.w, t.index)) {
        const dpi::Box box = dpi::stored_box(h); // in stored units at every DPI
        switch (index) {
        case fixed::Left:
            return uint32_t(box.left);
        case fixed::Top:
            return uint32_t(box.top);
        case fixed::Width:
            return uint32_t(box.width);
        case fixed::Height:
            return uint32_t(box.height);
        case fixed::Visible:
            return (GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE) ? 1 : 0;
        case fixed::Disabled:
            return IsWindowEnabled(h) ? 0 : 1;
        default:
            return 0;
        }
    }
    uint32_t state = cursor.get(Field::State);
    switch (index) {
    case fixed::Left:
        return cursor.get(Field::Left);
    case fixed::Top:
        return cursor.get(Field::Top);
    case fixed::Width:
        return cursor.get(Field::Width);
    case fixed::Height:
        return cursor.get(Field::Height);
    case fixed::Visible:
        return (state & state_bit::Visible) ? 1 : 0;
    case fixed::Disabled:
        return (state & state_bit::Disabled) ? 1 : 0;
    default:
        return 0;
    }
}

void set_state_bit(const Target& t, uint32_t bit, bool on) {
    uint32_t state = field(*t.w, t.index, Field::State);
    set_field(*t.w, t.index, Field::State, on ? state | bit : state & ~bit);
}

// A control disabled while it (or a part of it) holds the keyboard focus
// leaves the focus nowhere, and no key would reach the window any more (a
// click on 启动 disables it for the sequence): its top-level window takes the
// focus instead.
void write_disabled(const Target& t, HWND h, bool disabled) {
    set_state_bit(t, state_bit::Disabled, disabled);
    if (!h)
        return;
    HWND focus = GetFocus();
    const bool held_focus = disabled && focus && (focus == h || IsChild(h, focus));
    EnableWindow(h, !disabled);
    HWND top = GetAncestor(h, GA_ROOT);
    if (held_focus && !GetFocus() && top != h && IsWindowEnabled(top))
        SetFocus(top);
}

void write_visible(const Target& t, bool visible) {
    set_state_bit(t, state_bit::Visible, visible);
    HWND h = live_handle(*t.w, t.index);
    if (!h)
        return;
    if (!visible) {
        ShowWindow(h, SW_HIDE);
    } else if (t.index == 0) {
        show_window(t.window_id, true);
    } else {
        const UnitTypeRecord* type = type_at(*t.w, t.index);
        bool never_shown = type && (type->flags & type_flag::NeverShown);
        if (!never_shown && !on_hidden_page(*t.w, t.index))
            ShowWindow(h, SW_SHOWNA);
    }
}

void write_mouse_pointer(const Target& t, uint32_t byte_set) {
    const uint32_t none[2] = {0, 0};
    WriteScratch scratch;
    value_for_write(prop_type::MousePointer, byte_set, 0, font_member::Whole, none, {}, scratch);
    const std::vector<uint8_t>& data = scratch.pointer;
    set_mouse_pointer(*t.w, t.index, data.data(), uint32_t(data.size()));
    destroy_slot_cursor(*t.w, t.index);
    set_slot_cursor(*t.w, t.index, make_cursor(data.data(), uint32_t(data.size())));
    if (live_handle(*t.w, t.index)) {
        // Setting the position again makes the window under it ask for its cursor.
        POINT p;
        if (GetCursorPos(&p))
            SetCursorPos(p.x, p.y);
    }
}

void write_fixed(const Target& t, int32_t index, uint32_t low) {
    if (is_menu_item_at(*t.w, t.index))
        return;
    int32_t v = int32_t(low);
    HWND h = live_handle(*t.w, t.index);
    switch (index) {
    case fixed::Left:
    case fixed::Top: {
        v = std::clamp(v, -kCoordinateLimit, kCoordinateLimit);
        set_field(*t.w, t.index, index == fixed::Left ? Field::Left : Field::Top, uint32_t(v));
        if (!h)
            return;
        // The written coordinate in pixels at the window's DPI; the other stays.
        RECT r = live_rect(h);
        const dpi::Box p = dpi::pixel_box(h, {v, v, 0, 0});
        SetWindowPos(h, nullptr, index == fixed::Left ? p.left : r.left,
                     index == fixed::Top ? p.top : r.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    case fixed::Width:
    case fixed::Height: {
        v = std::clamp(v, 0, kCoordinateLimit);
        set_field(*t.w, t.index, index == fixed::Width ? Field::Width : Field::Height, uint32_t(v));
        if (!h)
            return;
        RECT r = live_rect(h);
        const dpi::Box p = dpi::pixel_box(h, {0, 0, v, v});
        SetWindowPos(h, nullptr, 0, 0, index == fixed::Width ? p.width : r.right - r.left,
                     index == fixed::Height ? p.height : r.bottom - r.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    case fixed::Tag: {
        const char* text = pointer_of<const char>(low);
        set_tag(*t.w, t.index, text ? std::string_view(text) : std::string_view());
        return;
    }
    case fixed::Visible:
        write_visible(t, low != 0);
        return;
    case fixed::Disabled:
        write_disabled(t, h, low != 0);
        return;
    case fixed::MousePointer:
        write_mouse_pointer(t, low);
        return;
    default:
        return;
    }
}

} // namespace

uint64_t read_property(uint32_t window_id, uint32_t unit_id, int32_t index, int32_t member) {
    Target t = locate(window_id, unit_id);
    if (index < 0 || is_menu_item_at(*t.w, t.index))
        return 0;
    return index >= kFirstOwnProperty ? read_kind(t, index, member) : read_fixed(t, index);
}

void write_property(uint32_t window_id, uint32_t unit_id, int32_t index, int32_t member,
                    uint32_t low, uint32_t high) {
    Target t = locate(window_id, unit_id);
    if (index < 0 || is_menu_item_at(*t.w, t.index))
        return;
    if (index >= kFirstOwnProperty) {
        write_kind(t, index, member, low, high);
    } else {
        write_fixed(t, index, low);
    }
}

} // namespace vantor::forms
