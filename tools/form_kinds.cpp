#include "tools/form_kinds.h"

#include <cstdio>

namespace vantor::tools {

bool valid_id(uint32_t id) {
    return (id & 0x00FFFFFF) != 0 && (id & 0x0F000000) != 0;
}

std::string hex32(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08x", v);
    return buf;
}

} // namespace vantor::tools
