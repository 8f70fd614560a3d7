// The runtime interface table: the only way application code reaches the
// runtime (besides library commands and declared functions). Application stubs
// forward to a slot unchanged; a test can hand the application another table.
#pragma once

#include <cstdint>

#include "runtime/call.h"
#include "runtime/value.h"

namespace vantor {

struct InterfaceTable {
    void (*raise_error)(int32_t number);                                            // 0
    uint32_t (*call_declared)(uint32_t index, uint32_t argc, const uint32_t* args); // 1
    // Slot 2 is a second entry of the command call; the runtime fills it with slot 3.
    TypedValue (*call_command_alias)(CommandFn command, int32_t argc, const TypedValue* args); // 2
    TypedValue (*call_command)(CommandFn command, int32_t argc, const TypedValue* args);       // 3
    uint64_t (*read_property)(uint32_t window, uint32_t unit, int32_t index, int32_t member);  // 4
    void (*write_property)(uint32_t window, uint32_t unit, int32_t index, int32_t member,
                           uint32_t low, uint32_t high); // 5
    void* (*allocate)(uint32_t size);                    // 6
    void* (*resize)(void* block, uint32_t size);         // 7
    void (*release)(void* block);                        // 8
    void (*end_program)(int32_t code);                   // 9
    void (*run_until_last_window_closed)();              // 10
    void (*load_startup_window)(uint32_t window_id);     // 11
    uint32_t (*call_service)(uint32_t service, uint32_t a, uint32_t b, uint32_t c,
                             uint32_t d); // 12
};
static_assert(sizeof(InterfaceTable) == 13 * 4);

// Service numbers of slot 12.
namespace service {
inline constexpr uint32_t FindFile = 0;    // pattern, mask, files only, search handle
inline constexpr uint32_t EndFindFile = 1; // search handle
inline constexpr uint32_t MakeArrayWritable = 2;
inline constexpr uint32_t RegisterExitRoutine = 3; // routine address
inline constexpr uint32_t ReadObjectMember = 4;    // not used by this program
inline constexpr uint32_t WriteObjectMember = 5;
inline constexpr uint32_t RuntimeStartup = 6;
} // namespace service

// The runtime's table.
extern const InterfaceTable kRuntimeInterface;

// The table application code uses; kRuntimeInterface unless a test replaced it.
const InterfaceTable& app_interface();
void set_app_interface(const InterfaceTable* table);

} // namespace vantor
