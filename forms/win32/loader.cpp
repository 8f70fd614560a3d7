#include "forms/win32/loader.h"

#include <windows.h>

#include <algorithm>
#include <map>
#include <vector>

#include "forms/win32/dispatch.h"
#include "forms/win32/dpi_win32.h"
#include "forms/win32/engine.h"
#include "forms/win32/engine_internal.h"
#include "runtime/protocol.h"
#include "runtime/win32/kernel.h"

namespace vantor::forms {

namespace {

using namespace detail;

// What the engine keeps per loaded window besides its unit table.
struct WindowState {
    bool modal = false;
    bool first_show_pending = false;
    bool aborting = false;                       // a failed load tears down what it built
    std::vector<std::pair<HWND, bool>> disabled; // windows a modal load disabled, was enabled
};

std::map<uint32_t, WindowState> g_states;
std::vector<std::pair<uint32_t, uint32_t>> g_suppressed; // (window, unit) being re-created

bool alive_as(const WindowRecord& w, UnitObject* object) {
    return object && live_object(w, 0) == object;
}

void enable_again(WindowState& state) {
    for (auto [handle, was_enabled] : state.disabled) {
        if (IsWindow(handle))
            EnableWindow(handle, was_enabled);
    }
    state.disabled.clear();
}

// Shows a top-level window in the start state its styles give it.
void show_in_start_state(HWND h) {
    if (IsIconic(h)) {
        ShowWindow(h, SW_SHOWMINIMIZED);
    } else if (IsZoomed(h)) {
        ShowWindow(h, SW_SHOWMAXIMIZED);
    } else {
        ShowWindow(h, SW_SHOW);
    }
}

void bring_to_front(HWND h) {
    if (IsIconic(h)) {
        ShowWindow(h, SW_RESTORE);
    } else {
        SetActiveWindow(h);
    }
}

// Creation order: the window's own unit, then the others from the last stored
// to the second; menu items are skipped.
std::vector<uint32_t> creation_order(const WindowRecord& w) {
    std::vector<uint32_t> order{0};
    for (uint32_t i = w.unit_count; i-- > 1;) {
        if (!is_menu_item_at(w, i))
            order.push_back(i);
    }
    return order;
}

dpi::Box stored_box_at(const RecordCursor& cursor) {
    return {cursor.get_signed(Field::Left), cursor.get_signed(Field::Top),
            cursor.get_signed(Field::Width), cursor.get_signed(Field::Height)};
}

// Creates one unit through its kind's create routine, with the styles of its
// state flags. `visible` receives whether the unit counts as visible.
UnitObject* create_unit(WindowRecord& w, uint32_t window_id, uint32_t index, HWND parent,
                        uint32_t control_id, bool modal, bool& visible) {
    RecordCursor cursor;
    if (!open_unit(w, index, cursor))
        return nullptr;
    const UnitTypeRecord* type = unit_type_of_kind(cursor.get(Field::Kind));
    auto create = reinterpret_cast<CreateRoutine>(unit_routine(type, routine::Create));
    if (!create)
        return nullptr;
    uint32_t state = cursor.get(Field::State);
    uint32_t styles = 0;
    visible = false;
    if (!(type->flags & type_flag::NeverShown)) {
        visible = (state & state_bit::Visible) != 0;
        if (state & state_bit::Disabled)
            styles |= WS_DISABLED;
        if (state & state_bit::TabStop)
            styles |= WS_TABSTOP;
    }
    // The kind reads its block while creating; a copy stays valid whatever it does.
    auto stored = cursor.block();
    std::vector<uint8_t> block(stored.begin(), stored.end());
    CreateParams params{};
    params.block = block.data();
    params.block_size = uint32_t(block.size());
    params.styles = styles;
    params.parent = parent;
    params.control_id = control_id;
    params.menu = nullptr;
    // A control goes to its stored place in pixels at its window's DPI; the
    // window kind scales the window itself, whose frame only it knows.
    const dpi::Box place = stored_box_at(cursor);
    const dpi::Box box = index == 0 ? place : dpi::to_pixels(place, dpi::window_dpi(parent));
    params.left = box.left;
    params.top = box.top;
    params.width = box.width;
    params.height = box.height;
    params.window_id = window_id;
    params.unit_id = unit_id_at(w, index).value_or(0);
    params.modal = modal;
    UnitObject* object = create(params);
    if (object && !object->alive())
        return nullptr;
    return object;
}

// The creation pass: every unit through its kind's create routine, the window
// first, in creation_order.
bool creation_pass(WindowRecord& w, uint32_t window_id, HWND owner, bool modal,
                   std::vector<bool>& visible) {
    HWND window = nullptr;
    uint32_t control_id = 100;
    for (uint32_t index : creation_order(w)) {
        bool shown = false;
        UnitObject* object =
            index == 0 ? create_unit(w, window_id, 0, owner, 0, modal, shown)
                       : create_unit(w, window_id, index, window, control_id, modal, shown);
        if (!object)
            return false;
        set_slot_object(w, index, object);
        visible[index] = shown;
        if (index == 0) {
            w.object = static_cast<WindowObject*>(object);
            window = object->handle();
        } else {
            control_id += 10;
        }
    }
    return true;
}

// The parent pass: each control onto its parent unit; only the first page of a paged
// container keeps its units' visibility.
void parent_pass(WindowRecord& w, HWND window, std::vector<bool>& visible) {
    for (uint32_t i = 1; i < w.unit_count; ++i) {
        HWND h = live_handle(w, i);
        if (!h)
            continue;
        uint32_t parent_id = field(w, i, Field::Parent);
        auto parent_index = parent_id ? unit_index(w, parent_id) : std::nullopt;
        HWND parent = parent_index ? live_handle(w, *parent_index) : nullptr;
        if (!parent)
            parent = window;
        if (GetParent(h) != parent)
            SetParent(h, parent);
        const UnitTypeRecord* type = type_at(w, i);
        if (!type || !(type->flags & type_flag::PagedContainer))
            continue;
        RecordCursor cursor;
        open_unit(w, i, cursor);
        bool later_page = false;
        for (uint32_t c = 0; c < cursor.child_count(); ++c) {
            uint32_t child = cursor.child(c);
            auto child_index = child ? unit_index(w, child) : std::nullopt;
            if (child == 0)
                later_page = true;
            if (later_page && child_index)
                visible[*child_index] = false;
        }
    }
}

// The cursor pass: each unit's cursor from its mouse pointer data.
void cursor_pass(WindowRecord& w) {
    for (uint32_t i = 0; i < w.unit_count; ++i) {
        RecordCursor cursor;
        if (!open_unit(w, i, cursor))
            continue;
        auto pointer = cursor.mouse_pointer();
        std::vector<uint8_t> data(pointer.begin(), pointer.end());
        set_slot_cursor(w, i, make_cursor(data.data(), uint32_t(data.size())));
    }
}

// Creates, parents, stacks and shows the units and sends them the load
// notifications. False when a unit could not be created.
bool build_units(WindowRecord& w, uint32_t window_id, HWND owner, bool modal,
                 std::vector<bool>& visible) {
    visible.assign(w.unit_count, false);
    if (!creation_pass(w, window_id, owner, modal, visible))
        return false;
    HWND window = live_handle(w, 0);
    parent_pass(w, window, visible);
    for (uint32_t i = 1; i < w.unit_count; ++i)
        place_in_z_order(w, i);
    cursor_pass(w);
    for (uint32_t i = w.unit_count; i-- > 0;) {
        if (HWND h = live_handle(w, i))
            SendMessageW(h, unit_message::UnitsCreated, 0, 0);
    }
    if (IsWindow(window))
        SendMessageW(window, unit_message::WindowReady, 0, 0);
    for (uint32_t i = 1; i < w.unit_count; ++i) {
        if (HWND h = live_handle(w, i))
            ShowWindow(h, visible[i] ? SW_SHOWNA : SW_HIDE);
    }
    return true;
}

// A failed load leaves nothing behind: what was created is destroyed (the
// controls with their window) and the description is put back as it was.
void abort_load(WindowRecord& w, uint32_t window_id) {
    g_states[window_id].aborting = true;
    std::vector<HWND> created;
    for (uint32_t i = 0; i < w.unit_count; ++i) {
        if (is_menu_item_at(w, i))
            continue;
        if (HWND h = live_handle(w, i))
            created.push_back(h);
        destroy_slot_cursor(w, i);
        set_slot_object(w, i, nullptr);
    }
    w.object = nullptr;
    for (HWND h : created) {
        if (IsWindow(h))
            DestroyWindow(h);
    }
    restore_snapshot(w);
    g_states.erase(window_id);
}

// The unit whose window holds the focus `focus`: the nearest unit window at or
// above it inside window `window`.
std::optional<uint32_t> unit_holding(const WindowRecord& w, HWND window, HWND focus) {
    for (HWND h = focus; h; h = GetParent(h)) {
        for (uint32_t i = 0; i < w.unit_count; ++i) {
            if (!is_menu_item_at(w, i) && live_handle(w, i) == h)
                return unit_id_at(w, i);
        }
        if (h == window)
            break;
    }
    return std::nullopt;
}

void disable_other_windows(uint32_t window_id, WindowState& state) {
    const WindowTable& table = kernel().windows();
    for (uint32_t i = 0; i < table.ids.size(); ++i) {
        if (table.ids[i] == window_id || !table.windows[i].object)
            continue;
        HWND h = live_handle(table.windows[i], 0);
        if (!h || (GetWindowLongW(h, GWL_STYLE) & WS_CHILD))
            continue;
        bool was_enabled = IsWindowEnabled(h) != FALSE;
        EnableWindow(h, FALSE);
        state.disabled.emplace_back(h, was_enabled);
    }
}

void run_modal_loop(uint32_t window_id) {
    const uint32_t saved = FormEngineKernel::swap_modal_window(window_id);
    run_message_loop(1);
    // A modal window that went while this one ran must not be waited for again.
    FormEngineKernel::swap_modal_window(saved && find_unit_object(saved, 0) ? saved : 0);
}

// The load events, the first show, the modal set-up and the shown notification,
// once the units exist and events flow again. Handlers run
// here and may close the window, so it is looked at again after each of them.
void finish_load(WindowRecord& w, uint32_t window_id, UnitObject* object, bool shown, bool modal) {
    HWND window = object->handle();
    FormEngineKernel::note_main_window(window);
    uint32_t own = own_unit_id(w);
    for (int32_t event : {window_event::Loaded, window_event::Moved, window_event::Resized}) {
        if (!alive_as(w, object))
            return;
        raise_vetoable(window_id, own, event);
    }
    if (shown && alive_as(w, object)) {
        show_in_start_state(window);
        HWND focus = GetFocus();
        auto holder = focus && (focus == window || IsChild(window, focus))
                          ? unit_holding(w, window, focus)
                          : std::nullopt;
        if (holder)
            raise_vetoable(window_id, *holder, event::GotFocus);
    }
    if (!alive_as(w, object))
        return;
    if (modal) {
        g_states[window_id].modal = true;
        disable_other_windows(window_id, g_states[window_id]);
    }
    HWND focus_before = GetFocus();
    for (uint32_t i = w.unit_count; i-- > 0;) {
        if (HWND h = live_handle(w, i))
            SendMessageW(h, unit_message::UnitsShown, 0, 0);
    }
    if (focus_before && IsWindow(focus_before) && GetFocus() != focus_before) {
        SetFocus(focus_before);
    }
    if (alive_as(w, object))
        g_states[window_id].first_show_pending = true;
}

} // namespace

bool load_window(uint32_t window_id, const LoadRequest& request) {
    WindowRecord* found = window_record(window_id);
    if (!found || found->unit_count == 0 || is_menu_item_at(*found, 0))
        return false;
    WindowRecord& w = *found;
    if (HWND open = live_handle(w, 0)) {
        bring_to_front(open);
        return true;
    }
    bool modal = request.modal != 0;
    HWND owner = nullptr;
    if (!modal && request.owner_given) {
        if (!request.owner || !request.owner->alive())
            return false;
        owner = request.owner->handle();
    }
    block_events();
    if (!take_snapshot(w)) {
        unblock_events();
        return false;
    }
    g_states[window_id] = WindowState{};
    std::vector<bool> visible;
    if (!build_units(w, window_id, owner, modal, visible)) {
        abort_load(w, window_id);
        unblock_events();
        return false;
    }
    unblock_events();
    // Messages handled while events come through again may have destroyed
    // the window already; then nothing of it is left to finish.
    auto* object = static_cast<UnitObject*>(static_cast<WindowObject*>(w.object));
    if (!object)
        return true;
    finish_load(w, window_id, object, visible[0], modal);
    if (alive_as(w, object) && (field(w, 0, Field::State) & state_bit::Visible)) {
        show_window(window_id, false);
    }
    return true;
}

void show_window(uint32_t window_id, bool show) {
    WindowRecord* w = window_record(window_id);
    UnitObject* object = w ? live_object(*w, 0) : nullptr;
    if (!object)
        return;
    if (show)
        show_in_start_state(object->handle());
    auto it = g_states.find(window_id);
    if (it == g_states.end() || !it->second.first_show_pending)
        return;
    it->second.first_show_pending = false;
    if (!it->second.modal)
        return;
    HWND h = object->handle();
    HWND owner = GetWindow(h, GW_OWNER);
    if (owner && (GetWindowLongW(owner, GWL_EXSTYLE) & WS_EX_TOPMOST)) {
        SetWindowPos(h, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    run_modal_loop(window_id);
}

bool request_close(uint32_t window_id) {
    WindowRecord* found = window_record(window_id);
    UnitObject* object = found ? live_object(*found, 0) : nullptr;
    if (!object)
        return false;
    WindowRecord& w = *found;
    uint32_t own = own_unit_id(w);
    if (raise_vetoable(window_id, own, window_event::BeforeClose))
        return false;
    if (!alive_as(w, object))
        return true;
    if (raise_vetoable(window_id, own, window_event::CloseAsked))
        return false;
    if (!alive_as(w, object))
        return true;
    auto it = g_states.find(window_id);
    if (it != g_states.end())
        enable_again(it->second);
    DestroyWindow(object->handle());
    return true;
}

bool is_modal(uint32_t window_id) {
    auto it = g_states.find(window_id);
    return it != g_states.end() && it->second.modal && find_unit_object(window_id, 0);
}

void on_unit_destroyed(uint32_t window_id, uint32_t unit_id) {
    WindowRecord* found = window_record(window_id);
    if (!found)
        return;
    WindowRecord& w = *found;
    auto index = unit_index(w, unit_id);
    if (!index || is_menu_item_at(w, *index))
        return;
    auto pair = std::make_pair(window_id, unit_id_at(w, *index).value_or(0));
    if (std::find(g_suppressed.begin(), g_suppressed.end(), pair) != g_suppressed.end())
        return;
    auto it = g_states.find(window_id);
    if (it != g_states.end() && it->second.aborting)
        return;
    if (*index != 0) {
        destroy_slot_cursor(w, *index);
        set_slot_object(w, *index, nullptr);
        return;
    }
    // The window itself: windows it disabled come back even when it was
    // destroyed without a close request.
    if (it != g_states.end()) {
        enable_again(it->second);
        g_states.erase(it);
    }
    for (uint32_t i = 0; i < w.unit_count; ++i) {
        if (is_menu_item_at(w, i))
            continue;
        destroy_slot_cursor(w, i);
        set_slot_object(w, i, nullptr);
    }
    restore_snapshot(w);
    w.object = nullptr;
    on_table_window_destroyed();
}

void lay_out_units(uint32_t window_id) {
    WindowRecord* found = window_record(window_id);
    if (!found || !live_handle(*found, 0))
        return;
    WindowRecord& w = *found;
    for (uint32_t i = 1; i < w.unit_count; ++i) {
        RecordCursor cursor;
        HWND h = live_handle(w, i);
        if (h && open_unit(w, i, cursor))
            dpi::place_unit(h, stored_box_at(cursor));
    }
    for (uint32_t i = 1; i < w.unit_count; ++i) {
        if (HWND h = live_handle(w, i))
            SendMessageW(h, WM_DPICHANGED_AFTERPARENT, 0, 0);
    }
}

void suppress_unit_destroyed(uint32_t window_id, uint32_t unit_id, bool on) {
    auto pair = std::make_pair(window_id, unit_id);
    auto it = std::find(g_suppressed.begin(), g_suppressed.end(), pair);
    if (on && it == g_suppressed.end())
        g_suppressed.push_back(pair);
    if (!on && it != g_suppressed.end())
        g_suppressed.erase(it);
}

} // namespace vantor::forms
