// Linked into a copy of Vantor.exe for the README's picture under the black
// scheme: Wine never reports high contrast, so this copy is told, before
// anything is drawn, that it is on. Everything else is the shipped program.
#include "controls/common.h"

namespace {

[[maybe_unused]] const bool told_on =
    (vantor::controls::answer_high_contrast([] { return true; }), true);

} // namespace
