// Vantor's test build (VantorAllocationFaults.exe, the program with the
// allocation injection point) run again and again, its Nth allocation failed
// in run N: start-up and the close, every N; a scripted count-2 sequence
// against the stand-in with /exit, N in strides of a fixed seed. Each run
// must end with exit code 0 and everything as without a failure, or with -1
// and the allocation report for the failed request's size: the error box, or
// with /exit its console line. Never another code, a crash or a hang (each
// run is bounded). Ends at the first run that met fewer than N allocations,
// and prints the figures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "runtime/win32/system_text.h"
#include "tests/support/launcher.h"

using namespace vantor::testing;

namespace {

constexpr DWORD kExitRuntimeError = 0xFFFFFFFF; // -1
constexpr DWORD kPollMs = 20;

struct Scenario {
    const char* name;
    bool scripted;  // the count-2 sequence with /start /exit; else start-up and the close
    DWORD bound_ms; // one run at most
};

const Scenario kScenarios[] = {
    {"StartupAndClose", false, 15000},
    {"ScriptedSequence", true, 30000},
};

// The runs' strides through the scripted sequence: uniform in 1 .. 2k - 1
// (VANTOR_SWEEP_STRIDE=k, default 8; 1 runs every N), from a fixed seed.
uint32_t stride_mean() {
    char text[16] = {};
    GetEnvironmentVariableA("VANTOR_SWEEP_STRIDE", text, sizeof text);
    const int k = std::atoi(text);
    return k > 0 ? uint32_t(k) : 8;
}

// The report's message: the allocation error with the size, or the archive's
// load error when the failure came while the archive was read.
std::string allocation_error(const std::string& size) {
    return "分配 " + size + " 字节内存失败!";
}
constexpr const char* kArchiveError = "载入窗口模板数据段出错!";

struct RunResult {
    DWORD exit_code = STILL_ACTIVE;
    std::string failed_size;        // the note: empty when the run met fewer than N allocations
    std::vector<std::string> boxes; // "caption|text" of each box dismissed
    std::string output;             // what it wrote to its standard error (UTF-8)
    std::vector<std::string> starts;
};

std::string gbk_of_utf8(const std::string& utf8) {
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(size_t(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(),
                                           int(wide.size()))));
    return vantor::system_text::from_wide(wide);
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

RunResult run_once(const Scenario& s, uint32_t n, const std::string& note) {
    DeleteFileA(note.c_str());
    ScopedEnv fail("VANTOR_FAIL_ALLOCATION", std::to_string(n));
    ScopedEnv noted("VANTOR_ALLOCATION_NOTE", note);
    StandinLog log;
    OutputFile output;
    const LaunchSettings settings = example_settings("2");
    std::string command = "\"" + program_directory() + "VantorAllocationFaults.exe\"";
    if (s.scripted) {
        command += " /count:2 /width:" + settings.width + " /height:" + settings.height +
                   " /dpi:" + settings.dpi + " \"/path:" + settings.path + "\" /start /exit";
    }
    RunResult run;
    Program program;
    if (!program.start(command, nullptr, output.handle()))
        return run;
    bool closed = s.scripted;
    const DWORD start = GetTickCount();
    while ((run.exit_code = program.wait_exit(kPollMs)) == STILL_ACTIVE &&
           GetTickCount() - start < s.bound_ms) {
        if (HWND box = wait_dialog(program.pid(), 0)) {
            run.boxes.push_back(window_text(box) + "|" + message_box_text(box));
            press_dialog_button(box, IDOK);
            wait_window_gone(box, 5000);
        }
        // Closed once shown and idle, unless a report is up: a close that
        // came while the box shows would end its loop before it is read.
        HWND window = closed ? nullptr : wait_top_window(program.pid(), "QZWindow", "Vantor", 0);
        if (window && settle(window, 2000) && !wait_dialog(program.pid(), 0)) {
            PostMessageW(window, WM_CLOSE, 0, 0);
            closed = true;
        }
    }
    run.failed_size = read_file(note);
    while (!run.failed_size.empty() && run.failed_size.back() == '\n')
        run.failed_size.pop_back();
    run.output = output.text();
    run.starts = command_lines(entries_of(log.entries(), "start"));
    return run;
}

class AllocationSweep : public ::testing::TestWithParam<Scenario> {};

TEST_P(AllocationSweep, EveryFailureEndsInTheAllocationReport) {
    const Scenario& s = GetParam();
    const LaunchSettings settings = example_settings("2");
    const std::vector<std::string> expected_starts =
        s.scripted ? std::vector<std::string>{first_pass_line(settings.path, 1, settings),
                                              first_pass_line(settings.path, 2, settings),
                                              second_pass_line(settings.path, 1),
                                              second_pass_line(settings.path, 2)}
                   : std::vector<std::string>{};
    TempDirectory directory("vantor-sweep");
    const std::string note = directory.path() + "failed.txt";
    std::minstd_rand strides(20261209);
    std::uniform_int_distribution<uint32_t> stride(1, 2 * stride_mean() - 1);
    const DWORD begin = GetTickCount();
    uint32_t runs = 0, whole = 0, reported = 0, archive_errors = 0, last_failed = 0, n = 1;
    for (;; n += s.scripted ? stride(strides) : 1) {
        const RunResult run = run_once(s, n, note);
        ++runs;
        const std::string at = std::string(s.name) + ", allocation " + std::to_string(n);
        if (run.exit_code == 0) {
            EXPECT_TRUE(run.boxes.empty()) << at << ": " << run.boxes.front();
            EXPECT_EQ(expected_starts, run.starts) << at << "\n" << listing(run.starts);
            ++whole;
            if (run.failed_size.empty())
                break; // fewer than n allocations: nothing left to fail
            last_failed = n;
            continue;
        }
        ASSERT_EQ(kExitRuntimeError, run.exit_code) << at << " (259: still running)";
        ASSERT_FALSE(run.failed_size.empty()) << at << ": a runtime error without a failure";
        // With /exit the line (all of the program's output), else the box.
        std::string message;
        if (s.scripted) {
            EXPECT_TRUE(run.boxes.empty()) << at << ": " << run.boxes.front();
            message = gbk_of_utf8(run.output);
            const std::string head = "运行时出错! 错误信息：";
            EXPECT_EQ(0u, message.rfind(head, 0)) << at << ": " << run.output;
            EXPECT_EQ("\r\n", message.substr(std::min(message.size(), message.size() - 2)));
            message = message.substr(std::min(head.size(), message.size()));
            message = message.substr(0, message.size() - std::min<size_t>(2, message.size()));
        } else {
            ASSERT_EQ(1u, run.boxes.size()) << at << ": " << run.output;
            const std::string head = "错误|运行时出错!\r\n\r\n错误信息：";
            EXPECT_EQ(0u, run.boxes.front().rfind(head, 0)) << at << ": " << run.boxes.front();
            message = run.boxes.front().substr(std::min(head.size(), run.boxes.front().size()));
            EXPECT_EQ("\r\n", message.substr(std::min(message.size(), message.size() - 2)));
            message = message.substr(0, message.size() - std::min<size_t>(2, message.size()));
        }
        if (message == kArchiveError) {
            ++archive_errors;
        } else {
            EXPECT_EQ(allocation_error(run.failed_size), message) << at;
        }
        ++reported;
        last_failed = n;
        if (::testing::Test::HasFailure())
            break;
    }
    std::printf("sweep %s: %u to %u allocation points, %u runs (%s); %u ended with 0 as without "
                "a failure, %u with -1 and the report (%u of them the archive's load error); "
                "%lu s\n",
                s.name, last_failed, n - 1, runs, s.scripted ? "strides" : "every N", whole,
                reported, archive_errors, (GetTickCount() - begin) / 1000);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, AllocationSweep, ::testing::ValuesIn(kScenarios),
                         [](const auto& row) { return std::string(row.param.name); });

} // namespace
