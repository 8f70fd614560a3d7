// What every fuzz target does when a promise of the code under test is broken:
// it says which one on stderr and aborts, so libFuzzer keeps the input.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

inline void require(bool condition, const char* what, const std::string& detail = {}) {
    if (condition)
        return;
    std::fprintf(stderr, "broken promise: %s\n%s\n", what, detail.c_str());
    std::abort();
}
