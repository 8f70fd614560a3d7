// Tests' access to the kernel's state: what they set up or reset that the
// runtime keeps to itself (the window table, the main and modal windows, the
// program's file name...). Reads go through the kernel's accessors.
#pragma once

#include "runtime/win32/kernel.h"

namespace vantor::testing {

struct KernelTestAccess {
    static auto& state() { return kernel().state_; }
};

} // namespace vantor::testing
