// The launcher's window and its units, as the form archive stores them.
#pragma once

#include <cstdint>

#include "forms/kind_table.h"
// kMainWindow, kPathBox ...: the ids the form source names (symbol=).
#include "launcher_form.h"

namespace vantor::app {

inline constexpr int32_t kPropContent = props::edit_box::Content;
inline constexpr int32_t kPropCaption = props::window::Caption;
inline constexpr int32_t kPropDisabled = props::fixed::Disabled;
inline constexpr int32_t kPropFileName = props::common_dlg::FileName;

} // namespace vantor::app
