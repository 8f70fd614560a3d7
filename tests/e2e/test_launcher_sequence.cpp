// The launch sequence as a user starts it: the command lines and their order,
// the termination of each prepared instance and the pauses, the counts the
// count box accepts, bare options, a count changed while the sequence runs,
// a window that keeps answering, and handling keys, while the sequence
// waits, and what it shows meanwhile (the step in its title, 启动 disabled).
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/launcher.h"

using namespace vantor::testing;

namespace {

// The log is given this long after the last expected start to show a start
// that should not come (the sequence ends 800 ms after its last launch).

// ---- order and pauses -------------------------------------------------------------------

// One sequence of count 2 with the example values, shared by the tests of
// this group: what the log and the watcher saw of it.
struct LaunchRun {
    LaunchSettings settings = example_settings("2");
    std::vector<LogEntry> starts;
    std::vector<LogEntry> windows;
    std::vector<Instance> instances;
    std::string failure; // why the run could not be made
};

LaunchRun run_example_sequence() {
    LaunchRun run;
    StandinLog log;
    InstanceWatcher watcher(log);
    Launcher vantor;
    if (auto started = vantor.start(run.settings); !started) {
        run.failure = started.message();
        return run;
    }
    run.starts = starts_after(log, vantor.window(), 4, kSequenceMs);
    run.windows = entries_of(log.entries(), "window");
    run.instances = watcher.instances();
    return run;
}

class LaunchOrder : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { run_ = new LaunchRun(run_example_sequence()); }
    static void TearDownTestSuite() {
        delete run_;
        run_ = nullptr;
    }
    void SetUp() override {
        ASSERT_EQ("", run_->failure);
        ASSERT_EQ(4u, run_->instances.size()) << listing(command_lines(run_->starts));
    }

    static LaunchRun* run_;
    const LaunchSettings& settings_ = run_->settings;
    const std::vector<LogEntry>& starts_ = run_->starts;
    const std::vector<Instance>& instances_ = run_->instances;
};
LaunchRun* LaunchOrder::run_ = nullptr;

TEST_F(LaunchOrder, CountTwoGivesBothPassesCommandLinesInOrder) {
    const std::string& path = settings_.path;
    const std::vector<std::string> expected = {
        path + " -clone:Nox_1 -resolution:720x1280 -dpi:320 -performance:low -root:false -cpu:1 "
               "-memory:1024",
        path + " -clone:Nox_2 -resolution:720x1280 -dpi:320 -performance:low -root:false -cpu:1 "
               "-memory:1024",
        path + " -clone:Nox_1",
        path + " -clone:Nox_2",
    };
    EXPECT_EQ(listing(expected), listing(command_lines(starts_)));
}

TEST_F(LaunchOrder, EachFirstPassInstanceIsTerminatedAfterItsWindowBeforeTheNextStart) {
    const std::vector<LogEntry>& windows = run_->windows;
    for (size_t k = 0; k < 2; ++k) {
        const Instance& instance = instances_[k];
        const Instance& next = instances_[k + 1];
        SCOPED_TRACE("first-pass instance " + std::to_string(k + 1));
        ASSERT_TRUE(instance.watched) << "the process had gone before the test saw it";
        ASSERT_TRUE(instance.ended) << "still running when the sequence was over";
        EXPECT_FALSE(instance.logged_exit) << "it closed by itself: nobody terminated it";
        EXPECT_EQ(0u, instance.exit_code) << "terminated with another exit code";
        EXPECT_LT(instance.end_ms, next.start.ms)
            << "instance ended at " << instance.end_ms << " ms, the next started at "
            << next.start.ms << " ms";

        double shown_ms = -1;
        for (const LogEntry& w : windows) {
            if (w.pid == instance.start.pid)
                shown_ms = w.ms;
        }
        ASSERT_GE(shown_ms, 0.0) << "its window was never shown";
        EXPECT_LE(shown_ms, instance.end_ms) << "terminated before its window appeared";
    }
}

TEST_F(LaunchOrder, PausesOf500MsAfterEachTerminationAnd800MsBetweenSecondPassStarts) {
    for (size_t k = 0; k < 2; ++k) {
        ASSERT_TRUE(instances_[k].ended) << "first-pass instance " << k + 1 << " still runs";
        EXPECT_GE(instances_[k + 1].start.ms - instances_[k].end_ms, 450.0)
            << "start " << k + 2 << " came too soon after instance " << k + 1 << " ended ("
            << instances_[k].end_ms << " ms -> " << instances_[k + 1].start.ms << " ms)";
    }
    EXPECT_GE(instances_[3].start.ms - instances_[2].start.ms, 750.0)
        << "second-pass starts at " << instances_[2].start.ms << " and " << instances_[3].start.ms
        << " ms";
    // The second pass leaves its instances running.
    EXPECT_FALSE(instances_[2].ended);
    EXPECT_FALSE(instances_[3].ended);
}

// ---- counts ---------------------------------------------------------------------------------

TEST(Counts, EmptyNonNumericZeroAndNegativeStartNothing) {
    StandinLog log;
    Launcher vantor;
    ASSERT_TRUE(vantor.ready()) << "no window titled Vantor";
    ASSERT_TRUE(vantor.fill(example_settings("")));
    for (const char* count : {"", "abc", "0", "-2"}) {
        ASSERT_EQ(count, vantor.enter(kCountBox, count));
        vantor.press_start();
        ASSERT_TRUE(vantor.round_trip()) << "the click was not handled";
        EXPECT_EQ(listing({}), listing(command_lines(log.settled_starts())))
            << "count \"" << count << "\"";
    }
    // The clicks did reach the handler: the same window with a count of 1 starts.
    ASSERT_EQ("1", vantor.enter(kCountBox, "1"));
    vantor.press_start();
    EXPECT_EQ(1u, log.wait_for("start", 1, kSequenceMs).size()) << "count 1 started nothing";
}

struct CountCase {
    const char* name;
    const char* typed;
};

class CountOfThree : public ::testing::TestWithParam<CountCase> {};

TEST_P(CountOfThree, StartsThreeInstancesInTheFirstPass) {
    StandinLog log;
    Launcher vantor;
    const LaunchSettings s = example_settings(GetParam().typed);
    ASSERT_TRUE(vantor.start(s));
    // The first pass is over when the second pass starts instance 1 plain.
    const std::vector<LogEntry> starts = log.wait_for("start", 4, kSequenceMs);
    const std::vector<std::string> expected = {
        first_pass_line(s.path, 1, s), first_pass_line(s.path, 2, s), first_pass_line(s.path, 3, s),
        second_pass_line(s.path, 1)};
    EXPECT_EQ(listing(expected), listing(command_lines(starts)))
        << "count \"" << GetParam().typed << "\"";
}

INSTANTIATE_TEST_SUITE_P(Counts, CountOfThree,
                         ::testing::Values(CountCase{"LeadingBlank", " 3"},
                                           CountCase{"TrailingLetters", "3abc"},
                                           CountCase{"FullWidthDigit", "３"}),
                         case_name<CountCase>);

// ---- options and edits during the sequence ----------------------------------------------------

TEST(Options, EmptyWidthHeightAndDpiLeaveTheOptionsBare) {
    StandinLog log;
    Launcher vantor;
    const std::string path = standin_exe();
    ASSERT_TRUE(vantor.start({"1", "", "", "", path}));
    const std::vector<LogEntry> starts = starts_after(log, vantor.window(), 2, kSequenceMs);
    const std::vector<std::string> expected = {
        path + " -clone:Nox_1 -resolution:x -dpi: -performance:low -root:false -cpu:1 -memory:1024",
        path + " -clone:Nox_1"};
    EXPECT_EQ(listing(expected), listing(command_lines(starts)));
}

TEST(CountChange, CountChangedDuringTheFirstPassIsUsedByTheSecondPass) {
    StandinLog log;
    // Instance 1 keeps the launcher in its appearance wait for a while.
    ScopedEnv slow("VANTOR_STANDIN_SHOW_DELAY_MS", "2000");
    Launcher vantor;
    const LaunchSettings s = example_settings("1");
    ASSERT_TRUE(vantor.start(s));
    ASSERT_EQ(1u, log.wait_for("start", 1, kSequenceMs).size()) << "the sequence did not start";

    ASSERT_EQ("2", vantor.enter(kCountBox, "2"));
    ASSERT_TRUE(entries_of(log.entries(), "window").empty())
        << "the count was changed only after instance 1 had shown its window";

    const std::vector<LogEntry> starts = starts_after(log, vantor.window(), 3, kSequenceMs);
    const std::vector<std::string> expected = {
        first_pass_line(s.path, 1, s), second_pass_line(s.path, 1), second_pass_line(s.path, 2)};
    EXPECT_EQ(listing(expected), listing(command_lines(starts)));
}

// ---- responsiveness ---------------------------------------------------------------------------

TEST(Responsiveness, WindowAnswersWithin100MsWhileTheSequenceWaits) {
    StandinLog log;
    // The appearance wait lasts as long as the test probes.
    ScopedEnv never("VANTOR_STANDIN_NEVER_SHOW", "1");
    Launcher vantor;
    ASSERT_TRUE(vantor.start(example_settings("1")));
    ASSERT_EQ(1u, log.wait_for("start", 1, kSequenceMs).size()) << "the sequence did not start";
    ASSERT_TRUE(settle(vantor.window(), 5000)) << "no answer from the launcher";

    constexpr int kProbes = 15;
    int unanswered = 0;
    double slowest = 0;
    for (int n = 0; n < kProbes; ++n) {
        DWORD_PTR result = 0;
        const double start = now_ms();
        if (!SendMessageTimeoutA(vantor.window(), WM_NULL, 0, 0, SMTO_NORMAL, 100, &result))
            ++unanswered;
        slowest = std::max(slowest, now_ms() - start);
        Sleep(100);
    }
    EXPECT_EQ(0, unanswered) << "of " << kProbes << " messages; slowest answer " << slowest
                             << " ms";
    EXPECT_TRUE(log.wait_for("window", 1, 0).empty() && vantor.running())
        << "the probes did not all fall into the appearance wait";
}

// ---- what the window shows while a sequence runs -------------------------------------------

std::string wait_title(HWND window, const std::string& title, DWORD ms) {
    return wait_window_text(window, title, ms);
}

TEST(SequenceView, TitleShowsTheStepAndStartIsDisabledUntilTheEnd) {
    StandinLog log;
    // Each instance's window comes after 2 s: the appearance waits hold the
    // sequence in each step long enough to be seen.
    ScopedEnv slow("VANTOR_STANDIN_SHOW_DELAY_MS", "2000");
    Launcher vantor;
    ASSERT_TRUE(vantor.start(example_settings("2")));
    HWND start = vantor.control(kStartButton);
    struct {
        const char* title;
        size_t starts; // logged by then
    } steps[] = {{"Vantor - 准备 1/2", 1}, {"Vantor - 准备 2/2", 2}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.title);
        ASSERT_EQ(step.starts, log.wait_for("start", step.starts, kSequenceMs).size());
        EXPECT_EQ(step.title, wait_title(vantor.window(), step.title, 1000));
        EXPECT_FALSE(IsWindowEnabled(start)) << "启动 can be pressed";
    }
    ASSERT_EQ(3u, log.wait_for("start", 3, kSequenceMs).size());
    EXPECT_EQ("Vantor - 启动 1/2", wait_title(vantor.window(), "Vantor - 启动 1/2", 1000));
    EXPECT_FALSE(IsWindowEnabled(start)) << "启动 can be pressed in the second pass";

    ASSERT_EQ(4u, log.wait_for("start", 4, kSequenceMs).size());
    EXPECT_EQ("Vantor", wait_title(vantor.window(), "Vantor", 3000)) << "after the sequence";
    ASSERT_TRUE(settle(vantor.window()));
    EXPECT_TRUE(IsWindowEnabled(start)) << "启动 stays disabled after the sequence";
    EXPECT_EQ(nullptr, vantor.wait_dialog(0)) << describe_dialog(vantor.wait_dialog(0));
}

} // namespace
