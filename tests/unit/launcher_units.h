// The units of the launcher's stored form (app/forms/main.form) as its tests
// expect them: the unit test reads them from the archive, the end-to-end test
// finds them in the live window. Narrow literals are compiled to GBK. The named
// units' ids come from the form source itself; the labels' are written here.
#pragma once

#include <cstddef>
#include <cstdint>

// The ids the form source names (symbol=), generated with the archive.
#include "launcher_form.h"

namespace launcher_units {

inline constexpr uint32_t kWindow = 0x00010001, kEditBox = 0x00010005, kButton = 0x0001000b,
                          kCommonDlg = 0x0001001f, kTransLabel = 0x00020005;
inline constexpr uint32_t kVisible = 1, kTabStop = 4;

struct Unit {
    uint32_t id;
    const char* name;
    uint32_t kind;
    int32_t left, top, width, height;
    uint32_t state;
    const char* caption; // a button's or label's; null for the others
};

// Stored order: the window's own unit, then the controls from the top of the z-order.
inline constexpr Unit kUnits[] = {
    {vantor::app::kMainWindowUnit, "", kWindow, 50, 50, 217, 210, kVisible, nullptr},
    {vantor::app::kImportButton, "按钮_导入EXE", kButton, 120, 152, 80, 32, kVisible | kTabStop,
     "导入EXE"},
    {vantor::app::kFileDialog, "通用对话框1", kCommonDlg, 176, 88, 16, 16, 0, nullptr},
    {vantor::app::kPathBox, "编辑框_路径", kEditBox, 72, 112, 128, 24, kVisible | kTabStop,
     nullptr},
    {0x16011ea8, "透明标签5", kTransLabel, 0, 112, 80, 24, kVisible, "Nox.exe路径"},
    {vantor::app::kDpiBox, "编辑框_DPI", kEditBox, 72, 80, 40, 24, kVisible | kTabStop, nullptr},
    {0x16011ea6, "透明标签4", kTransLabel, 40, 88, 24, 16, kVisible, "DPI "},
    {vantor::app::kHeightBox, "编辑框_高", kEditBox, 136, 48, 40, 24, kVisible | kTabStop, nullptr},
    {0x16011ea4, "透明标签3", kTransLabel, 120, 56, 16, 16, kVisible, "高"},
    {vantor::app::kWidthBox, "编辑框_宽", kEditBox, 72, 48, 40, 24, kVisible | kTabStop, nullptr},
    {0x16011ea1, "透明标签2", kTransLabel, 8, 56, 56, 16, kVisible, "分辨率 宽 "},
    {vantor::app::kStartButton, "按钮_启动", kButton, 0, 152, 80, 32, kVisible | kTabStop, "启动"},
    {vantor::app::kCountBox, "编辑框_多开数量", kEditBox, 112, 16, 48, 24, kVisible | kTabStop,
     nullptr},
    {0x16010004, "透明标签1", kTransLabel, 8, 16, 88, 24, kVisible, "启动模拟器数量"},
};
inline constexpr size_t kUnitCount = sizeof kUnits / sizeof kUnits[0];
inline constexpr size_t kImport = 1, kDialog = 2, kStart = 11;

} // namespace launcher_units
