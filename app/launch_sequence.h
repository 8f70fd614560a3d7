// The start button's launch sequence and the import button's executable picker.
#pragma once

#include <cstdint>

namespace vantor::app {

// Click handler of 按钮_启动: prepares every clone (first pass) and starts them
// all again (second pass). A click while a sequence runs does nothing.
void launch_sequence();

// Click handler of 按钮_导入EXE: the open-file dialog, its file name into the
// path box.
void pick_executable();

} // namespace vantor::app
