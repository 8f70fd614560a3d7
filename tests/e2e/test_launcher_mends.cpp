// Where the launcher departs from the plain sequence to stay safe: a path
// with blanks is quoted, only the sequence's own instances are terminated,
// the window waits have limits and a failed start stops the sequence with a
// message, closing the window ends a running sequence cleanly, and a second
// click while a sequence runs is ignored.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <vector>

#include "tests/support/launcher.h"

using namespace vantor::testing;

namespace {

std::string in_quotes(const std::string& path) {
    return "\"" + path + "\"";
}

// Runs one sequence of count 1 with `path` typed into the path box; the
// starts it gave.
std::vector<LogEntry> run_count_one(const StandinLog& log, const std::string& path) {
    Launcher vantor;
    LaunchSettings s = example_settings("1");
    s.path = path;
    EXPECT_TRUE(vantor.start(s));
    return starts_after(log, vantor.window(), 2, kSequenceMs);
}

// ---- a path with blanks ------------------------------------------------------------------

// The stand-in at <tmp>\Program Files\Nox\Nox.exe and the decoy at
// <tmp>\Program.exe, where the system looks first for an unquoted path.
class BlankInPath : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = make_temp_directory("vantor");
        ASSERT_FALSE(root_.empty());
        ASSERT_EQ(std::string::npos, root_.find(' '))
            << "the decoy needs a path without blanks: " << root_;
        ASSERT_TRUE(CreateDirectoryA((root_ + "Program Files").c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA((root_ + "Program Files\\Nox").c_str(), nullptr));
        nox_ = root_ + "Program Files\\Nox\\Nox.exe";
        ASSERT_TRUE(CopyFileA(standin_exe().c_str(), nox_.c_str(), TRUE)) << nox_;
        ASSERT_TRUE(CopyFileA(decoy_exe().c_str(), (root_ + "Program.exe").c_str(), TRUE));
    }
    // The test body has ended every program started from here by then.
    void TearDown() override { remove_tree(root_); }

    // The expected starts, and that none of them is the decoy.
    void expect_both_passes_start(const std::vector<LogEntry>& starts, const std::string& program) {
        const LaunchSettings s = example_settings("1");
        const std::vector<std::string> expected = {first_pass_line(program, 1, s),
                                                   second_pass_line(program, 1)};
        EXPECT_EQ(listing(expected), listing(command_lines(starts)));
        for (const LogEntry& e : starts)
            EXPECT_EQ("Nox.exe", e.field("exe")) << "started instead: " << e.rest("cmd");
    }

    std::string root_;
    std::string nox_;
};

TEST_F(BlankInPath, UnquotedExistingPathIsQuotedInBothPasses) {
    StandinLog log;
    expect_both_passes_start(run_count_one(log, nox_), in_quotes(nox_));
}

TEST_F(BlankInPath, QuotedPathIsKeptAsTyped) {
    StandinLog log;
    expect_both_passes_start(run_count_one(log, in_quotes(nox_)), in_quotes(nox_));
}

TEST_F(BlankInPath, PathCarryingOptionsIsKeptAsTyped) {
    // Its blank separates an option: as a whole it names no file, so it is
    // not quoted, and the option reaches the emulator.
    StandinLog log;
    const std::string typed = standin_exe() + " -extra:1";
    expect_both_passes_start(run_count_one(log, typed), typed);
}

// ---- only the sequence's own instances are terminated ------------------------------------

TEST(OtherInstance, AnInstanceRunningBeforeTheSequenceSurvivesIt) {
    StandinLog log;
    InstanceWatcher watcher(log);
    // Started first, so it comes first in the system's process list.
    Program other;
    ASSERT_TRUE(other.start(in_quotes(standin_exe()) + " -clone:Nox_9"));
    ASSERT_NE(nullptr, wait_top_window(other.pid(), "Qt5QWindowIcon", "夜神模拟器9", kOpenMs));

    Launcher vantor;
    const LaunchSettings s = example_settings("2");
    ASSERT_TRUE(vantor.start(s));
    const std::vector<LogEntry> starts = starts_after(log, vantor.window(), 5, kSequenceMs);
    ASSERT_EQ(5u, starts.size()) << listing(command_lines(starts));

    EXPECT_TRUE(other.running()) << "the instance the user had started was terminated (exit code "
                                 << other.wait_exit(0) << ")";
    const std::vector<Instance> instances = watcher.instances();
    for (size_t k = 1; k <= 2; ++k) {
        SCOPED_TRACE("first-pass instance " + std::to_string(k));
        EXPECT_EQ(first_pass_line(s.path, int(k), s), instances[k].start.rest("cmd"));
        EXPECT_TRUE(instances[k].ended && !instances[k].logged_exit)
            << "the sequence's own instance was not terminated";
        if (k < 2) {
            EXPECT_LT(instances[k].end_ms, instances[k + 1].start.ms);
        }
    }
}

// ---- a start that fails ------------------------------------------------------------------

// The standard icon nearest what `box` shows now, and its distance (-1: none).
std::string nearest_icon(HWND box, long long& best_distance) {
    best_distance = -1;
    HWND icon = nullptr;
    for (HWND child : children_of(box)) {
        if (class_name_of(child) == "Static" &&
            (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && IsWindowVisible(child))
            icon = child;
    }
    if (!icon)
        return "no icon";
    const RECT r = screen_rect(icon);
    const int size = std::min<int>(std::min(r.right - r.left, r.bottom - r.top), 32);
    HDC screen = GetDC(nullptr);
    HDC copy = CreateCompatibleDC(screen);
    HBITMAP copy_bitmap = CreateCompatibleBitmap(screen, size, size);
    HGDIOBJ copy_old = SelectObject(copy, copy_bitmap);
    BitBlt(copy, 0, 0, size, size, screen, r.left, r.top, SRCCOPY);
    std::vector<COLORREF> shown;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x)
            shown.push_back(GetPixel(copy, x, y));
    }
    SelectObject(copy, copy_old);
    DeleteObject(copy_bitmap);
    DeleteDC(copy);
    ReleaseDC(nullptr, screen);
    if (shown.empty())
        return "empty icon";

    struct Candidate {
        const char* name;
        LPCSTR id;
    } candidates[] = {{"error", IDI_HAND},
                      {"warning", IDI_EXCLAMATION},
                      {"information", IDI_ASTERISK},
                      {"question", IDI_QUESTION}};
    std::string best = "none";
    best_distance = -1;
    for (const Candidate& c : candidates) {
        HDC dc = CreateCompatibleDC(nullptr);
        HDC any = GetDC(nullptr);
        HBITMAP bitmap = CreateCompatibleBitmap(any, size, size);
        ReleaseDC(nullptr, any);
        HGDIOBJ old = SelectObject(dc, bitmap);
        HBRUSH background = CreateSolidBrush(shown[0]); // the corner is background
        const RECT all{0, 0, size, size};
        FillRect(dc, &all, background);
        DeleteObject(background);
        DrawIconEx(dc, 0, 0, LoadIconA(nullptr, c.id), 0, 0, 0, nullptr, DI_NORMAL);
        long long distance = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const COLORREF a = GetPixel(dc, x, y);
                const COLORREF b = shown[size_t(y * size + x)];
                distance += std::abs(int(GetRValue(a)) - int(GetRValue(b))) +
                            std::abs(int(GetGValue(a)) - int(GetGValue(b))) +
                            std::abs(int(GetBValue(a)) - int(GetBValue(b)));
            }
        }
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
        if (best_distance < 0 || distance < best_distance) {
            best_distance = distance;
            best = c.name;
        }
    }
    return best;
}

// Which standard icon a message box shows: its icon's pixels on the screen
// compared with each standard icon drawn here on the same background. The box
// may not have painted yet on a busy machine (an unpainted icon is nearest the
// smallest icon), so it looks again until one icon matches closely (3 s at most).
std::string icon_shown(HWND box) {
    std::string best;
    for (int attempt = 0; attempt < 30; ++attempt) {
        long long distance = 0;
        best = nearest_icon(box, distance);
        if (distance >= 0 && distance <= 8LL * 32 * 32)
            break;
        Sleep(100);
    }
    return best;
}

TEST(LaunchFailure, OneMessageBoxOwnedByTheWindowAndTheSequenceStops) {
    StandinLog log;
    Launcher vantor;
    LaunchSettings s = example_settings("2");
    s.path = log.directory() + "missing\\Nox.exe";
    ASSERT_TRUE(vantor.start(s));

    HWND box = vantor.wait_dialog(kOpenMs);
    ASSERT_NE(nullptr, box) << "no message box";
    EXPECT_EQ("Vantor", window_text(box));
    EXPECT_EQ("无法启动模拟器：\r\n" + first_pass_line(s.path, 1, s), message_box_text(box));
    EXPECT_EQ(vantor.window(), GetWindow(box, GW_OWNER)) << "not owned by the launcher's window";
    SetWindowPos(box, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_TRUE(settle(box));
    EXPECT_EQ("error", icon_shown(box));

    // A path that starts is typed while the box is up: a sequence that went
    // on would start an instance with it.
    ASSERT_EQ(standin_exe(), vantor.enter(kPathBox, standin_exe()));
    press_dialog_button(box, IDOK);
    ASSERT_TRUE(wait_window_gone(box, 5000)) << "the box stays after OK";
    ASSERT_TRUE(vantor.wait_sequence_over(kSequenceMs)) << "the sequence went on";
    ASSERT_TRUE(vantor.round_trip()) << "no answer from the launcher";
    HWND second = vantor.wait_dialog(0);
    EXPECT_EQ(nullptr, second) << "a second box: " << describe_dialog(second);
    EXPECT_EQ(listing({}), listing(command_lines(entries_of(log.entries(), "start"))));

    // The stopped sequence is over: the next click starts a new one.
    vantor.press_start();
    s.path = standin_exe();
    const std::vector<LogEntry> starts = log.wait_for("start", 1, kSequenceMs);
    ASSERT_FALSE(starts.empty()) << "a click after the stopped sequence started nothing";
    EXPECT_EQ(first_pass_line(s.path, 1, s), starts[0].rest("cmd"));
}

// ---- closing the window while a sequence runs ----------------------------------------------

enum class CloseBy { Message, Escape };
// When the window is closed: in the wait for instance 1's window; queued
// behind the click, so that it is still waiting when the first launch returns;
// after instance 1 was terminated (its disappearance wait or the pause); in
// the second pass, after a launch.
enum class Phase { AppearanceWait, DuringFirstLaunch, AfterTermination, SecondPassPause };

struct CloseCase {
    const char* name;
    CloseBy by;
    Phase phase;
};

class CloseDuringSequence : public ::testing::TestWithParam<CloseCase> {};

TEST_P(CloseDuringSequence, EndsItWithoutErrorAndExitCodeZero) {
    const CloseCase& c = GetParam();
    StandinLog log;
    InstanceWatcher watcher(log);
    std::optional<ScopedEnv> never;
    if (c.phase == Phase::AppearanceWait || c.phase == Phase::DuringFirstLaunch)
        never.emplace("VANTOR_STANDIN_NEVER_SHOW", "1");
    Launcher vantor;
    ASSERT_TRUE(vantor.start(example_settings("2")));

    switch (c.phase) {
    case Phase::DuringFirstLaunch:
        break;
    case Phase::AppearanceWait:
        ASSERT_EQ(1u, log.wait_for("start", 1, kSequenceMs).size());
        ASSERT_TRUE(settle(vantor.window())) << "no answer from the launcher";
        break;
    case Phase::AfterTermination: {
        const DWORD begin = GetTickCount();
        while (!(watcher.instances().size() == 1 && watcher.instances()[0].ended)) {
            ASSERT_LT(GetTickCount() - begin, kSequenceMs) << "instance 1 was never terminated";
            Sleep(5);
        }
        break;
    }
    case Phase::SecondPassPause:
        ASSERT_EQ(3u, log.wait_for("start", 3, kSequenceMs).size());
        ASSERT_TRUE(settle(vantor.window())) << "no answer from the launcher";
        break;
    }
    // Queued behind the click, the close finds the first launch under way.
    const size_t started =
        c.phase == Phase::DuringFirstLaunch ? 1 : entries_of(log.entries(), "start").size();
    if (c.by == CloseBy::Message)
        PostMessageA(vantor.window(), WM_CLOSE, 0, 0);
    else
        press_key(vantor.control(kCountBox), VK_ESCAPE);

    const DWORD code = vantor.wait_exit(5000);
    HWND box = code == STILL_ACTIVE ? vantor.wait_dialog(0) : nullptr;
    EXPECT_EQ(nullptr, box) << describe_dialog(box);
    EXPECT_EQ(0u, code) << "exit code (259: still running 5 s after the close)";
    const std::vector<LogEntry> starts = log.settled_starts();
    EXPECT_EQ(started, starts.size()) << "started after the close:\n"
                                      << listing(command_lines(starts));
}

INSTANTIATE_TEST_SUITE_P(
    Closing, CloseDuringSequence,
    ::testing::Values(
        CloseCase{"MessageInAppearanceWait", CloseBy::Message, Phase::AppearanceWait},
        CloseCase{"EscapeInAppearanceWait", CloseBy::Escape, Phase::AppearanceWait},
        CloseCase{"MessageDuringFirstLaunch", CloseBy::Message, Phase::DuringFirstLaunch},
        CloseCase{"MessageAfterTermination", CloseBy::Message, Phase::AfterTermination},
        CloseCase{"EscapeAfterTermination", CloseBy::Escape, Phase::AfterTermination},
        CloseCase{"MessageInSecondPass", CloseBy::Message, Phase::SecondPassPause},
        CloseCase{"EscapeInSecondPass", CloseBy::Escape, Phase::SecondPassPause}),
    case_name<CloseCase>);

// ---- a second click while a sequence runs ----------------------------------------------------

TEST(SecondClick, ClicksWhileTheSequenceRunsAreIgnored) {
    StandinLog log;
    Launcher vantor;
    const LaunchSettings s = example_settings("1");
    ASSERT_TRUE(vantor.start(s));
    vantor.press_start();
    ASSERT_EQ(1u, log.wait_for("start", 1, kSequenceMs).size());
    vantor.press_start(); // in the appearance wait

    const std::vector<std::string> one_sequence = {first_pass_line(s.path, 1, s),
                                                   second_pass_line(s.path, 1)};
    EXPECT_EQ(listing(one_sequence),
              listing(command_lines(starts_after(log, vantor.window(), 2, kSequenceMs))));

    // Once it is over, a click starts the next sequence. Its instances are
    // ended first, as a user closes them: a running instance 1 would be taken
    // for the new one's window.
    log.end_running();
    vantor.press_start();
    std::vector<std::string> two_sequences = one_sequence;
    two_sequences.insert(two_sequences.end(), one_sequence.begin(), one_sequence.end());
    EXPECT_EQ(listing(two_sequences),
              listing(command_lines(starts_after(log, vantor.window(), 4, kSequenceMs))));
}

} // namespace
