// What ends the process, observed from outside: each scenario runs
// forms_probe.exe and checks its error box, its exit code and its log.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/automation.h"

using namespace vantor::testing;

namespace {

ProbeRun run_probe(const std::string& mode, bool expect_box) {
    ProbeRun run = vantor::testing::run_probe("forms_probe", mode, expect_box);
    EXPECT_TRUE(run.started) << mode;
    EXPECT_EQ(run.box_found, expect_box) << "error box in mode " << mode;
    return run;
}

std::string box(const std::string& message) {
    return "运行时出错!\r\n\r\n错误信息：" + message + "\r\n";
}

} // namespace

TEST(FormsFatal, RuntimeErrorsOfPropertiesEventsAndUnitLookups) {
    struct Row {
        const char* mode;
        const char* message;
    };
    const Row rows[] = {
        {"kind-read-closed", "指定窗口尚未载入"},
        {"kind-write-closed", "指定窗口尚未载入"},
        {"unknown-window", "未载入欲访问窗口组件所在的窗口"},
        {"event-window", "未找到引发事件的窗口"},
        {"event-unit", "未找到引发事件的窗口组件"},
        {"event-invalid", "引发事件的窗口组件无效"},
        {"find-unit", "指定窗口或窗口组件不存在或尚未载入"},
        {"startup-window", "载入启动窗口失败"},
    };
    for (const Row& r : rows) {
        ProbeRun run = run_probe(r.mode, true);
        EXPECT_EQ(run.box_text, box(r.message)) << r.mode;
        EXPECT_EQ(run.exit_code, 0xFFFFFFFFu) << r.mode;
        EXPECT_EQ(std::count(run.log.begin(), run.log.end(), "not reached"), 0) << r.mode;
        if (std::string(r.mode) == "kind-read-closed") {
            EXPECT_EQ(joined(run.log), "left 270\n") << "a fixed property still reads the record";
        }
    }
}

TEST(FormsFatal, LastWindowEndsTheProgramOnlyAfterTheStartRoutine) {
    ProbeRun run = run_probe("lifecycle", false);
    const std::vector<std::string> expected = {
        "loaded 1",
        "closed during start routine, quit posted 0",
        "closing",
        "loop ended, windows open 0",
    };
    EXPECT_EQ(joined(run.log), joined(expected));
    EXPECT_EQ(run.exit_code, 0u);
}
