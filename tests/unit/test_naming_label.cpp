// Which label names a control: the label on its row nearest its left edge,
// else the nearest one above it, else none.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "forms/naming_label.h"

namespace vantor::forms {
namespace {

using dpi::Box;

TEST(NamingLabel, RowBeforeAboveNearestFirstAndNoneRightOrBelow) {
    const Box control{100, 100, 60, 20};
    struct Row {
        const char* what;
        std::vector<Box> labels;
        int32_t expected;
    } rows[] = {
        {"no labels", {}, -1},
        {"right of it", {{170, 100, 40, 20}}, -1},
        {"below it", {{100, 130, 60, 20}}, -1},
        {"left of it, off its row", {{10, 60, 80, 20}}, -1},
        {"above, beside its column", {{170, 60, 40, 20}}, -1},
        {"reaching under it from the left", {{20, 100, 100, 20}}, 0},
        {"above, then on its row", {{100, 70, 60, 20}, {10, 105, 80, 10}}, 1},
        {"the nearer right edge", {{0, 100, 40, 20}, {50, 100, 40, 20}}, 1},
        {"the nearer bottom edge", {{100, 20, 60, 20}, {120, 60, 20, 20}}, 1},
        {"equally near: more of its row", {{50, 112, 40, 20}, {50, 100, 40, 20}}, 1},
        {"equally near and shared: the first", {{50, 100, 40, 20}, {50, 95, 40, 30}}, 0},
        {"an empty label names nothing", {{50, 100, 0, 20}, {50, 100, 40, 0}}, -1},
        {"far places do not overflow", {{INT32_MIN, 100, INT32_MAX, 20}}, 0},
    };
    for (const Row& r : rows)
        EXPECT_EQ(r.expected, naming_label(control, r.labels)) << r.what;
}

} // namespace
} // namespace vantor::forms
