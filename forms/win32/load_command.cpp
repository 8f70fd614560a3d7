#include "forms/load_command.h"

#include "forms/win32/loader.h"
#include "forms/win32/unit_object.h"
#include "runtime/call.h"
#include "runtime/protocol.h"
#include "runtime/win32/libraries.h"

namespace vantor::forms {

void load_window_command(TypedValue* result, int32_t argc, const TypedValue* args) {
    TypedValue window = argument(argc, args, 0);
    TypedValue owner = argument(argc, args, 1);
    TypedValue modal = argument(argc, args, 2);
    LoadRequest request{};
    request.modal = modal.low != 0 ? 1 : 0;
    if (!omitted(owner)) {
        request.owner_given = 1;
        request.owner = reinterpret_cast<UnitObject*>(uintptr_t(
            library_request(Library::Base, request::FindUnitObject, owner.low, owner.high)));
    }
    uint32_t loaded = library_request(Library::Base, request::LoadWindow, window.low,
                                      uint32_t(reinterpret_cast<uintptr_t>(&request)));
    *result = make_bool(loaded != 0);
}

} // namespace vantor::forms
