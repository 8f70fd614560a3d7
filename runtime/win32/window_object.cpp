#include "runtime/win32/window_object.h"

#include <unordered_map>

#include "runtime/win32/system_text.h"

namespace vantor {

namespace {
// Which object each window carries, kept in the process rather than in a window
// property: the lookup runs for every message of every window, and a property
// read is a round trip to the window server. Any thread may ask, so the table
// has a lock of its own: a critical section, which the thread that holds it
// may take again. An allocation that fails while an entry is added ends the
// process through the error report with the lock held, and the report's
// window messages look windows up here on that thread; the failed insertion
// has left the table as it was.
class ObjectTable {
  public:
    ObjectTable() { InitializeCriticalSection(&lock_); }
    ObjectTable(const ObjectTable&) = delete;
    ObjectTable& operator=(const ObjectTable&) = delete;

    WindowObject* find(HWND hwnd) {
        Hold hold(lock_);
        auto it = objects_.find(hwnd);
        return it == objects_.end() ? nullptr : it->second;
    }
    void set(HWND hwnd, WindowObject* object) {
        Hold hold(lock_);
        objects_[hwnd] = object;
    }
    // Forgets `hwnd` if it still carries `object` (a reused handle may carry another).
    void erase(HWND hwnd, const WindowObject* object) {
        Hold hold(lock_);
        auto it = objects_.find(hwnd);
        if (it != objects_.end() && it->second == object)
            objects_.erase(it);
    }

  private:
    // The lock is released however the holder's scope ends.
    struct Hold {
        explicit Hold(CRITICAL_SECTION& l) : lock(l) { EnterCriticalSection(&lock); }
        ~Hold() { LeaveCriticalSection(&lock); }
        CRITICAL_SECTION& lock;
    };

    CRITICAL_SECTION lock_;
    std::unordered_map<HWND, WindowObject*> objects_;
};

// Never destroyed: objects with static lifetime (the kernel's hidden owner)
// detach after the end of main, when a static table might already be gone.
ObjectTable& object_table() {
    static ObjectTable* table = new ObjectTable;
    return *table;
}
} // namespace

WindowObject::~WindowObject() {
    detach();
}

WindowObject* WindowObject::from_handle(HWND hwnd) {
    if (!hwnd)
        return nullptr;
    return object_table().find(hwnd);
}

void WindowObject::attach(HWND hwnd) {
    hwnd_ = hwnd;
    object_table().set(hwnd, this);
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&window_proc)));
}

void WindowObject::detach() {
    if (!hwnd_)
        return;
    if (IsWindow(hwnd_)) {
        if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd_, GWLP_WNDPROC)) == &window_proc) {
            SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
        }
    }
    object_table().erase(hwnd_, this);
    hwnd_ = nullptr;
}

bool WindowObject::pre_translate(MSG&) {
    return false;
}

LRESULT WindowObject::call_previous(UINT msg, WPARAM wp, LPARAM lp) {
    return previous_ ? CallWindowProcW(previous_, hwnd_, msg, wp, lp)
                     : DefWindowProcW(hwnd_, msg, wp, lp);
}

LRESULT WindowObject::on_message(UINT msg, WPARAM wp, LPARAM lp) {
    return call_previous(msg, wp, lp);
}

LRESULT CALLBACK WindowObject::window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    WindowObject* self = from_handle(hwnd);
    if (!self)
        return DefWindowProcW(hwnd, msg, wp, lp);
    if (msg == kMsgQueryObject)
        return reinterpret_cast<LRESULT>(self);
    LRESULT result = self->on_message(msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        WNDPROC previous = self->previous_;
        object_table().erase(hwnd, self);
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        self->hwnd_ = nullptr;
        self->on_final_destroy();
    }
    return result;
}

bool register_object_class(const char* name, UINT style) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    const std::wstring class_name = system_text::to_wide(name);
    WNDCLASSW wc{};
    if (GetClassInfoW(instance, class_name.c_str(), &wc))
        return true;
    wc = WNDCLASSW{};
    wc.style = style;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    wc.lpszClassName = class_name.c_str();
    return RegisterClassW(&wc) != 0;
}

} // namespace vantor
