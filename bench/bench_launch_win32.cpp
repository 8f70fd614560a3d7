// Figures for the launch sequence's building blocks under the real system
// (Wine or Windows): the delay's accuracy, the time from the launch command to
// the stand-in's window being found, and from termination to the window gone.
// Prints medians; run next to the stand-in (Nox.exe).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/system_helpers.h"
#include "commands/library.h"
#include "runtime/call.h"
#include "runtime/dll_binding.h"
#include "runtime/win32/dll_call_win32.h"
#include "runtime/win32/kernel.h"
#include "runtime/win32/libraries.h"
#include "tests/support/driver.h"

using namespace vantor;
using namespace vantor::testing;

namespace {

struct Stats {
    double median, min, max;
};

Stats stats(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    const double median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    return {median, v.front(), v.back()};
}

void print(const char* what, const std::vector<double>& samples) {
    if (samples.empty()) {
        std::printf("%-48s no samples\n", what);
        return;
    }
    const Stats s = stats(samples);
    std::printf("%-48s median %8.2f ms  (min %8.2f, max %8.2f, n=%u)\n", what, s.median, s.min,
                s.max, unsigned(samples.size()));
}

void bench_delay(int32_t duration, int runs) {
    std::vector<double> taken;
    for (int i = 0; i < runs; ++i) {
        const double start = now_ms();
        app::delay(duration);
        taken.push_back(now_ms() - start);
    }
    char label[64];
    std::snprintf(label, sizeof label, "delay(%d): time taken", duration);
    print(label, taken);
}

// One launch of the stand-in: launch command's own time, launch to window
// found (polled every millisecond), termination to window gone.
void bench_launch(const StandinLog& log, int runs) {
    std::vector<double> command, found, gone, started, created;
    const std::string line = "\"" + standin_exe() + "\" -clone:Nox_1";
    for (int i = 0; i < runs; ++i) {
        const TypedValue args[1] = {make_text(line.c_str())};
        const double start = now_ms();
        call_command(cmd_launch, 1, args);
        const double returned = now_ms();
        uint32_t window = 0;
        while (!(window = app::find_window("Qt5QWindowIcon", "夜神模拟器1"))) {
            if (now_ms() - start > 10000) {
                std::printf("stand-in window not found\n");
                return;
            }
            Sleep(1);
        }
        const double seen = now_ms();
        app::terminate_process_id(app::find_process_id("Nox.exe"));
        const double terminated = now_ms();
        while (app::find_window("Qt5QWindowIcon", "夜神模拟器1"))
            Sleep(1);
        const double vanished = now_ms();
        // The stand-in's own log, on the same clock: when its code began to
        // run and when its window existed (a window found and terminated at
        // once may never have been logged).
        const auto starts = entries_of(log.entries(), "start");
        if (!starts.empty()) {
            started.push_back(starts.back().ms - start);
            for (const LogEntry& e : entries_of(log.entries(), "window")) {
                if (e.pid == starts.back().pid)
                    created.push_back(e.ms - start);
            }
        }
        command.push_back(returned - start);
        found.push_back(seen - start);
        gone.push_back(vanished - terminated);
        app::delay(100);
    }
    print("launch to stand-in running (its first log line)", started);
    print("launch to stand-in window created", created);
    print("launch command (WaitForInputIdle included)", command);
    print("launch to window found", found);
    print("termination to window gone", gone);
}

} // namespace

int main() {
    // The runtime as the launcher's helpers meet it: the libraries' request
    // entry and the ten declared functions.
    kSupportLibraries[0]->notify(1, uint32_t(reinterpret_cast<uintptr_t>(&runtime_request)), 0);
    std::string dir = program_directory();
    dir.pop_back();
    DllTables tables{};
    create_dll_tables(tables, app::kDeclaredFunctionCount, app::kDeclaredLibraries,
                      app::kDeclaredExports);
    attach_dll_tables(&tables, dir.c_str());
    StandinLog log;

    app::delay(50); // binds the delay's functions outside the figures
    bench_delay(200, 7);
    bench_delay(500, 5);
    bench_delay(800, 5);
    bench_launch(log, 10);

    attach_dll_tables(nullptr, nullptr);
    release_dll_tables(tables, win32_dll_loader());
    return 0;
}
