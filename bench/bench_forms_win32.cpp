// Form engine figures under Wine or Windows (prints them; no assertions):
//  - a window with 13 controls loaded from the form archive and shown, beside a
//    plain Win32 program creating the same window and 13 controls directly,
//    as medians and their ratio in one run;
//  - property reads and writes per second through the interface table.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench/bench_clock.h"
#include "runtime/win32/interface.h"
#include "runtime/win32/kernel.h"
#include "tests/support/forms_harness.h"
#include "tests/support/sequence.h"

using namespace vantor;
using namespace vantor::testing;

namespace {

constexpr uint32_t kWindow = 0x52010101;
constexpr uint32_t kFirstControl = 0x16010102;
constexpr uint32_t kProbe = 0x1601010E;
constexpr int kRounds = 60;

// The same window by hand: a registered class, 13 STATIC and BUTTON children at
// the stored positions, shown.
HWND create_plain() {
    static bool registered = false;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!registered) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = "VantorBenchPlain";
        RegisterClassA(&wc);
        registered = true;
    }
    HWND window =
        CreateWindowExA(0, "VantorBenchPlain", "Bench",
                        WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
                        100, 100, 400, 300, nullptr, nullptr, instance, nullptr);
    for (int i = 0; i < 13; ++i) {
        bool button = i % 2 == 0 && i != 12;
        char name[8];
        std::snprintf(name, sizeof name, "C%d", i);
        CreateWindowExA(0, button ? "BUTTON" : "STATIC", name,
                        WS_CHILD | WS_VISIBLE | (button ? WS_TABSTOP | BS_PUSHBUTTON : 0),
                        10 + (i % 3) * 120, 10 + (i / 3) * 40, 100, 24, window,
                        reinterpret_cast<HMENU>(uintptr_t(100 + 10 * i)), instance, nullptr);
    }
    ShowWindow(window, SW_SHOW);
    return window;
}

void compare_load() {
    std::vector<double> engine, plain;
    for (int round = 0; round < kRounds; ++round) {
        double t0 = now_ms();
        load(kWindow);
        pump();
        engine.push_back(now_ms() - t0);
        close_all_windows();

        t0 = now_ms();
        HWND h = create_plain();
        pump();
        plain.push_back(now_ms() - t0);
        DestroyWindow(h);
        pump();
    }
    double e = median(engine), p = median(plain);
    std::printf("load and show, window + 13 controls (median of %d)\n", kRounds);
    std::printf("  form engine from the archive   %8.3f ms\n", e);
    std::printf("  plain Win32, created directly  %8.3f ms\n", p);
    std::printf("  ratio engine / plain           %8.2f\n", e / p);
}

template <typename Op> void throughput(const char* name, int count, Op op) {
    double t0 = now_ms();
    for (int i = 0; i < count; ++i)
        op(i);
    double ms = now_ms() - t0;
    std::printf("  %-40s %10.0f per second\n", name, count * 1000.0 / ms);
}

void property_throughput() {
    load(kWindow);
    pump();
    const InterfaceTable& rt = app_interface();
    std::printf("property access through the interface table\n");
    throughput("read left of a live control", 200000,
               [&](int) { rt.read_property(kWindow, kFirstControl, 0, -1); });
    throughput("write width of a live control", 20000,
               [&](int i) { rt.write_property(kWindow, kFirstControl, 2, -1, 100 + (i & 1), 0); });
    throughput("read a kind property (integer)", 200000,
               [&](int) { rt.read_property(kWindow, kProbe, 8, -1); });
    throughput("write a kind property (integer)", 200000,
               [&](int i) { rt.write_property(kWindow, kProbe, 8, -1, uint32_t(i), 0); });
    throughput("write the tag (record resized)", 50000, [&](int i) {
        rt.write_property(kWindow, kProbe, 4, -1,
                          uint32_t(uintptr_t(i & 1 ? "短" : "长一些的标签")), 0);
    });
    throughput("read left of the last unit, window closed", 200000, [&](int i) {
        if (i == 0)
            close_all_windows();
        rt.read_property(kWindow, kProbe, 0, -1);
    });
}

} // namespace

int main(int argc, char** argv) {
    start_runtime(argc > 1 ? argv[1] : VANTOR_BENCH_FORMS_ARCHIVE);
    set_logging(false);
    compare_load();
    property_throughput();
    close_all_windows();
    return 0;
}
