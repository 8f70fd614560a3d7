// Vantor's command line for scripts: options, quoting, and the bad options
// that must start nothing.
#include <gtest/gtest.h>

#include <string>

#include "app/command_line.h"

using namespace vantor::app;

namespace {

std::string shown(const std::optional<std::string>& v) {
    return v ? "\"" + *v + "\"" : "(not given)";
}

} // namespace

TEST(CommandLine, NoArgumentsLeaveEverythingAsStored) {
    for (const char* line : {static_cast<const char*>(nullptr), "", "Vantor.exe", "Vantor.exe   ",
                             "\"C:\\Program Files\\Vantor\\Vantor.exe\""}) {
        EXPECT_TRUE(parse_command_line(line).empty()) << (line ? line : "(null)");
    }
}

TEST(CommandLine, ValuesAreTakenAsTextAndFlagsAreSet) {
    const CommandLine c = parse_command_line(
        "\"C:\\Program Files\\Vantor.exe\" /COUNT:3abc /width:720 /Height:1280 /dpi:320 "
        "/path:\"D:\\Nox Player\\bin\\Nox.exe\" /start /Exit");
    ASSERT_EQ(OptionError::None, c.error) << c.bad_option;
    EXPECT_EQ("\"3abc\"", shown(c.value(OptionBox::Count)));
    EXPECT_EQ("\"720\"", shown(c.value(OptionBox::Width)));
    EXPECT_EQ("\"1280\"", shown(c.value(OptionBox::Height)));
    EXPECT_EQ("\"320\"", shown(c.value(OptionBox::Dpi)));
    EXPECT_EQ("\"D:\\Nox Player\\bin\\Nox.exe\"", shown(c.value(OptionBox::Path)));
    EXPECT_TRUE(c.start);
    EXPECT_TRUE(c.exit);
}

TEST(CommandLine, QuotesGroupBlanksAnywhereAndBackslashesStayPlain) {
    struct {
        const char* line;
        const char* path;
    } cases[] = {
        {"v.exe \"/path:C:\\a b\\Nox.exe\"", "C:\\a b\\Nox.exe"},
        {"v.exe /path:C:\\\"a b\"\\Nox.exe", "C:\\a b\\Nox.exe"},
        {"v.exe /path:\"C:\\dir\\\"", "C:\\dir\\"}, // a trailing backslash is no escape
        {"v.exe /path:\"C:\\夜神\\Nox.exe\"", "C:\\夜神\\Nox.exe"}, // GBK bytes kept
        {"v.exe\t/path:x\t", "x"},
    };
    for (const auto& c : cases) {
        const CommandLine parsed = parse_command_line(c.line);
        EXPECT_EQ(OptionError::None, parsed.error) << c.line << ": " << parsed.bad_option;
        EXPECT_EQ(std::string("\"") + c.path + "\"", shown(parsed.value(OptionBox::Path)))
            << c.line;
    }
    // The last of a repeated option counts; other boxes stay untouched.
    const CommandLine twice = parse_command_line("v.exe /dpi:1 /dpi:2");
    EXPECT_EQ("\"2\"", shown(twice.value(OptionBox::Dpi)));
    EXPECT_EQ("(not given)", shown(twice.value(OptionBox::Count)));
    EXPECT_FALSE(twice.start);
}

TEST(CommandLine, BadOptionIsNamedAndNothingElseApplies) {
    struct {
        const char* line;
        OptionError error;
        const char* option;
    } cases[] = {
        {"v.exe /count:2 /bogus /start", OptionError::Unknown, "/bogus"},
        {"v.exe count:2", OptionError::Unknown, "count:2"},
        {"v.exe -count:2", OptionError::Unknown, "-count:2"},
        {"v.exe /start:now", OptionError::Unknown, "/start:now"},
        {"v.exe /counter:2", OptionError::Unknown, "/counter:2"},
        {"v.exe /start /count", OptionError::MissingValue, "/count"},
        {"v.exe /path: /start", OptionError::MissingValue, "/path:"},
        {"v.exe /width:\"\"", OptionError::MissingValue, "/width:"},
        {"v.exe /path:\"C:\\x\\Nox.exe /start", OptionError::OpenQuote, "/path"},
        {"v.exe /count:1 \"/start /x", OptionError::OpenQuote, "/start"},
        {"v.exe /count:1 \" \t/start:x", OptionError::OpenQuote, "/start"},
        {"v.exe /count:1 \"", OptionError::OpenQuote, "\""}, // nothing after the quote
        // What cmd passes for a quoted variable that is empty: named by its place.
        {"v.exe /count:2 \"\" /start", OptionError::EmptyArgument, "\"\"（第 2 个参数）"},
        {"v.exe \"\"\"\"", OptionError::EmptyArgument, "\"\"（第 1 个参数）"},
        {"v.exe /appearlimit:0", OptionError::BadValue, "/appearlimit:0"},
        {"v.exe /closelimit:1.5", OptionError::BadValue, "/closelimit:1.5"},
        {"v.exe /closelimit:86401", OptionError::BadValue, "/closelimit:86401"},
        {"v.exe /appearlimit:99999999999", OptionError::BadValue, "/appearlimit:99999999999"},
        {"v.exe /appearlimit:", OptionError::MissingValue, "/appearlimit:"},
    };
    for (const auto& c : cases) {
        const CommandLine parsed = parse_command_line(c.line);
        EXPECT_EQ(int(c.error), int(parsed.error)) << c.line;
        EXPECT_EQ(c.option, parsed.bad_option) << c.line;
        EXPECT_FALSE(parsed.start) << c.line;
        EXPECT_FALSE(parsed.value(OptionBox::Count)) << c.line;
        const std::string message = option_error_message(parsed);
        EXPECT_NE(std::string::npos, message.find(c.option)) << message;
        for (const char* accepted : {"/count:N", "/width:W", "/height:H", "/dpi:D", "/path:",
                                     "/appearlimit:S", "/closelimit:S", "/start", "/exit"}) {
            EXPECT_NE(std::string::npos, message.find(accepted)) << message;
        }
    }
}

TEST(CommandLine, WaitLimitsAreWholeSecondsAndTheLastOfARepeatCounts) {
    const CommandLine c =
        parse_command_line("v.exe /AppearLimit:5 /closelimit:86400 /appearlimit:007");
    ASSERT_EQ(OptionError::None, c.error) << c.bad_option;
    EXPECT_EQ(7u, c.appear_limit_s.value_or(0));
    EXPECT_EQ(86400u, c.close_limit_s.value_or(0));
    EXPECT_FALSE(c.empty());
    EXPECT_FALSE(parse_command_line("v.exe").appear_limit_s);
}

TEST(CommandLine, ExitBesideAnErrorIsKeptSoThatAScriptIsNotLeftWaiting) {
    struct {
        const char* line;
        bool exit;
    } cases[] = {
        {"v.exe /bogus /start /exit", true},
        {"v.exe /EXIT /count", true},
        {"v.exe \"\" /exit", true},
        {"v.exe /path:\"C:\\x\\Nox.exe /start /exit", true}, // inside the open quote
        {"v.exe /bogus /start", false},
        {"v.exe /bogus /exitnow", false},
        {"v.exe /bogus /path:C:\\exit", false},
    };
    for (const auto& c : cases) {
        const CommandLine parsed = parse_command_line(c.line);
        EXPECT_NE(OptionError::None, parsed.error) << c.line;
        EXPECT_EQ(c.exit, parsed.exit) << c.line;
        EXPECT_FALSE(parsed.start) << c.line;
    }
}
