#include "forms/properties.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "forms/engine.h"
#include "forms/engine_internal.h"
#include "forms/loader.h"
#include "forms/mouse_pointer.h"
#include "runtime/allocator.h"
#include "runtime/fatal.h"

namespace vantor::forms {

namespace {

using namespace detail;

const char kWindowUnknown[] = "未载入欲访问窗口组件所在的窗口";
const char kWindowNotLoaded[] = "指定窗口尚未载入";
const char kUnitUnknown[] = "指定窗口或窗口组件不存在或尚未载入";
const char kDefaultFace[] = "宋体";

constexpr int32_t kCoordinateLimit = 32627;
constexpr UINT kMsgUnitsCreated = 0x806F;
constexpr UINT kMsgWindowReady = 0x8004;
constexpr UINT kMsgUnitsShown = 0x8076;

namespace fixed {
constexpr int32_t Left = 0, Top = 1, Width = 2, Height = 3, Tag = 4, Visible = 5, Disabled = 6,
                  MousePointer = 7;
} // namespace fixed

template <typename T> T* ptr(uint32_t word) {
    return reinterpret_cast<T*>(uintptr_t(word));
}
uint32_t word(const void* p) {
    return uint32_t(reinterpret_cast<uintptr_t>(p));
}

struct Target {
    WindowRecord* w;
    uint32_t window_id;
    uint32_t index;
};

Target locate(uint32_t window_id, uint32_t unit_id) {
    WindowRecord* w = window_record(window_id);
    if (!w)
        raise_runtime_error(kWindowUnknown, 0);
    auto index = unit_index(*w, unit_id);
    // Not named by the property interface; the unit-lookup error says what went wrong.
    if (!index)
        raise_runtime_error(kUnitUnknown, 0);
    return {w, window_id, *index};
}

// ---- fonts ------------------------------------------------------------------------

int screen_dpi() {
    HDC dc = GetDC(nullptr);
    int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc)
        ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : 96;
}

// The stored font, or the default user-interface font when there is none.
LOGFONTA font_of(const uint8_t* data, uint32_t size) {
    LOGFONTA lf{};
    if (data && size == sizeof lf) {
        std::memcpy(&lf, data, sizeof lf);
    } else {
        GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    }
    return lf;
}

void set_face(LOGFONTA& lf, const char* face) {
    std::memset(lf.lfFaceName, 0, sizeof lf.lfFaceName);
    std::memcpy(lf.lfFaceName, face, std::min(std::strlen(face), sizeof lf.lfFaceName - 1));
}

LONG height_of_points(int32_t points) {
    return -MulDiv(std::max(points, 0), screen_dpi(), 72);
}

uint64_t read_font_member(const LOGFONTA& lf, int32_t member) {
    std::string_view face(lf.lfFaceName, strnlen(lf.lfFaceName, sizeof lf.lfFaceName));
    switch (member) {
    case font_member::Angle:
        return uint32_t(lf.lfOrientation);
    case font_member::Bold:
        return lf.lfWeight >= FW_BOLD ? 1 : 0;
    case font_member::Italic:
        return lf.lfItalic ? 1 : 0;
    case font_member::StrikeOut:
        return lf.lfStrikeOut ? 1 : 0;
    case font_member::Underline:
        return lf.lfUnderline ? 1 : 0;
    case font_member::Size:
        return uint32_t(MulDiv(std::abs(lf.lfHeight), 72, screen_dpi()));
    case font_member::FaceName:
        return word(copy_bytes_as_text(face.data(), int32_t(face.size())));
    case font_member::Whole: {
        auto* record = static_cast<FontRecord*>(mem_alloc(sizeof(FontRecord)));
        record->angle = lf.lfOrientation;
        record->bold = lf.lfWeight >= FW_BOLD ? 1 : 0;
        record->italic = lf.lfItalic ? 1 : 0;
        record->strike_out = lf.lfStrikeOut ? 1 : 0;
        record->underline = lf.lfUnderline ? 1 : 0;
        record->size = MulDiv(std::abs(lf.lfHeight), 72, screen_dpi());
        record->face = copy_bytes_as_text(face.data(), int32_t(face.size()));
        return word(record);
    }
    default:
        return 0;
    }
}

// Applies a written member (or the whole font record) to `lf`. False when the
// write carries no font at all (member -1 without a record).
bool apply_font_member(LOGFONTA& lf, int32_t member, uint32_t value) {
    switch (member) {
    case font_member::Angle: {
        int32_t angle = int32_t(value) % 3600;
        if (angle < 0)
            angle += 3600;
        lf.lfEscapement = lf.lfOrientation = angle;
        return true;
    }
    case font_member::Bold:
        lf.lfWeight = value ? FW_BOLD : 0;
        return true;
    case font_member::Italic:
        lf.lfItalic = value ? 1 : 0;
        return true;
    case font_member::StrikeOut:
        lf.lfStrikeOut = value ? 1 : 0;
        return true;
    case font_member::Underline:
        lf.lfUnderline = value ? 1 : 0;
        return true;
    case font_member::Size:
        lf.lfHeight = height_of_points(int32_t(value));
        return true;
    case font_member::FaceName: {
        const char* face = ptr<const char>(value);
        size_t length = face ? std::strlen(face) : 0;
        set_face(lf, length >= 1 && length <= 31 ? face : kDefaultFace);
        return true;
    }
    case font_member::Whole: {
        const auto* record = ptr<const FontRecord>(value);
        if (!record)
            return false;
        lf.lfEscapement = lf.lfOrientation = record->angle;
        lf.lfWeight = record->bold ? FW_BOLD : 0;
        lf.lfItalic = record->italic ? 1 : 0;
        lf.lfStrikeOut = record->strike_out ? 1 : 0;
        lf.lfUnderline = record->underline ? 1 : 0;
        lf.lfHeight = height_of_points(record->size);
        size_t length = record->face ? std::strlen(record->face) : 31;
        set_face(lf, length >= 31 ? kDefaultFace : record->face);
        return true;
    }
    default:
        return true; // no such member: the font is written back unchanged
    }
}

// ---- kind properties ----------------------------------------------------------------

bool is_integer_type(uint16_t type) {
    return type == 1000 || type == 1001 || type == 1014 || type == 1015 || type == 1017;
}
bool is_eight_byte_type(uint16_t type) {
    return type == 1002 || type == 1004;
}
bool is_data_type(uint16_t type) {
    return type == 1009 || type == 1010 || type == 1012 || type == 1023 || type == 1024;
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
        raise_runtime_error(kWindowNotLoaded, 0);
    return object;
}

uint64_t read_kind(const Target& t, int32_t index, int32_t member) {
    UnitObject* object = require_live(t);
    ReadRoutine read;
    uint16_t type;
    if (!kind_property(t, index, routine::PropertyRead, read, type))
        return 0;
    uint32_t value[2] = {0, 0};
    if (!read(object, index - 8, value))
        return 0;
    const auto* data = ptr<const uint8_t>(value[0]);
    uint32_t size = data ? value[1] : 0;
    if (is_integer_type(type) || type == prop_type::Choice)
        return value[0];
    if (is_eight_byte_type(type))
        return value[0] | uint64_t(value[1]) << 32;
    if (type == prop_type::Logical)
        return value[0] == 1 ? 1 : 0;
    if (is_data_type(type))
        return word(new_byte_set(data, size));
    if (type == prop_type::MousePointer) {
        uint8_t* set = new_byte_set(data, size);
        if (set)
            pointer_ids_to_numbers(set + 8, size);
        return word(set);
    }
    if (type == prop_type::Font)
        return read_font_member(font_of(data, size), member);
    return word(copy_text(ptr<const char>(value[0])));
}

void recreate_unit(const Target& t);

// Storage that a converted value may point into while the write routine runs.
struct WriteScratch {
    std::vector<uint8_t> pointer;
    LOGFONTA font{};
};

// The value for write routine 4 from the two value words, by property type.
PropValue value_for_write(const Target& t, UnitObject* object, int32_t index, uint16_t type,
                          int32_t member, uint32_t low, uint32_t high, WriteScratch& scratch) {
    const auto* set = ptr<const uint8_t>(low);
    if (is_integer_type(type))
        return {low, 0};
    if (type == prop_type::Choice)
        return {int32_t(low) < 0 ? 0 : low, 0};
    if (is_eight_byte_type(type))
        return {low, high};
    if (type == prop_type::Logical)
        return {low ? 1u : 0u, 0};
    if (is_data_type(type))
        return set ? PropValue{word(set + 8), read_u32(set + 4)} : PropValue{0, 0};
    if (type == prop_type::MousePointer) {
        if (set)
            scratch.pointer.assign(set + 8, set + 8 + read_u32(set + 4));
        pointer_numbers_to_ids(scratch.pointer.data(), uint32_t(scratch.pointer.size()));
        return {scratch.pointer.empty() ? 0 : word(scratch.pointer.data()),
                uint32_t(scratch.pointer.size())};
    }
    if (type == prop_type::Font) {
        // A member changes the unit's current font, read back through routine 6.
        auto read = reinterpret_cast<ReadRoutine>(
            unit_routine(type_at(*t.w, t.index), routine::PropertyRead));
        uint32_t current[2] = {0, 0};
        if (read)
            read(object, index - 8, current);
        const auto* data = ptr<const uint8_t>(current[0]);
        scratch.font = font_of(data, data ? current[1] : 0);
        if (!apply_font_member(scratch.font, member, low))
            return {0, 0};
        return {word(&scratch.font), sizeof scratch.font};
    }
    return {low ? low : word(""), 0}; // texts: none is the empty text
}

void write_kind(const Target& t, int32_t index, int32_t member, uint32_t low, uint32_t high) {
    UnitObject* object = require_live(t);
    WriteRoutine write;
    uint16_t type;
    if (!kind_property(t, index, routine::PropertyWritten, write, type))
        return;
    WriteScratch scratch;
    PropValue value = value_for_write(t, object, index, type, member, low, high, scratch);
    const char* error_text = nullptr;
    int32_t outcome = write(object, index - 8, &value, &error_text);
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

// Steps 2 and 3 of re-creation: a new object from the old one's current data,
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
        (IsWindowEnabled(h) ? 0 : WS_DISABLED) | (GetWindowLongA(h, GWL_STYLE) & WS_TABSTOP);
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

// Steps 4 and 5: the new object takes the old one's place.
void install_replacement(const Target& t, const UnitTypeRecord* type, HWND old_handle,
                         UnitObject* fresh) {
    HWND h = fresh->handle();
    if (type->flags & type_flag::HoldsChildren)
        move_children(old_handle, h);
    set_slot_object(*t.w, t.index, fresh);
    place_in_z_order(*t.w, t.index);
    SendMessageA(h, kMsgUnitsCreated, 0, 0);
    SendMessageA(h, kMsgUnitsShown, 0, 0);
    if (type->flags & type_flag::NotifyParentOnRecreate) {
        SendMessageA(GetParent(h), kMsgWindowReady, 0, 0);
    }
    if (GetWindowLongA(old_handle, GWL_STYLE) & WS_VISIBLE)
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
    if (GetWindowLongA(h, GWL_STYLE) & WS_CHILD) {
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
        return word(copy_bytes_as_text(tag.data(), int32_t(tag.size())));
    }
    if (index == fixed::MousePointer) {
        auto data = cursor.mouse_pointer();
        uint8_t* set = new_byte_set(data.data(), uint32_t(data.size()));
        if (set)
            pointer_ids_to_numbers(set + 8, uint32_t(data.size()));
        return word(set);
    }
    if (HWND h = live_handle(*t.w, t.index)) {
        RECT r = live_rect(h);
        switch (index) {
        case fixed::Left:
            return uint32_t(r.left);
        case fixed::Top:
            return uint32_t(r.top);
        case fixed::Width:
            return uint32_t(r.right - r.left);
        case fixed::Height:
            return uint32_t(r.bottom - r.top);
        case fixed::Visible:
            return (GetWindowLongA(h, GWL_STYLE) & WS_VISIBLE) ? 1 : 0;
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

void write_mouse_pointer(const Target& t, const uint8_t* set) {
    std::vector<uint8_t> data;
    if (set)
        data.assign(set + 8, set + 8 + read_u32(set + 4));
    pointer_numbers_to_ids(data.data(), uint32_t(data.size()));
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
        RECT r = live_rect(h);
        SetWindowPos(h, nullptr, index == fixed::Left ? v : r.left, index == fixed::Top ? v : r.top,
                     0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    case fixed::Width:
    case fixed::Height: {
        v = std::clamp(v, 0, kCoordinateLimit);
        set_field(*t.w, t.index, index == fixed::Width ? Field::Width : Field::Height, uint32_t(v));
        if (!h)
            return;
        RECT r = live_rect(h);
        SetWindowPos(h, nullptr, 0, 0, index == fixed::Width ? v : r.right - r.left,
                     index == fixed::Height ? v : r.bottom - r.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    case fixed::Tag: {
        const char* text = ptr<const char>(low);
        set_tag(*t.w, t.index, text ? std::string_view(text) : std::string_view());
        return;
    }
    case fixed::Visible:
        write_visible(t, low != 0);
        return;
    case fixed::Disabled:
        set_state_bit(t, state_bit::Disabled, low != 0);
        if (h)
            EnableWindow(h, low == 0);
        return;
    case fixed::MousePointer:
        write_mouse_pointer(t, ptr<const uint8_t>(low));
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
    return index >= 8 ? read_kind(t, index, member) : read_fixed(t, index);
}

void write_property(uint32_t window_id, uint32_t unit_id, int32_t index, int32_t member,
                    uint32_t low, uint32_t high) {
    Target t = locate(window_id, unit_id);
    if (index < 0 || is_menu_item_at(*t.w, t.index))
        return;
    if (index >= 8) {
        write_kind(t, index, member, low, high);
    } else {
        write_fixed(t, index, low);
    }
}

} // namespace vantor::forms
