// Time from process creation to its end for a runtime program that ends at its
// entry routine, and for one that also runs runtime start-up and the end
// sequence, beside a plain Win32 program that does nothing. Prints medians and
// ratios.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_clock.h"

namespace {

std::string directory() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s = path;
    return s.substr(0, s.find_last_of('\\') + 1);
}

double run_once(const std::string& command_line) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string line = command_line;
    double start = now_ms();
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        return -1;
    WaitForSingleObject(pi.hProcess, INFINITE);
    double elapsed = now_ms() - start;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return elapsed;
}

} // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::atoi(argv[1]) : 25;
    std::string dir = directory();
    std::string plain = "\"" + dir + "plain_probe.exe\"";
    std::string gui = "\"" + dir + "plain_gui_probe.exe\"";
    std::string entry = "\"" + dir + "startup_probe.exe\" entry";
    std::string full = "\"" + dir + "startup_probe.exe\" startup";
    run_once(plain); // warm the prefix and the file cache
    run_once(full);
    std::vector<double> p, g, e, f;
    for (int i = 0; i < rounds; ++i) { // interleaved, so drift hits all three alike
        p.push_back(run_once(plain));
        g.push_back(run_once(gui));
        e.push_back(run_once(entry));
        f.push_back(run_once(full));
    }
    double mp = median(p), mg = median(g), me = median(e), mf = median(f);
    std::printf("process start to exit, median of %d runs (ratios: to plain / to plain with "
                "user32, gdi32, ole32):\n",
                rounds);
    std::printf("  plain Win32 program                     %8.2f ms\n", mp);
    std::printf("  plain, importing user32, gdi32, ole32   %8.2f ms\n", mg);
    std::printf("  runtime, ends at its entry routine      %8.2f ms  %.2f / %.2f\n", me, me / mp,
                me / mg);
    std::printf("  runtime start-up and end sequence       %8.2f ms  %.2f / %.2f\n", mf, mf / mp,
                mf / mg);
    return 0;
}
