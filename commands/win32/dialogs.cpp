#include "commands/library.h"

#include <windows.h>

#include "forms/win32/unit_object.h"
#include "runtime/call.h"
#include "runtime/protocol.h"
#include "runtime/win32/libraries.h"
#include "runtime/win32/system_text.h"

namespace vantor {

namespace {

HWND owner_window(const TypedValue& unit) {
    if (omitted(unit))
        return nullptr;
    auto object = reinterpret_cast<UnitObject*>(
        uintptr_t(library_request(Library::Base, request::FindUnitObject, unit.low, unit.high)));
    return object ? object->handle() : nullptr;
}

const char* text_or_empty(const TypedValue& v) {
    const char* text = v.type == type::Text ? as_text(v) : nullptr;
    return text ? text : "";
}

} // namespace

void cmd_message_box(TypedValue* result, int32_t argc, const TypedValue* args) {
    TypedValue text = argument(argc, args, 0);
    TypedValue style = argument(argc, args, 1);
    TypedValue caption = argument(argc, args, 2);
    HWND owner = owner_window(argument(argc, args, 3));
    int pressed = MessageBoxW(owner, system_text::to_wide(text_or_empty(text)).c_str(),
                              system_text::to_wide(text_or_empty(caption)).c_str(),
                              omitted(style) ? MB_OK : UINT(style.low));
    *result = make_int(pressed);
}

void cmd_quit_pending(TypedValue* result, int32_t, const TypedValue*) {
    MSG msg;
    *result = make_bool(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE);
}

} // namespace vantor
