// The launcher's window and its units, as the form archive stores them.
#pragma once

#include <cstdint>

#include "forms/kind_table.h"

namespace vantor::app {

inline constexpr uint32_t kMainWindow = 0x52010003;
inline constexpr uint32_t kMainWindowUnit = 0x06010002;

inline constexpr uint32_t kImportButton = 0x16011EAB; // 按钮_导入EXE
inline constexpr uint32_t kFileDialog = 0x16011EAA;   // 通用对话框1
inline constexpr uint32_t kPathBox = 0x16011EA9;      // 编辑框_路径
inline constexpr uint32_t kDpiBox = 0x16011EA7;       // 编辑框_DPI
inline constexpr uint32_t kHeightBox = 0x16011EA5;    // 编辑框_高
inline constexpr uint32_t kWidthBox = 0x16011EA2;     // 编辑框_宽
inline constexpr uint32_t kStartButton = 0x16010006;  // 按钮_启动
inline constexpr uint32_t kCountBox = 0x16010005;     // 编辑框_多开数量

inline constexpr int32_t kPropContent = props::edit_box::Content;
inline constexpr int32_t kPropCaption = props::window::Caption;
inline constexpr int32_t kPropDisabled = props::fixed::Disabled;
inline constexpr int32_t kPropFileName = props::common_dlg::FileName;

} // namespace vantor::app
