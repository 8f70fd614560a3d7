#include "forms/win32/unit_object.h"

#include <commctrl.h>

#include "runtime/protocol.h"
#include "runtime/win32/libraries.h"

namespace vantor {

bool UnitObject::raise_event(int32_t event, std::initializer_list<uint32_t> args, bool* has_result,
                             uint32_t* result) {
    forms::EventRecord record{};
    record.window_id = window_id_;
    record.unit_id = unit_id_;
    record.event = event;
    for (uint32_t a : args) {
        if (record.argc == 5)
            break;
        record.args[record.argc++] = a;
    }
    uint32_t ran = library_request(Library::Base, request::RaiseEvent,
                                   uint32_t(reinterpret_cast<uintptr_t>(&record)), 0);
    if (has_result)
        *has_result = record.has_result != 0;
    if (result)
        *result = record.result;
    return ran != 0;
}

bool UnitObject::on_reflected(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

void UnitObject::on_final_destroy() {
    library_request(Library::Base, request::UnitDestroyed, window_id_, unit_id_);
    delete this;
}

bool reflect_notification(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    HWND child = nullptr;
    switch (msg) {
    case WM_COMMAND:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
    case WM_HSCROLL:
    case WM_VSCROLL:
        child = reinterpret_cast<HWND>(lp);
        break;
    case WM_NOTIFY:
        child = reinterpret_cast<const NMHDR*>(lp)->hwndFrom;
        break;
    case WM_DRAWITEM:
        child = reinterpret_cast<const DRAWITEMSTRUCT*>(lp)->hwndItem;
        break;
    default:
        return false;
    }
    auto* object = dynamic_cast<UnitObject*>(WindowObject::from_handle(child));
    return object && object->on_reflected(msg, wp, lp, result);
}

} // namespace vantor
