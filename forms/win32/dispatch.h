// Event dispatch: finds the handler bound to (window, unit, event) in the live
// unit table and calls it.
//
// Handler calling convention (defined here and nowhere else):
//   A handler is a plain cdecl routine at the address the window table binds.
//   It receives the event's arguments as 32-bit words, first argument first; a
//   typed argument that passes both words takes two, low word first. Its return
//   registers are ignored. A handler that returns a value calls
//   set_handler_result (application code: the library command
//   handler_result_command) before it returns; only then does the event record
//   carry "has result" and the value. A routine with no result needs nothing
//   special, so any void routine of 32-bit parameters is a valid handler, and a
//   handler that forgets to return a value can never veto by accident.
#pragma once

#include <cstdint>

#include "forms/win32/events.h"
#include "runtime/value.h"

namespace vantor::forms {

// The handler of event `event` of the unit (0: the window's own unit), or 0.
// Returns 0 while events are blocked. Raises "未找到引发事件的窗口",
// "未找到引发事件的窗口组件" or "引发事件的窗口组件无效" (fatal). Sets the current
// event window and unit when it returns a handler.
uint32_t find_handler(uint32_t window_id, uint32_t unit_id, int32_t event);

// Request RaiseEvent: calls the handler with record.args[0 .. argc) (argc above 5 is
// taken as 5); fills has_result and result. True when a handler ran.
bool raise_event(EventRecord& record);
// Request RaiseTypedEvent: the typed form (argc above 12 is taken as 12).
bool raise_typed_event(TypedEventRecord& record);

// Raises an event with no arguments. True when a handler ran and returned the
// logical false (a veto); the engine's own events use it.
bool raise_vetoable(uint32_t window_id, uint32_t unit_id, int32_t event);

// Called by a running handler: its value for the event record. Outside a
// handler it does nothing.
void set_handler_result(uint32_t value);
void set_handler_result64(uint64_t value);

// The library command form of set_handler_result for application code: one
// argument, whose low and high words become the result. Its own result is empty.
void handler_result_command(TypedValue* result, int32_t argc, const TypedValue* args);

} // namespace vantor::forms
