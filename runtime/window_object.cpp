#include "runtime/window_object.h"

namespace vantor {

namespace {
// The object pointer lives in a window property so that subclassed windows of any
// class (standard controls included) can carry it.
const char kObjectProp[] = "Vantor.Object";
} // namespace

WindowObject::~WindowObject() {
    detach();
}

WindowObject* WindowObject::from_handle(HWND hwnd) {
    if (!hwnd)
        return nullptr;
    return static_cast<WindowObject*>(GetPropA(hwnd, kObjectProp));
}

void WindowObject::attach(HWND hwnd) {
    hwnd_ = hwnd;
    SetPropA(hwnd, kObjectProp, this);
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&window_proc)));
}

void WindowObject::detach() {
    if (!hwnd_)
        return;
    if (IsWindow(hwnd_)) {
        if (reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hwnd_, GWLP_WNDPROC)) == &window_proc) {
            SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
        }
        RemovePropA(hwnd_, kObjectProp);
    }
    hwnd_ = nullptr;
}

bool WindowObject::pre_translate(MSG&) {
    return false;
}

LRESULT WindowObject::call_previous(UINT msg, WPARAM wp, LPARAM lp) {
    return previous_ ? CallWindowProcA(previous_, hwnd_, msg, wp, lp)
                     : DefWindowProcA(hwnd_, msg, wp, lp);
}

LRESULT WindowObject::on_message(UINT msg, WPARAM wp, LPARAM lp) {
    return call_previous(msg, wp, lp);
}

LRESULT CALLBACK WindowObject::window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    WindowObject* self = from_handle(hwnd);
    if (!self)
        return DefWindowProcA(hwnd, msg, wp, lp);
    if (msg == kMsgQueryObject)
        return reinterpret_cast<LRESULT>(self);
    LRESULT result = self->on_message(msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        WNDPROC previous = self->previous_;
        RemovePropA(hwnd, kObjectProp);
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        self->hwnd_ = nullptr;
        self->on_final_destroy();
    }
    return result;
}

} // namespace vantor
