#include "tests/win32/support_forms/sequence.h"

#include <algorithm>
#include <cstdio>

namespace vantor::testforms {

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
    std::string text = "message sequence differs at expected step " + std::to_string(bad_e) +
                       ", actual step " + std::to_string(bad_a) + "\n";
    char row[160];
    std::snprintf(row, sizeof row, "     %-34s | %s\n", "expected", "actual");
    text += row;
    for (size_t i = 0; i < std::max(count, actual.size()); ++i) {
        std::string left = i < count ? expected[i].line : "";
        if (i < count && (expected[i].flags & kOptional))
            left += " (optional)";
        const char* mark = i == bad_e || i == bad_a ? ">>" : "  ";
        std::snprintf(row, sizeof row, "  %s %-34s | %s\n", mark, left.c_str(),
                      i < actual.size() ? actual[i].c_str() : "");
        text += row;
    }
    return ::testing::AssertionFailure() << text;
}

} // namespace vantor::testforms
