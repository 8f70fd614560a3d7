// How a launch sequence's end is told: exit codes by precedence, the warning
// about overdue windows, one-line texts and the shortening of long texts.
#include <gtest/gtest.h>

#include <string>

#include "app/sequence_report.h"

using namespace vantor::app;

namespace {

std::string bytes_fit(std::string_view text, size_t max) {
    return shorten_to_fit(text, [max](std::string_view t) { return t.size() <= max; });
}

} // namespace

TEST(SequenceReport, ExitCodeFollowsThePrecedenceOfOutcomes) {
    struct {
        const char* name;
        SequenceReport report;
        int code;
    } cases[] = {
        {"clean", {SequenceEnd::Finished, {}, {}}, kExitDone},
        {"never appeared", {SequenceEnd::Finished, {2}, {}}, kExitNeverAppeared},
        {"never closed", {SequenceEnd::Finished, {}, {1}}, kExitNeverClosed},
        {"both overdue", {SequenceEnd::Finished, {3}, {1}}, kExitNeverAppeared},
        {"launch failed", {SequenceEnd::LaunchFailed, {1}, {2}}, kExitLaunchFailed},
        {"closed", {SequenceEnd::Closed, {1}, {}}, kExitClosedEarly},
        {"already running", {SequenceEnd::Finished, {}, {}, {1}}, kExitAlreadyRunning},
        {"overdue before running", {SequenceEnd::Finished, {}, {2}, {1}}, kExitNeverClosed},
        {"failed before running", {SequenceEnd::LaunchFailed, {}, {}, {1}}, kExitLaunchFailed},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.code, exit_code_of(c.report)) << c.name;
    const int codes[] = {kExitDone,          kExitBadCommandLine, kExitLaunchFailed,
                         kExitNeverAppeared, kExitNeverClosed,    kExitClosedEarly,
                         kExitAlreadyRunning};
    for (size_t i = 0; i < std::size(codes); ++i) {
        for (size_t k = i + 1; k < std::size(codes); ++k)
            EXPECT_NE(codes[i], codes[k]) << "codes " << i << " and " << k << " are the same";
    }
}

TEST(SequenceReport, OverdueMessageNamesInstancesAndLimits) {
    const WaitLimits limits{120000, 1500};
    EXPECT_EQ("", overdue_message({}, limits));
    EXPECT_EQ("模拟器 1、3 的窗口在 120 秒内没有出现，没有被结束。",
              overdue_message({SequenceEnd::Finished, {1, 3}, {}}, limits));
    EXPECT_EQ("模拟器 1 的窗口在 120 秒内没有出现，没有被结束。\r\n"
              "模拟器 2 的窗口在结束后 2 秒内没有关闭。",
              overdue_message({SequenceEnd::Finished, {1}, {2}}, limits));
    EXPECT_EQ("模拟器 1 的窗口在结束后 2 秒内没有关闭。\r\n"
              "模拟器 2、3 已在运行，没有重新启动。",
              overdue_message({SequenceEnd::Finished, {}, {1}, {2, 3}}, limits));
    SequenceReport many;
    for (int32_t i = 1; i <= 25; ++i)
        many.never_closed.push_back(i);
    const std::string text = overdue_message(many, limits);
    EXPECT_NE(std::string::npos, text.find("19、20…（共 25 个）")) << text;
    EXPECT_EQ(std::string::npos, text.find("21")) << text;
}

TEST(SequenceReport, OneLineJoinsLinesWithOneBlank) {
    EXPECT_EQ("无法启动模拟器： C:\\x.exe -a", one_line(launch_failure_message("C:\\x.exe -a")));
    EXPECT_EQ("a b c ", one_line("a\r\n\r\nb\nc\r"));
    EXPECT_EQ("", one_line(""));
}

TEST(SequenceReport, ShortenedTextKeepsStartAndEndAroundAnEllipsis) {
    const std::string ellipsis = "…";         // two bytes in GBK
    const std::string o = "\x81\x30\x8B\x32"; // ö, four bytes
    struct {
        std::string text;
        size_t max;
        std::string expected;
    } cases[] = {
        {"abcdef", 6, "abcdef"},                       // fits: unchanged
        {"abcdefgh", 6, "ab" + ellipsis + "gh"},       // 2 + 2 + 2 bytes
        {"abcdefgh", 7, "abc" + ellipsis + "gh"},      // the start one longer
        {"abcdefgh", 2, ellipsis},                     // only the ellipsis fits
        {"abcdefgh", 0, ellipsis},                     // not even that: still the ellipsis
        {"模拟器模拟器", 8, "模拟" + ellipsis + "器"}, // two-byte characters stay whole
        {"模拟器模拟器", 7, "模" + ellipsis + "器"},
        {"a模拟器b", 6, "a模" + ellipsis + "b"},
        {"a" + o + o + o + "b", 8, "a" + o + ellipsis + "b"}, // four-byte ones too
        {"a" + o + o + o + "b", 7, "a" + ellipsis + "b"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, bytes_fit(c.text, c.max)) << c.text << " in " << c.max;
}

TEST(SequenceReport, ShorteningALongPathKeepsAsMuchAsFits) {
    const std::string path = "C:\\" + std::string(5000, 'x') + "\\Nox.exe -memory:1024";
    const std::string shown = bytes_fit(path, 100);
    EXPECT_EQ(100u, shown.size());
    EXPECT_EQ(0u, shown.find("C:\\xxx"));
    EXPECT_EQ(shown.size() - 21, shown.rfind("\\Nox.exe -memory:1024")) << shown;
    // A lone lead byte at the end is a character of its own, never read past.
    const std::string odd = std::string(10, 'a') + "\xB0";
    EXPECT_EQ("aaa" + std::string("…") + "aa\xB0", bytes_fit(odd, 8));
}
