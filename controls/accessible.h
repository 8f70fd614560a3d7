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

// The accessible object of one control and its export to other processes,
// made on the first query and kept for the control's life: each WM_GETOBJECT
// hands out the same object (LresultFromObject), and the control holds it
// marshalled table-strong, so no reader's release ever ends the export. The
// end is the control's: its destruction disconnects the object
// (CoDisconnectObject), which cuts every reader off at once without waiting
// for anyone, and releases it.
//
// Why: under Wine an export that ends by a reader's last release ends on the
// window's thread, in the middle of that release, and when it was the last
// object of its interface in the process, Wine unregisters the interface from
// its RPC runtime waiting for the calls in flight on it
// (RpcServerUnregisterIf, WaitForCallsToComplete). The call it waits for has
// already answered the reader; its thread only has to count itself out, and
// rpcrt4 can lose that wake-up (the count and the flag that asks for it are
// read and written on two threads without a common lock). The window's thread
// then sleeps for ever. Kept exports keep the registration above
// zero, a disconnect unregisters without waiting, and Windows' COM has no such
// wait at all: the window's thread never waits on another thread here.
class AccessibleExport {
  public:
    AccessibleExport() = default;
    ~AccessibleExport(); // disconnects and releases the object, if there is one
    AccessibleExport(const AccessibleExport&) = delete;
    AccessibleExport& operator=(const AccessibleExport&) = delete;

    // WM_GETOBJECT of `hwnd`, on its thread: for OBJID_CLIENT true, with
    // `result` the standard object told `facts` (the same facts at every
    // query) as the message's answer. False for other objects, or when the
    // system's accessibility library cannot give one: the window procedure
    // answers as usual then.
    bool answer(HWND hwnd, WPARAM wp, LPARAM lp, const AccessibleFacts& facts, LRESULT& result);

    struct Held; // what the control holds (accessible.cpp)

  private:
    Held* held_ = nullptr;
};

// How many of these objects are alive in this process: one for each control
// a reader has asked since it was created, until it is destroyed (or a call in
// progress on it ends).
long accessible_objects_alive();

} // namespace vantor::controls
