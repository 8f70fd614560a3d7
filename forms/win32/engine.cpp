#include "forms/win32/engine.h"

#include <algorithm>
#include <span>
#include <vector>

#include "forms/mouse_pointer.h"
#include "forms/win32/dispatch.h"
#include "forms/win32/engine_internal.h"
#include "forms/win32/loader.h"
#include "forms/win32/properties.h"
#include "runtime/fatal.h"
#include "runtime/protocol.h"
#include "runtime/value.h"
#include "runtime/win32/kernel.h"

namespace vantor::forms {

namespace {

SelectedPageQuery g_page_query = nullptr;

// ---- kernel hooks ---------------------------------------------------------------

int32_t window_idle_turn(uint32_t index, uint32_t elapsed_ms) {
    WindowTable& table = detail::FormEngineKernel::windows();
    WindowRecord* w = window_at(table, index);
    if (!w || !w->object || !detail::live_object(*w, 0))
        return 0;
    EventRecord record{};
    record.window_id = table.ids[index];
    record.unit_id = detail::own_unit_id(*w);
    record.event = window_event::Idle;
    record.argc = 1;
    record.args[0] = elapsed_ms;
    raise_event(record);
    return record.has_result && record.result != 0 ? 1 : 0;
}

uint32_t serve_request(int32_t code, uint32_t first, uint32_t second, bool* handled) {
    *handled = true;
    switch (code) {
    case request::UnitDestroyed:
        on_unit_destroyed(first, second);
        return 0;
    case request::LoadWindow: {
        static const LoadRequest kPlain{0, nullptr, 0};
        auto* request = reinterpret_cast<const LoadRequest*>(uintptr_t(second));
        return load_window(first, request ? *request : kPlain) ? 1 : 0;
    }
    case request::FindUnitObject:
        return word_of(find_unit_object(first, second));
    case request::RequireUnitObject: {
        UnitObject* object = find_unit_object(first, second);
        if (!object)
            raise_runtime_error(detail::engine_error::kUnitNotLoaded, 0);
        return word_of(object);
    }
    case request::RaiseEvent: {
        auto* record = reinterpret_cast<EventRecord*>(uintptr_t(first));
        return record && raise_event(*record) ? 1 : 0;
    }
    case request::RaiseTypedEvent: {
        auto* record = reinterpret_cast<TypedEventRecord*>(uintptr_t(first));
        return record && raise_typed_event(*record) ? 1 : 0;
    }
    default:
        *handled = false;
        return 0;
    }
}

bool load_startup(uint32_t window_id) {
    return load_window(window_id, LoadRequest{0, nullptr, 0});
}

// A cursor file (reserved 0, type 2 or 1, count, 16-byte entries) made into a
// cursor from its first image. Null when the bytes are not one.
HCURSOR cursor_from_file(std::span<const uint8_t> file) {
    if (file.size() < 6 + 16)
        return nullptr;
    uint16_t reserved = uint16_t(file[0] | file[1] << 8);
    uint16_t kind = uint16_t(file[2] | file[3] << 8);
    uint16_t count = uint16_t(file[4] | file[5] << 8);
    if (reserved != 0 || (kind != 1 && kind != 2) || count == 0)
        return nullptr;
    const uint8_t* entry = file.data() + 6;
    uint32_t size = read_u32(entry + 8);
    uint32_t offset = read_u32(entry + 12);
    if (offset > file.size() || size > file.size() - offset || size < 40)
        return nullptr;
    // A cursor resource is the hot spot (two words) followed by the image.
    std::vector<uint8_t> resource(4 + size_t(size));
    if (kind == 2)
        std::copy(entry + 4, entry + 8, resource.begin());
    std::copy(file.data() + offset, file.data() + offset + size, resource.begin() + 4);
    return reinterpret_cast<HCURSOR>(
        CreateIconFromResourceEx(resource.data(), DWORD(resource.size()), FALSE,
                                 kIconResourceVersion, 0, 0, LR_DEFAULTCOLOR));
}

HCURSOR standard_cursor(uint32_t number, uint32_t system_id) {
    HCURSOR shared = nullptr;
    if (number == kHandCursorNumber) {
        shared = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kHandCursorResource));
    }
    if (!shared)
        shared = LoadCursorW(nullptr, MAKEINTRESOURCEW(system_id));
    return shared ? reinterpret_cast<HCURSOR>(CopyIcon(reinterpret_cast<HICON>(shared))) : nullptr;
}

} // namespace

// ---- shared helpers ---------------------------------------------------------------

namespace detail {

WindowRecord* window_record(uint32_t window_id) {
    return find_window(detail::FormEngineKernel::windows(), window_id);
}

std::optional<uint32_t> unit_index(const WindowRecord& w, uint32_t unit_id) {
    auto view = find_unit_or_window(w, unit_id);
    if (!view)
        return std::nullopt;
    return view->index;
}

uint32_t own_unit_id(const WindowRecord& w) {
    return unit_id_at(w, 0).value_or(0);
}

bool is_menu_item_at(const WindowRecord& w, uint32_t index) {
    auto id = unit_id_at(w, index);
    return !id || is_menu_item_id(*id);
}

uint32_t field(const WindowRecord& w, uint32_t index, Field f) {
    RecordCursor cursor;
    return open_unit(w, index, cursor) ? cursor.get(f) : 0;
}

const UnitTypeRecord* type_at(const WindowRecord& w, uint32_t index) {
    return unit_type_of_kind(field(w, index, Field::Kind));
}

UnitObject* slot_object(const WindowRecord& w, uint32_t index) {
    return reinterpret_cast<UnitObject*>(uintptr_t(field(w, index, Field::ObjectSlot)));
}

UnitObject* live_object(const WindowRecord& w, uint32_t index) {
    UnitObject* object = slot_object(w, index);
    return object && object->alive() ? object : nullptr;
}

HWND live_handle(const WindowRecord& w, uint32_t index) {
    UnitObject* object = live_object(w, index);
    return object ? object->handle() : nullptr;
}

void set_slot_object(WindowRecord& w, uint32_t index, UnitObject* object) {
    set_field(w, index, Field::ObjectSlot, word_of(object));
}

HCURSOR make_cursor(const uint8_t* data, uint32_t size) {
    MousePointer pointer = decode_mouse_pointer(data, size);
    if (pointer.whole_is_candidate) {
        if (HCURSOR cursor = cursor_from_file(pointer.image))
            return cursor;
    }
    switch (pointer.kind) {
    case PointerKind::Standard:
        return standard_cursor(pointer.number, pointer.system_id);
    case PointerKind::Image:
        return cursor_from_file(pointer.image);
    case PointerKind::None:
        break;
    }
    return nullptr;
}

HCURSOR slot_cursor(const WindowRecord& w, uint32_t index) {
    return reinterpret_cast<HCURSOR>(uintptr_t(field(w, index, Field::CursorSlot)));
}

void set_slot_cursor(WindowRecord& w, uint32_t index, HCURSOR cursor) {
    set_field(w, index, Field::CursorSlot, word_of(cursor));
}

void destroy_slot_cursor(WindowRecord& w, uint32_t index) {
    if (HCURSOR cursor = slot_cursor(w, index))
        DestroyCursor(cursor);
    set_slot_cursor(w, index, nullptr);
}

void place_in_z_order(const WindowRecord& w, uint32_t index) {
    HWND self = live_handle(w, index);
    if (!self)
        return;
    uint32_t parent = field(w, index, Field::Parent);
    HWND after = HWND_TOP;
    // The window's own unit (index 0) is no sibling of its controls.
    for (uint32_t j = index; j-- > 1;) {
        if (is_menu_item_at(w, j) || field(w, j, Field::Parent) != parent)
            continue;
        if (HWND sibling = live_handle(w, j))
            after = sibling;
        break;
    }
    SetWindowPos(self, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

bool on_hidden_page(const WindowRecord& w, uint32_t index) {
    auto id = unit_id_at(w, index);
    if (!id)
        return false;
    for (uint32_t c = 0; c < w.unit_count; ++c) {
        RecordCursor cursor;
        if (!open_unit(w, c, cursor) || cursor.get(Field::Kind) != kind::PageContainer)
            continue;
        UnitObject* container = live_object(w, c);
        uint32_t selected = container && g_page_query ? g_page_query(container) : 0;
        uint32_t page = 0;
        for (uint32_t i = 0; i < cursor.child_count(); ++i) {
            uint32_t child = cursor.child(i);
            if (child == 0) {
                ++page;
            } else if (child == *id) {
                return page != selected;
            }
        }
    }
    return false;
}

void block_events() {
    runtime_request(request::BlockEvents, 0, 0);
}
void unblock_events() {
    runtime_request(request::UnblockEvents, 0, 0);
}

} // namespace detail

// ---- public API ---------------------------------------------------------------------

namespace {

bool read_archive(const uint8_t* data, uint32_t size, uint32_t code_base, WindowTable& table) {
    WindowTable read;
    if (!read_window_table(data, size, read, nullptr))
        return false;
    relocate_handlers(read, code_base);
    table = std::move(read);
    return true;
}

uint32_t own_unit_id(uint32_t window_id) {
    const WindowRecord* w = find_window(kernel().windows(), window_id);
    const auto own = w ? unit_id_at(*w, 0) : std::nullopt;
    return own.value_or(0);
}

} // namespace

void install_archive_reader() {
    detail::FormEngineKernel::install_archive_reader(read_archive);
}

void install_form_engine() {
    detail::FormEngineKernel::install({.read_archive = read_archive,
                                       .own_unit_id = own_unit_id,
                                       .window_idle_turn = window_idle_turn,
                                       .request = serve_request,
                                       .load_window = load_startup,
                                       .read_property = read_property,
                                       .write_property = write_property});
}

const UnitTypeRecord* unit_type_of_kind(uint32_t kind) {
    const auto& libraries = kernel().libraries();
    uint32_t library = kind >> 16;
    uint32_t type = kind & 0xFFFF;
    if (library == 0 || type == 0 || library > libraries.size())
        return nullptr;
    const LibraryRecord* record = libraries[library - 1];
    if (!record || !record->data_types || type > record->data_type_count)
        return nullptr;
    return static_cast<const UnitTypeRecord*>(record->data_types) + (type - 1);
}

void* unit_routine(const UnitTypeRecord* type, int32_t number) {
    return type && type->routine ? type->routine(number) : nullptr;
}

UnitObject* find_unit_object(uint32_t window_id, uint32_t unit_id) {
    WindowRecord* w = detail::window_record(window_id);
    if (!w)
        return nullptr;
    auto index = detail::unit_index(*w, unit_id);
    if (!index || detail::is_menu_item_at(*w, *index))
        return nullptr;
    return detail::live_object(*w, *index);
}

namespace {
bool info_at(const WindowRecord& w, uint32_t index, UnitInfo& out) {
    RecordCursor cursor;
    if (!open_unit(w, index, cursor))
        return false;
    out.id = unit_id_at(w, index).value_or(0);
    out.index = index;
    out.kind = cursor.get(Field::Kind);
    out.parent = cursor.get(Field::Parent);
    out.state = cursor.get(Field::State);
    out.tab_order = cursor.get(Field::TabOrder);
    out.type = unit_type_of_kind(out.kind);
    out.object = detail::live_object(w, index);
    return true;
}
} // namespace

bool unit_info(uint32_t window_id, uint32_t unit_id, UnitInfo& out) {
    WindowRecord* w = detail::window_record(window_id);
    if (!w)
        return false;
    auto index = detail::unit_index(*w, unit_id);
    return index && info_at(*w, *index, out);
}

std::vector<UnitInfo> window_units(uint32_t window_id) {
    std::vector<UnitInfo> units;
    WindowRecord* w = detail::window_record(window_id);
    if (!w)
        return units;
    for (uint32_t i = 0; i < w->unit_count; ++i) {
        UnitInfo info;
        if (info_at(*w, i, info))
            units.push_back(info);
    }
    return units;
}

std::vector<UnitInfo> tab_candidates(uint32_t window_id) {
    std::vector<UnitInfo> candidates;
    for (const UnitInfo& u : window_units(window_id)) {
        if (u.index == 0 || !u.object || !(u.state & state_bit::TabStop))
            continue;
        if (u.type && (u.type->flags & (type_flag::NoTabFocus | type_flag::NeverShown)))
            continue;
        HWND h = u.object->handle();
        if (IsWindowVisible(h) && IsWindowEnabled(h))
            candidates.push_back(u);
    }
    std::stable_sort(
        candidates.begin(), candidates.end(),
        [](const UnitInfo& a, const UnitInfo& b) { return a.tab_order < b.tab_order; });
    return candidates;
}

HCURSOR unit_cursor(uint32_t window_id, uint32_t unit_id) {
    WindowRecord* w = detail::window_record(window_id);
    if (!w)
        return nullptr;
    auto index = detail::unit_index(*w, unit_id);
    return index ? detail::slot_cursor(*w, *index) : nullptr;
}

std::vector<UnitObject*> loaded_windows() {
    std::vector<UnitObject*> objects;
    for (const WindowRecord& w : kernel().windows().windows) {
        if (UnitObject* object = w.object ? detail::live_object(w, 0) : nullptr) {
            objects.push_back(object);
        }
    }
    return objects;
}

void set_selected_page_query(SelectedPageQuery query) {
    g_page_query = query;
}

} // namespace vantor::forms
