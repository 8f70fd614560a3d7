#include "tests/support/sequence.h"

#include <algorithm>
#include <cstring>

namespace vantor::testing {

namespace {
std::vector<std::string> g_log;
bool g_logging = true;
} // namespace

void log_line(const std::string& line) {
    if (g_logging)
        g_log.push_back(line);
}

void set_logging(bool on) {
    g_logging = on;
}

std::vector<std::string> take_log() {
    std::vector<std::string> log;
    log.swap(g_log);
    return log;
}

void clear_log() {
    g_log.clear();
}

::testing::AssertionResult sequence_matches(const std::vector<std::string>& actual,
                                            const Step* expected) {
    size_t e = 0, a = 0;
    size_t bad_e = SIZE_MAX, bad_a = SIZE_MAX;
    while (expected[e].line || a < actual.size()) {
        if (expected[e].line && a < actual.size() && actual[a] == expected[e].line) {
            ++e;
            ++a;
        } else if (expected[e].line && (expected[e].flags & kOptional)) {
            ++e;
        } else {
            bad_e = e;
            bad_a = a;
            break;
        }
    }
    if (bad_e == SIZE_MAX)
        return ::testing::AssertionSuccess();
    size_t count = 0;
    while (expected[count].line)
        ++count;
    size_t width = std::strlen("expected");
    for (size_t i = 0; i < count; ++i)
        width = std::max(width, std::strlen(expected[i].line) + 11);
    std::string text = "sequence differs at expected step " + std::to_string(bad_e) +
                       ", actual step " + std::to_string(bad_a) + "\n";
    auto row = [&text, width](const char* mark, const std::string& left, const std::string& right) {
        text += "  " + std::string(mark) + " " + left +
                std::string(width - std::min(width, left.size()), ' ') + " | " + right + "\n";
    };
    row("  ", "expected", "actual");
    for (size_t i = 0; i < std::max(count, actual.size()); ++i) {
        std::string left = i < count ? expected[i].line : "";
        if (i < count && (expected[i].flags & kOptional))
            left += " (optional)";
        row(i == bad_e || i == bad_a ? ">>" : "  ", left, i < actual.size() ? actual[i] : "");
    }
    return ::testing::AssertionFailure() << text;
}

} // namespace vantor::testing
