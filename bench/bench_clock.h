// The clock of the Windows benchmark programs (the tests' clock), and the
// median of a set of samples.
#pragma once

#include <algorithm>
#include <vector>

#include "tests/support/clock.h"

using vantor::testing::now_ms;

inline double median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}
