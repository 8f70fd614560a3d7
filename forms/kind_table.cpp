#include "forms/kind_table.h"

namespace vantor::forms {

const char* kind_name(uint32_t code) {
    const char* name = nullptr;
    visit_kind(code, [&name](auto block) { name = Kind<decltype(block)>::kEnglish; });
    return name;
}

} // namespace vantor::forms
