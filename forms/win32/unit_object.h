// The live object of a unit: a subclassed window that knows its (window id,
// unit id) and its type, raises events to the form engine and reports its
// destruction. Control kinds derive from it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>

#include "forms/win32/events.h"
#include "forms/win32/unit_type.h"
#include "runtime/win32/window_object.h"

namespace vantor {

class UnitObject : public WindowObject {
  public:
    UnitObject(uint32_t window_id, uint32_t unit_id, const forms::UnitTypeRecord* type)
        : window_id_(window_id), unit_id_(unit_id), type_(type) {}

    uint32_t window_id() const { return window_id_; }
    uint32_t unit_id() const { return unit_id_; }
    const forms::UnitTypeRecord* type() const { return type_; }

    // Raises `event` with up to five 32-bit arguments through the runtime's event
    // dispatch (short form). Returns true when a handler ran; `result` receives
    // the handler's value when it returned one (`has_result` tells).
    bool raise_event(int32_t event, std::initializer_list<uint32_t> args = {},
                     bool* has_result = nullptr, uint32_t* result = nullptr);

    // A notification that the parent reflected back to this unit (WM_COMMAND,
    // WM_NOTIFY, WM_CTLCOLOR*, WM_DRAWITEM, scroll messages). True when handled.
    virtual bool on_reflected(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

  protected:
    // Reports the destruction to the form engine (request UnitDestroyed), then deletes itself.
    void on_final_destroy() override;

  private:
    uint32_t window_id_;
    uint32_t unit_id_;
    const forms::UnitTypeRecord* type_;
};

// Offers a notification a parent received to the object of the child it names
// (the control in lParam, or the one with the id in wParam for WM_DRAWITEM /
// WM_NOTIFY). True when the child handled it; `result` is then the reply.
bool reflect_notification(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

} // namespace vantor
