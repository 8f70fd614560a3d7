#include "app/runtime_api.h"

#include <iterator>

#include "app/launcher.h"
#include "commands/library.h"
#include "commands/text.h"
#include "runtime/win32/interface.h"

namespace vantor::app::api {

namespace {
const InterfaceTable& rt() {
    return app_interface();
}
} // namespace

Text::~Text() {
    rt().release(text_);
}

Text read_text(uint32_t unit, int32_t property) {
    const uint64_t value = rt().read_property(kMainWindow, unit, property, -1);
    return Text(reinterpret_cast<char*>(uintptr_t(uint32_t(value))));
}

void write_text(uint32_t unit, int32_t property, const char* text) {
    rt().write_property(kMainWindow, unit, property, -1, uint32_t(uintptr_t(text)), 0);
}

uint32_t read_word(uint32_t unit, int32_t property) {
    return uint32_t(rt().read_property(kMainWindow, unit, property, -1));
}

void write_word(uint32_t unit, int32_t property, uint32_t value) {
    rt().write_property(kMainWindow, unit, property, -1, value, 0);
}

TypedValue call(CommandFn command, std::initializer_list<TypedValue> args) {
    return rt().call_command(command, int32_t(args.size()), std::data(args));
}

Text call_for_text(CommandFn command, std::initializer_list<TypedValue> args) {
    return Text(const_cast<char*>(as_text(call(command, args))));
}

uint32_t declared(uint32_t index, std::initializer_list<uint32_t> args) {
    return rt().call_declared(index, uint32_t(args.size()), std::data(args));
}

bool names_file(const char* path) {
    uint32_t search = 0;
    const uint32_t name =
        rt().call_service(service::FindFile, word_of(path), 0, 1, word_of(&search));
    rt().release(reinterpret_cast<void*>(uintptr_t(name)));
    rt().call_service(service::EndFindFile, search, 0, 0, 0);
    return name != 0;
}

Text join(std::initializer_list<const char*> pieces) {
    return Text(join_texts(int32_t(pieces.size()), std::data(pieces)));
}

Text number_text(int32_t number) {
    return call_for_text(cmd_to_text, {make_int(number)});
}

int32_t text_to_int(const char* text) {
    return as_int(call(cmd_to_int, {make_text(text)}));
}

} // namespace vantor::app::api
