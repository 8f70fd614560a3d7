// Allocations failed on purpose, in test builds only (VANTOR_ALLOCATION_FAULTS):
// every allocation of the program, the runtime allocator's and the C++
// library's (operator new in all its forms), passes take(), which counts it
// and fails the one that was asked for. The shipped program is built without
// it: take() is then a constant false and nothing of this exists in its image.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vantor::allocation_faults {

#ifdef VANTOR_ALLOCATION_FAULTS

// Counts an allocation of `size` bytes; true when it is the one to fail.
bool take(size_t size);

// The `n`th allocation from now fails (1: the next one), once; every other
// succeeds. 0 disarms.
void fail_nth(uint32_t n);

// Allocations counted since the program started.
uint32_t count();

// True when the failure asked for by the last fail_nth has happened.
bool failed();

// Called when the armed failure happens, with the size of the request, before
// the allocation returns its failure (a test build notes it for its driver).
// Must not allocate. Null removes it.
using FailureHook = void (*)(size_t size);
void set_failure_hook(FailureHook hook);

#else

constexpr bool take(size_t) {
    return false;
}

#endif

} // namespace vantor::allocation_faults
