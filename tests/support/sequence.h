// Message and event order checks in the manner of Wine's message tests: the
// test kinds and handlers append one line per step to a log, a test compares
// it with a static table ending in {nullptr}, and a failure prints both
// sequences side by side with the first difference marked.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vantor::testing {

// Log lines: "<unit> <what>", for example "B 806F" (a private message),
// "A show 1" (WM_SHOWWINDOW), "W event 0" (a handler ran), "W destroy".
void log_line(const std::string& line);
void set_logging(bool on); // off: log_line does nothing (benchmarks)
std::vector<std::string> take_log();
void clear_log();

inline constexpr unsigned kOptional = 1; // the step may be missing

struct Step {
    const char* line;
    unsigned flags = 0;
};

::testing::AssertionResult sequence_matches(const std::vector<std::string>& actual,
                                            const Step* expected);

// Compares the log taken so far with `expected` and clears it.
#define EXPECT_SEQUENCE(expected)                                                                  \
    EXPECT_TRUE(::vantor::testing::sequence_matches(::vantor::testing::take_log(), expected))

} // namespace vantor::testing
