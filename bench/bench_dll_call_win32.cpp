// Cost of a declared-function call (dispatch entry + stack check, after the
// first call has resolved it) against a direct call of the same function
// through the import table. Prints nanoseconds per call and their ratio, the
// median of several runs. Run under Wine or Windows.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_clock.h"
#include "runtime/dll_binding.h"
#include "runtime/win32/dll_call_win32.h"

using namespace vantor;

namespace {

constexpr int kRuns = 15;
constexpr int kIterations = 2'000'000;

volatile uint32_t g_sink; // keeps every result alive

double now_ns() {
    return now_ms() * 1e6;
}

// ns per call of one body over kIterations calls.
template <typename Body> double ns_per_call(Body body) {
    uint32_t sum = 0;
    double start = now_ns();
    for (int i = 0; i < kIterations; ++i)
        sum += body(uint32_t(i));
    double elapsed = now_ns() - start;
    g_sink = sum;
    return elapsed / kIterations;
}

// Times `direct` and `declared` alternately, so that load on the machine hits
// both alike, and prints the medians of the times and of the per-run ratios.
template <typename Direct, typename Declared>
void compare(const char* name, Direct direct, Declared declared) {
    std::vector<double> d, c, ratio;
    for (int r = 0; r < kRuns; ++r) {
        d.push_back(ns_per_call(direct));
        c.push_back(ns_per_call(declared));
        ratio.push_back(c.back() / d.back());
    }
    std::printf("%-22s direct %6.2f ns  declared %6.2f ns  ratio %.2f\n", name, median(d),
                median(c), median(ratio));
}

} // namespace

int main() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir = path;
    dir = dir.substr(0, dir.find_last_of('\\'));

    const char* libs[] = {"kernel32", "kernel32"};
    const char* functions[] = {"GetCurrentThreadId", "MulDiv"};
    DllTables tables{};
    create_dll_tables(tables, 2, libs, functions);
    attach_dll_tables(&tables, dir.c_str());

    const uint32_t none[1] = {};
    call_declared(0, 0, none); // resolve outside the timed loops
    uint32_t args[3] = {7, 3, 2};
    call_declared(1, 3, args);

    std::printf("declared-function calls, median of %d runs x %d calls\n", kRuns, kIterations);
    compare(
        "GetCurrentThreadId()", [](uint32_t) { return uint32_t(GetCurrentThreadId()); },
        [&](uint32_t) { return call_declared(0, 0, none); });
    compare(
        "MulDiv(i, 3, 2)", [](uint32_t i) { return uint32_t(MulDiv(int(i), 3, 2)); },
        [&](uint32_t i) {
            args[0] = i;
            return call_declared(1, 3, args);
        });

    attach_dll_tables(nullptr, nullptr);
    release_dll_tables(tables, win32_dll_loader());
    return 0;
}
