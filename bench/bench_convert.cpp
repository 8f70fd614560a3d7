// Conversion speed beside the C library doing the same job in the same run:
// to_int of a text against strtol, to_text of an Int against snprintf. The
// ratios are printed after the table.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "commands/convert.h"
#include "runtime/allocator.h"

using namespace vantor;

namespace {

// Plain ASCII numbers of mixed length, so strtol sees the same input as to_int.
const char* const kTexts[] = {"7", "-15", "  42", "123456", "-2147483648", "99", "+31337", "0"};
constexpr size_t kTextCount = sizeof kTexts / sizeof kTexts[0];
const int32_t kInts[] = {7, -15, 42, 123456, INT32_MIN, 99, 31337, 0};

// Runs op(i) once per iteration, i walking the samples in turn.
template <class Op> void over_samples(benchmark::State& state, Op op) {
    size_t i = 0;
    for (auto _ : state) {
        op(i);
        i = (i + 1) % kTextCount;
    }
}

void BM_ToIntText(benchmark::State& state) {
    over_samples(state, [](size_t i) { benchmark::DoNotOptimize(to_int(make_text(kTexts[i]))); });
}
BENCHMARK(BM_ToIntText);

void BM_Strtol(benchmark::State& state) {
    over_samples(state,
                 [](size_t i) { benchmark::DoNotOptimize(std::strtol(kTexts[i], nullptr, 10)); });
}
BENCHMARK(BM_Strtol);

// to_text returns a new block, so the free is part of each operation.
void BM_ToTextInt(benchmark::State& state) {
    over_samples(state, [](size_t i) {
        char* text = to_text(make_int(kInts[i]));
        benchmark::DoNotOptimize(text);
        mem_free(text);
    });
}
BENCHMARK(BM_ToTextInt);

void BM_Snprintf(benchmark::State& state) {
    char buffer[16];
    over_samples(state, [&](size_t i) {
        benchmark::DoNotOptimize(std::snprintf(buffer, sizeof buffer, "%d", int(kInts[i])));
        benchmark::ClobberMemory();
    });
}
BENCHMARK(BM_Snprintf);

// snprintf plus the same allocate-and-free that to_text pays.
void BM_SnprintfCopy(benchmark::State& state) {
    char buffer[16];
    over_samples(state, [&](size_t i) {
        std::snprintf(buffer, sizeof buffer, "%d", int(kInts[i]));
        char* text = copy_text(buffer);
        benchmark::DoNotOptimize(text);
        mem_free(text);
    });
}
BENCHMARK(BM_SnprintfCopy);

// Whether a run failed or was skipped: Google Benchmark 1.8 (Debian 13) says
// it in `skipped`, earlier versions (Debian 12) in `error_occurred`.
template <class Run> bool run_failed(const Run& run) {
    if constexpr (requires { run.error_occurred; })
        return run.error_occurred;
    else
        return static_cast<int>(run.skipped) != 0;
}

// Console output as usual, keeping each benchmark's time per operation.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run_failed(run))
                ns_per_op_[run.benchmark_name()] = run.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void print_ratio(const char* ours, const char* theirs) const {
        auto a = ns_per_op_.find(ours), b = ns_per_op_.find(theirs);
        if (a == ns_per_op_.end() || b == ns_per_op_.end() || b->second <= 0)
            return;
        std::printf("ratio %-14s / %-16s = %.2f\n", ours, theirs, a->second / b->second);
    }

  private:
    std::map<std::string, double> ns_per_op_;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.print_ratio("BM_ToIntText", "BM_Strtol");
    reporter.print_ratio("BM_ToTextInt", "BM_Snprintf");
    reporter.print_ratio("BM_ToTextInt", "BM_SnprintfCopy");
    benchmark::Shutdown();
    return 0;
}
