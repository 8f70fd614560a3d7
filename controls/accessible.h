// What the kinds tell assistive technology (screen readers, UI automation):
// a control answers WM_GETOBJECT with the system's standard accessible object
// for its window, wrapped so that the name (and, where the system cannot know
// it, the role and state) are the kind's. Everything else (value, location,
// navigation, keyboard shortcut...) stays the standard object's.
#pragma once

#include <windows.h>

#include <string>

namespace vantor::controls {

// What a kind knows better than the system about its control.
struct AccessibleFacts {
    // The control's name into `name` (empty: no name); false keeps the
    // standard object's. Asked at each query, on the window's thread, so a
    // changed caption is read at once; `hwnd` may be gone by then.
    bool (*name)(HWND hwnd, std::wstring& name) = nullptr;
    LONG role = 0;        // ROLE_SYSTEM_...; 0 keeps the standard object's
    LONG state_set = 0;   // STATE_SYSTEM_... bits added to the standard state
    LONG state_clear = 0; // and bits taken from it
};

// WM_GETOBJECT of `hwnd`: for OBJID_CLIENT true, with `result` the standard
// object told `facts` and handed over as the message's answer (LresultFromObject,
// which marshals it to another process when one asks). False for other objects,
// or when the system's accessibility library cannot give one: the window
// procedure answers as usual then.
bool answer_get_object(HWND hwnd, WPARAM wp, LPARAM lp, const AccessibleFacts& facts,
                       LRESULT& result);

// How many of these objects are alive in this process: each lives as long as
// its last reference.
long accessible_objects_alive();

} // namespace vantor::controls
