// The launch command with real child processes (the stand-in, Nox.exe): what
// it starts, with which command line and show mode, and whether it waits.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/library.h"
#include "runtime/call.h"
#include "tests/e2e/helper_fixture.h"
#include "tests/support/driver.h"

using namespace vantor;
using namespace vantor::testing;

namespace {

TypedValue launch(const char* line, std::vector<TypedValue> rest = {}) {
    std::vector<TypedValue> args{make_text(line)};
    args.insert(args.end(), rest.begin(), rest.end());
    return call_command(cmd_launch, int32_t(args.size()), args.data());
}

// The start entry of the stand-in whose command line is `line`.
LogEntry start_of(const StandinLog& log, const std::string& line) {
    const DWORD begin = GetTickCount();
    do {
        for (const LogEntry& e : entries_of(log.entries(), "start")) {
            if (e.rest("cmd") == line)
                return e;
        }
        Sleep(10);
    } while (GetTickCount() - begin < kWaitMs);
    return {};
}

TEST(LaunchCommand, FalseWhenProgramCannotBeStarted) {
    const char* lines[] = {"", nullptr, "Z:\\no\\such\\program.exe",
                           "Z:\\no\\such\\program.exe -clone:Nox_1", "   "};
    for (const char* line : lines) {
        const TypedValue r = launch(line, {make_bool(false)});
        EXPECT_EQ(type::Bool, r.type) << "line: " << (line ? line : "(null)");
        EXPECT_EQ(0u, r.low) << "line: " << (line ? line : "(null)");
    }
}

TEST(LaunchCommand, CommandLineReachesProgramUnaltered) {
    StandinLog log;
    // Blanks doubled and trailing, quotes inside: passed on byte for byte.
    const std::string lines[] = {
        quoted(standin_exe()) + " -clone:Nox_1  -resolution:x -dpi: \"a b\" ",
        quoted(standin_exe()) + " -clone:Nox_2 -performance:low -root:false -cpu:1 -memory:1024",
    };
    for (const std::string& line : lines) {
        const TypedValue r = launch(line.c_str());
        EXPECT_EQ(make_bool(true).low, r.low);
        EXPECT_EQ(line, start_of(log, line).rest("cmd"));
    }
}

TEST(LaunchCommand, UnquotedPathWithBlanksIsNotQuoted) {
    // A program path with a blank, unquoted: the system tries "<dir>\Program"
    // first and runs the decoy there. That the decoy gets the whole line shows
    // that the command added no quotes.
    StandinLog log;
    const std::string dir = log.directory();
    const std::string nox_dir = dir + "Program Files\\Nox\\";
    ASSERT_TRUE(CreateDirectoryA((dir + "Program Files").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(nox_dir.c_str(), nullptr));
    ASSERT_TRUE(CopyFileA(standin_exe().c_str(), (nox_dir + "Nox.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(decoy_exe().c_str(), (dir + "Program.exe").c_str(), FALSE));

    const std::string line = nox_dir + "Nox.exe -clone:Nox_1";
    EXPECT_EQ(1u, launch(line.c_str()).low);
    const LogEntry start = start_of(log, line);
    EXPECT_EQ("Program.exe", start.field("exe")) << "cmd: " << start.rest("cmd");
}

TEST(LaunchCommand, WaitFlagWaitsForTheEnd) {
    StandinLog log;
    ScopedEnv exit_after("VANTOR_STANDIN_EXIT_AFTER_MS", "300");
    const std::string waited = quoted(standin_exe()) + " -clone:Nox_1";
    EXPECT_EQ(1u, launch(waited.c_str(), {make_bool(true)}).low);
    const double returned = now_ms();
    const LogEntry start = start_of(log, waited);
    auto exits = log.wait_for("exit", 1, 0, start.pid);
    ASSERT_EQ(1u, exits.size()) << "the launch returned before the program had ended";
    EXPECT_LE(exits[0].ms, returned);

    // Without the flag it returns while the program still runs.
    const std::string unwaited = quoted(standin_exe()) + " -clone:Nox_2";
    EXPECT_EQ(1u, launch(unwaited.c_str(), {make_bool(false)}).low);
    const LogEntry second = start_of(log, unwaited);
    EXPECT_TRUE(log.wait_for("exit", 1, 0, second.pid).empty())
        << "the launch without wait flag returned after the program's end";
}

TEST(LaunchCommand, ShowModeReachesProgramClamped) {
    struct Case {
        bool given;
        int32_t mode;
        unsigned show; // the start-up record's show value
        const char* visible;
        const char* iconic;
        const char* zoomed;
    } cases[] = {
        {false, 0, SW_SHOWNORMAL, "1", "0", "0"},   {true, -5, SW_HIDE, "0", "0", "0"},
        {true, 0, SW_HIDE, "0", "0", "0"},          {true, 1, SW_HIDE, "0", "0", "0"},
        {true, 2, SW_SHOWNORMAL, "1", "0", "0"},    {true, 3, SW_SHOWMINIMIZED, "1", "1", "0"},
        {true, 4, SW_SHOWMAXIMIZED, "1", "0", "1"}, {true, 5, SW_SHOWNOACTIVATE, "1", "0", "0"},
        {true, 6, SW_MINIMIZE, "1", "1", "0"},      {true, 9, SW_MINIMIZE, "1", "1", "0"},
    };
    StandinLog log;
    int clone = 0;
    for (const Case& c : cases) {
        const std::string line = quoted(standin_exe()) + " -clone:Nox_" + std::to_string(++clone);
        const TypedValue mode = c.given ? make_int(c.mode) : kOmitted;
        ASSERT_EQ(1u, launch(line.c_str(), {make_bool(false), mode}).low);
        const LogEntry start = start_of(log, line);
        const std::string where = "mode " + (c.given ? std::to_string(c.mode) : "omitted");
        EXPECT_EQ(std::to_string(STARTF_USESHOWWINDOW), start.field("flags")) << where;
        EXPECT_EQ(std::to_string(c.show), start.field("show")) << where;
        auto shown = log.wait_for("window", 1, kWaitMs, start.pid);
        ASSERT_EQ(1u, shown.size()) << where;
        EXPECT_EQ(c.visible, shown[0].field("visible")) << where;
        EXPECT_EQ(c.iconic, shown[0].field("iconic")) << where;
        EXPECT_EQ(c.zoomed, shown[0].field("zoomed")) << where;
    }
}

} // namespace
