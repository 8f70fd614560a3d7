// Base of every window the runtime creates or subclasses: finds the C++ object
// from a window handle, offers messages for pre-translation and answers the
// private "who is your object" message.
#pragma once

#include <windows.h>

#include <cstdint>

namespace vantor {

inline constexpr UINT kMsgQueryObject = 0x8002; // reply: the window's object or 0

class WindowObject {
  public:
    WindowObject() = default;
    WindowObject(const WindowObject&) = delete;
    WindowObject& operator=(const WindowObject&) = delete;
    virtual ~WindowObject();

    HWND handle() const { return hwnd_; }
    bool alive() const { return hwnd_ != nullptr && IsWindow(hwnd_); }

    // Object attached to `hwnd`, or null.
    static WindowObject* from_handle(HWND hwnd);

    // Attaches this object to an existing window by subclassing it; the previous
    // window procedure receives every message this object does not consume.
    void attach(HWND hwnd);
    // Restores the previous procedure and forgets the handle.
    void detach();

    // Offered each queued message for this window or its children before
    // dispatch; true consumes it.
    virtual bool pre_translate(MSG& msg);

  protected:
    // Message handler; the default forwards to the previous procedure.
    virtual LRESULT on_message(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT call_previous(UINT msg, WPARAM wp, LPARAM lp);
    // The previous procedure's answer, after which `then()` runs: for work that
    // must see the message's effect (the window moved, the focus changed).
    template <class F> LRESULT call_previous_then(UINT msg, WPARAM wp, LPARAM lp, F&& then) {
        LRESULT r = call_previous(msg, wp, lp);
        then();
        return r;
    }
    // Called after WM_NCDESTROY, when the handle is gone; the object may delete itself.
    virtual void on_final_destroy() {}

  private:
    static LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    HWND hwnd_ = nullptr;
    WNDPROC previous_ = nullptr;
};

// Registers window class `name` of this module with class `style` unless it is
// registered already: the default window procedure (a window object subclasses
// every window it is attached to; Unicode, as every window of the runtime is), the arrow cursor, no
// background (the null brush), no icon, no menu. False when it cannot be registered.
bool register_object_class(const char* name, UINT style);

} // namespace vantor
