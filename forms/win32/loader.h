// Loading windows from the window table, the close request and the
// bookkeeping when units are destroyed.
#pragma once

#include <cstdint>

#include "runtime/win32/window_object.h"

namespace vantor::forms {

// Second parameter of request LoadWindow (first parameter: the window id). A null
// request means: no owner, not modal.
struct LoadRequest {
    uint32_t owner_given; // non-zero: an owner was named (it may be gone)
    WindowObject* owner;  // its object, null when it no longer exists
    uint32_t modal;       // non-zero: modal; the owner is then ignored
};

// Loads window `window_id` with all its units and shows it; a modal load
// returns only after the window has been destroyed. When the window is
// already open it is brought to the front instead. False for an unknown
// window, a vanished owner, or a unit that could not be created (then nothing
// of the window remains).
bool load_window(uint32_t window_id, const LoadRequest& request);

// The first-show path: shows the window when `show` (in its start state), and,
// when its first show is still pending, completes it (topmost like its owner
// and, for a modal window, the nested message loop until it is destroyed).
void show_window(uint32_t window_id, bool show);

// Request UnitDestroyed: a unit's object is gone. For the window itself (unit 0 or its
// own unit) the window's description is restored and the program may end.
void on_unit_destroyed(uint32_t window_id, uint32_t unit_id);

// After the window's DPI changed: every control of window `window_id` back at
// its stored place in pixels at the new DPI, then told so with
// WM_DPICHANGED_AFTERPARENT (its kind lays out its font and parts again).
void lay_out_units(uint32_t window_id);

// While a unit is re-created, destroying its old object must not clear the
// slot that already holds the new one.
void suppress_unit_destroyed(uint32_t window_id, uint32_t unit_id, bool on);

} // namespace vantor::forms
