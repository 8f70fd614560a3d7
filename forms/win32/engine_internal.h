// Helpers the engine's modules share: record fields by unit index, live
// objects, cursors and the event block. Record bytes move when a tag or mouse
// pointer is written, so every helper re-opens the record by index instead of
// keeping body pointers across calls that may run other code.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

#include "forms/archive.h"
#include "forms/record.h"
#include "forms/win32/unit_object.h"
#include "forms/win32/unit_type.h"
#include "runtime/win32/kernel.h"

namespace vantor::forms::detail {

// What the form engine writes of the kernel's state: its window table, its
// hooks, the modal window, the main window and the current event.
struct FormEngineKernel {
    static WindowTable& windows() { return kernel().state_.windows; }
    static void install(const FormEngineHooks& hooks) { kernel().state_.forms = hooks; }
    static void install_archive_reader(decltype(FormEngineHooks::read_archive) reader) {
        kernel().state_.forms.read_archive = reader;
    }
    // Makes `window_id` the current modal window; returns the one before.
    static uint32_t swap_modal_window(uint32_t window_id) {
        uint32_t& modal = kernel().state_.current_modal_window;
        const uint32_t before = modal;
        modal = window_id;
        return before;
    }
    // The first window loaded (or the first after it went) ends pre-translation.
    static void note_main_window(HWND window) {
        HWND& main = kernel().state_.main_window;
        if (!IsWindow(main))
            main = window;
    }
    static void set_current_event(uint32_t window_id, uint32_t unit_id) {
        kernel().state_.current_event_window = window_id;
        kernel().state_.current_event_unit = unit_id;
    }
};

// Texts of the runtime errors the engine raises (code 0).
namespace engine_error {
inline constexpr char kEventWindowMissing[] = "未找到引发事件的窗口";
inline constexpr char kEventUnitMissing[] = "未找到引发事件的窗口组件";
inline constexpr char kEventUnitInvalid[] = "引发事件的窗口组件无效";
// Property access to a window that is not loaded, or to a kind property of a
// unit without a live object.
inline constexpr char kWindowUnknown[] = "未载入欲访问窗口组件所在的窗口";
inline constexpr char kWindowNotLoaded[] = "指定窗口尚未载入";
inline constexpr char kUnitNotLoaded[] = "指定窗口或窗口组件不存在或尚未载入";
} // namespace engine_error

WindowRecord* window_record(uint32_t window_id);
// Index of `unit_id` (0: the window's own unit); nullopt when absent.
std::optional<uint32_t> unit_index(const WindowRecord& w, uint32_t unit_id);
uint32_t own_unit_id(const WindowRecord& w);
bool is_menu_item_at(const WindowRecord& w, uint32_t index);

// A field of a non-menu unit; 0 when the unit cannot be opened.
uint32_t field(const WindowRecord& w, uint32_t index, Field f);
const UnitTypeRecord* type_at(const WindowRecord& w, uint32_t index);

UnitObject* slot_object(const WindowRecord& w, uint32_t index);
// The slot's object while its window handle is valid, else null.
UnitObject* live_object(const WindowRecord& w, uint32_t index);
HWND live_handle(const WindowRecord& w, uint32_t index);
void set_slot_object(WindowRecord& w, uint32_t index, UnitObject* object);

// Cursors: made from mouse pointer data, always private copies, so that
// destroying a slot's cursor never destroys a shared system cursor.
HCURSOR make_cursor(const uint8_t* data, uint32_t size);
HCURSOR slot_cursor(const WindowRecord& w, uint32_t index);
void set_slot_cursor(WindowRecord& w, uint32_t index, HCURSOR cursor);
void destroy_slot_cursor(WindowRecord& w, uint32_t index);

// Places unit `index`'s window right after the window of the nearest earlier
// unit with the same parent id, or at the top; no move, size or activation.
void place_in_z_order(const WindowRecord& w, uint32_t index);

// True when unit `index` is listed on a page other than the selected one of a
// page container unit (kind::PageContainer) of the window.
bool on_hidden_page(const WindowRecord& w, uint32_t index);

// Requests BlockEvents and UnblockEvents: pending messages first, then the lock count.
void block_events();
void unblock_events();

} // namespace vantor::forms::detail
