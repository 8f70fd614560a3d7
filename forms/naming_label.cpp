#include "forms/naming_label.h"

#include <algorithm>

namespace vantor::forms {

namespace {

// Edges in 64 bits: a far place plus its extent cannot overflow.
struct Edges {
    int64_t left, top, right, bottom;
    explicit Edges(const dpi::Box& b)
        : left(b.left), top(b.top), right(int64_t(b.left) + b.width),
          bottom(int64_t(b.top) + b.height) {}
};

int64_t distance(int64_t a, int64_t b) {
    return a < b ? b - a : a - b;
}

// The best label of one kind so far: the smallest gap, then the widest overlap.
struct Best {
    int32_t index = -1;
    int64_t gap = 0, overlap = 0;
    void offer(size_t i, int64_t g, int64_t o) {
        if (index < 0 || g < gap || (g == gap && o > overlap))
            index = int32_t(i), gap = g, overlap = o;
    }
};

} // namespace

int32_t naming_label(const dpi::Box& control, std::span<const dpi::Box> labels) {
    const Edges c(control);
    Best row, above;
    for (size_t i = 0; i < labels.size(); ++i) {
        if (labels[i].width <= 0 || labels[i].height <= 0)
            continue;
        const Edges l(labels[i]);
        const int64_t rows_shared = std::min(l.bottom, c.bottom) - std::max(l.top, c.top);
        const int64_t columns_shared = std::min(l.right, c.right) - std::max(l.left, c.left);
        if (rows_shared > 0 && l.left < c.left)
            row.offer(i, distance(l.right, c.left), rows_shared);
        else if (columns_shared > 0 && l.top < c.top)
            above.offer(i, distance(l.bottom, c.top), columns_shared);
    }
    return row.index >= 0 ? row.index : above.index;
}

} // namespace vantor::forms
