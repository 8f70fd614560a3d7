#include "app/win32/main_window.h"

#include "app/launcher.h"
#include "forms/win32/engine.h"

namespace vantor::app {

namespace {
constexpr uint32_t kWindowItself = 0; // the engine's id of the window's own unit
} // namespace

HWND unit_handle(uint32_t unit) {
    UnitObject* object = forms::find_unit_object(kMainWindow, unit);
    return object && object->alive() ? object->handle() : nullptr;
}

HWND main_window_handle() {
    return unit_handle(kWindowItself);
}

} // namespace vantor::app
