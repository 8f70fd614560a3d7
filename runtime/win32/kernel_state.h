// The kernel's state as the runtime's own code reaches it. Only runtime/win32
// includes this header (tools/check_layers.py); the form engine and tests have
// friends of their own, everyone else the kernel's accessors.
#pragma once

#include "runtime/win32/kernel.h"

namespace vantor {

struct KernelRuntime {
    static RuntimeKernel::State& state() { return kernel().state_; }
};

} // namespace vantor
