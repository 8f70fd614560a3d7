// The one clock of the tests and benchmarks: milliseconds of the performance
// counter, monotonic and shared by all processes of the machine, so times that
// different processes log compare.
#pragma once

#include <windows.h>

namespace vantor::testing {

inline double now_ms() {
    static const double ticks_per_ms = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return double(frequency.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return double(count.QuadPart) / ticks_per_ms;
}

} // namespace vantor::testing
