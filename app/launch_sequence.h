// The start button's launch sequence and the import button's executable picker.
#pragma once

#include <cstdint>

namespace vantor::app {

// Upper bounds of the two window waits of the first pass (milliseconds). The
// end-to-end tests build a variant with short limits.
#ifndef VANTOR_APPEAR_LIMIT_MS
#define VANTOR_APPEAR_LIMIT_MS 120000
#endif
#ifndef VANTOR_DISAPPEAR_LIMIT_MS
#define VANTOR_DISAPPEAR_LIMIT_MS 30000
#endif
inline constexpr uint32_t kAppearLimitMs = VANTOR_APPEAR_LIMIT_MS;
inline constexpr uint32_t kDisappearLimitMs = VANTOR_DISAPPEAR_LIMIT_MS;

// Click handler of 按钮_启动: prepares every clone (first pass) and starts them
// all again (second pass). A click while a sequence runs does nothing.
void launch_sequence();

// Click handler of 按钮_导入EXE: the open-file dialog, its file name into the
// path box.
void pick_executable();

}  // namespace vantor::app
