// The clock of the Windows benchmark programs: the performance counter in
// milliseconds, and the median of a set of samples.
#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

inline double now_ms() {
    static const double ticks_per_ms = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return double(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) / ticks_per_ms;
}

inline double median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}
