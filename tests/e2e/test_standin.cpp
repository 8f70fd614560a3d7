// The stand-in emulator: what it logs, the window it shows and its modes.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/support/automation.h"
#include "tests/support/driver.h"

using namespace vantor::testing;

namespace {

constexpr DWORD kWindowMs = 10000;
const char* const kClass = "Qt5QWindowIcon";

std::string quoted(const std::string& path) {
    return "\"" + path + "\"";
}

TEST(StandinTitle, FollowsCloneNumberOfCommandLine) {
    struct Case {
        const char* command_line;
        const char* title;
    } cases[] = {
        {"Nox.exe -clone:Nox_2 -resolution:720x1280", "夜神模拟器2"},
        {"D:\\Nox\\bin\\Nox.exe -clone:Nox_12", "夜神模拟器12"},
        {"Nox.exe", "夜神模拟器"},
        {"Nox.exe -clone:Nox_", "夜神模拟器"},
        {"Nox.exe-clone:Nox_3", "夜神模拟器"}, // the option needs its leading blank
        {nullptr, "夜神模拟器"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.title, standin_title(c.command_line))
            << "command line: " << (c.command_line ? c.command_line : "(null)");
    }
}

TEST(StandinTitle, IsGbkInCodePage936) {
    EXPECT_EQ(936u, GetACP());
    EXPECT_EQ("D2 B9 C9 F1 C4 A3 C4 E2 C6 F7", hex_bytes("夜神模拟器"));
}

TEST(Standin, LogsStartShowsTitledWindowAndLogsExitWhenClosed) {
    StandinLog log;
    const std::string line = quoted(standin_exe()) + " -clone:Nox_2 -resolution:720x1280 -dpi:320";
    Program nox;
    ASSERT_TRUE(nox.start(line));

    HWND window = wait_top_window(nox.pid(), kClass, "夜神模拟器2", kWindowMs);
    ASSERT_NE(nullptr, window) << "no window of class Qt5QWindowIcon titled 夜神模拟器2";
    auto starts = log.wait_for("start", 1, kWindowMs, nox.pid());
    ASSERT_EQ(1u, starts.size());
    EXPECT_EQ(line, starts[0].rest("cmd"));
    EXPECT_EQ("Nox.exe", starts[0].field("exe"));
    auto shown = log.wait_for("window", 1, kWindowMs, nox.pid());
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ("夜神模拟器2", shown[0].rest("title"));
    // A Unicode title, as the real emulator's: read with the wide function it
    // is the Chinese text itself, whatever the system's code page.
    wchar_t title[32] = {};
    GetWindowTextW(window, title, 32);
    EXPECT_EQ(std::wstring(L"\x591C\x795E\x6A21\x62DF\x5668"
                           L"2"),
              title);
    // The file itself is UTF-8, as a terminal shows it.
    std::string raw;
    if (FILE* file = std::fopen(log.path().c_str(), "rb")) {
        char buffer[4096];
        raw.assign(buffer, std::fread(buffer, 1, sizeof buffer, file));
        std::fclose(file);
    }
    EXPECT_NE(std::string::npos, raw.find(reinterpret_cast<const char*>(u8"title=夜神模拟器2\r\n")))
        << raw;
    EXPECT_EQ("1", shown[0].field("visible"));
    EXPECT_LE(starts[0].ms, shown[0].ms);

    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, nox.wait_exit(kWindowMs));
    auto exits = log.wait_for("exit", 1, kWindowMs, nox.pid());
    ASSERT_EQ(1u, exits.size());
    EXPECT_EQ("0", exits[0].field("code"));
    EXPECT_LE(shown[0].ms, exits[0].ms);
}

TEST(Standin, WithoutCloneOptionIsTitledPlainly) {
    StandinLog log;
    Program nox;
    ASSERT_TRUE(nox.start(quoted(standin_exe())));
    EXPECT_NE(nullptr, wait_top_window(nox.pid(), kClass, "夜神模拟器", kWindowMs));
}

TEST(Standin, ShowDelayPassesBeforeWindowAppears) {
    StandinLog log;
    ScopedEnv delay("VANTOR_STANDIN_SHOW_DELAY_MS", "400");
    Program nox;
    ASSERT_TRUE(nox.start(quoted(standin_exe()) + " -clone:Nox_4"));
    ASSERT_NE(nullptr, wait_top_window(nox.pid(), kClass, "夜神模拟器4", kWindowMs));
    auto starts = log.wait_for("start", 1, kWindowMs, nox.pid());
    auto shown = log.wait_for("window", 1, kWindowMs, nox.pid());
    ASSERT_EQ(1u, starts.size());
    ASSERT_EQ(1u, shown.size());
    EXPECT_GE(shown[0].ms - starts[0].ms, 400.0) << "window logged before the delay had passed";
}

TEST(Standin, NeverShowModeRunsWithoutWindowUntilTerminated) {
    StandinLog log;
    ScopedEnv never("VANTOR_STANDIN_NEVER_SHOW", "1");
    Program nox;
    ASSERT_TRUE(nox.start(quoted(standin_exe()) + " -clone:Nox_5"));
    EXPECT_EQ(1u, log.wait_for("start", 1, kWindowMs, nox.pid()).size());
    EXPECT_EQ(nullptr, wait_top_window(nox.pid(), nullptr, nullptr, 1000));
    EXPECT_TRUE(nox.running());
    EXPECT_TRUE(log.wait_for("window", 1, 0, nox.pid()).empty());
}

TEST(Standin, ExitAfterClosesItsWindowByItself) {
    StandinLog log;
    ScopedEnv exit_after("VANTOR_STANDIN_EXIT_AFTER_MS", "200");
    Program nox;
    ASSERT_TRUE(nox.start(quoted(standin_exe())));
    EXPECT_EQ(0u, nox.wait_exit(kWindowMs));
    auto shown = log.wait_for("window", 1, 0, nox.pid());
    auto exits = log.wait_for("exit", 1, 0, nox.pid());
    ASSERT_EQ(1u, shown.size());
    ASSERT_EQ(1u, exits.size());
    EXPECT_GE(exits[0].ms - shown[0].ms, 200.0);
}

TEST(Standin, FailModeExitsWithCodeOneWithoutWindow) {
    StandinLog log;
    ScopedEnv fail("VANTOR_STANDIN_FAIL", "1");
    Program nox;
    ASSERT_TRUE(nox.start(quoted(standin_exe()) + " -clone:Nox_6"));
    EXPECT_EQ(1u, nox.wait_exit(kWindowMs));
    auto log_entries = log.entries();
    ASSERT_EQ(2u, log_entries.size());
    EXPECT_EQ("start", log_entries[0].event);
    EXPECT_EQ("exit", log_entries[1].event);
    EXPECT_EQ("1", log_entries[1].field("code"));
}

TEST(Standin, DecoyLogsItsOwnStartAndEnds) {
    StandinLog log;
    const std::string line = quoted(decoy_exe()) + " Files\\Nox\\bin\\Nox.exe -clone:Nox_1";
    Program decoy;
    ASSERT_TRUE(decoy.start(line));
    EXPECT_EQ(0u, decoy.wait_exit(kWindowMs));
    auto starts = log.wait_for("start", 1, 0, decoy.pid());
    ASSERT_EQ(1u, starts.size());
    EXPECT_EQ("Program.exe", starts[0].field("exe"));
    EXPECT_EQ(line, starts[0].rest("cmd"));
}

TEST(Standin, ConcurrentStartsKeepWholeLines) {
    StandinLog log;
    Program nox[6];
    for (int i = 0; i < 6; ++i) {
        ASSERT_TRUE(nox[i].start(quoted(standin_exe()) + " -clone:Nox_" + std::to_string(i + 1)));
    }
    auto shown = log.wait_for("window", 6, kWindowMs);
    ASSERT_EQ(6u, shown.size());
    for (const LogEntry& e : log.entries()) {
        EXPECT_NE(0u, e.pid) << "line of event " << e.event;
        EXPECT_TRUE(e.event == "start" || e.event == "window") << "event " << e.event;
    }
    EXPECT_EQ(12u, log.entries().size());
}

} // namespace
