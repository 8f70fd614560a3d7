#include "runtime/allocation_faults.h"

namespace vantor::allocation_faults {

namespace {

uint32_t g_count = 0;
uint32_t g_due = 0; // the count at which the armed failure happens; 0: none
bool g_failed = false;
FailureHook g_hook = nullptr;

} // namespace

bool take(size_t size) {
    ++g_count;
    if (g_due == 0 || g_count != g_due)
        return false;
    g_due = 0;
    g_failed = true;
    if (g_hook)
        g_hook(size);
    return true;
}

void fail_nth(uint32_t n) {
    g_due = n ? g_count + n : 0;
    g_failed = false;
}

uint32_t count() {
    return g_count;
}

bool failed() {
    return g_failed;
}

void set_failure_hook(FailureHook hook) {
    g_hook = hook;
}

} // namespace vantor::allocation_faults
