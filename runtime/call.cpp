#include "runtime/call.h"

namespace vantor {

TypedValue call_command(CommandFn command, int32_t argc, const TypedValue* args) {
    TypedValue result{0, 0, 0};
    command(&result, argc, args);
    return result;
}

} // namespace vantor
