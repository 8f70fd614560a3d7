// Which label names a control: the caption a reader of a form takes for the
// control's, found from the places alone. Portable; the kinds collect their
// window's labels and give the name to assistive technology (screen readers,
// automation), which would otherwise find none.
#pragma once

#include <cstdint>
#include <span>

#include "forms/dpi.h"

namespace vantor::forms {

// The index in `labels` of the label that names a control at `control`, or -1
// for none; all places in the same parent's coordinates. Forms are read left
// to right and top to bottom, so a caption stands left of its control or above
// it:
// 1. a label on the control's row (their extents meet vertically) that starts
//    left of the control; of several, the one whose right edge is nearest the
//    control's left edge (a label may reach under its control, as the
//    launcher's path label does);
// 2. else a label directly above (their extents meet horizontally) that starts
//    above the control; of several, the one whose bottom edge is nearest the
//    control's top edge;
// 3. else none: a label right of or below a control belongs to another.
// Of equally near labels the one sharing more of the row (or column) counts,
// then the first; an empty label names nothing. (A box may be drawn taller
// than stored and reach the row of the label below it.)
int32_t naming_label(const dpi::Box& control, std::span<const dpi::Box> labels);

} // namespace vantor::forms
