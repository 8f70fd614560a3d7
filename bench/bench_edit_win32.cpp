// Figures for the edit box and common dialog kinds under the real system (Wine or
// Windows): creating each from its stored block (and destroying it again), and a
// Content write followed by a read. Prints medians.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench/bench_clock.h"
#include "controls/common_dlg.h"
#include "controls/edit_box.h"
#include "forms/blocks.h"
#include "tests/support/win32.h"

using namespace vantor;
using namespace vantor::controls;

namespace {

void print(const char* what, std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    const size_t n = samples.size();
    std::printf("%-46s median %8.4f ms  (min %8.4f, max %8.4f, n=%u)\n", what, samples[n / 2],
                samples.front(), samples.back(), unsigned(n));
}

forms::CreateParams params_for(const std::vector<uint8_t>& block, HWND parent) {
    return testing::create_params(block, parent, 10, 10, 150, 24);
}

template <class Create>
void bench_create(const char* what, HWND host, const std::vector<uint8_t>& block, Create create) {
    std::vector<double> samples;
    for (int i = 0; i < 200; ++i) {
        double start = now_ms();
        UnitObject* unit = create(params_for(block, host));
        samples.push_back(now_ms() - start);
        if (unit)
            DestroyWindow(unit->handle());
    }
    print(what, samples);
}

} // namespace

int main() {
    testing::Host host_window;
    HWND host = host_window.hwnd();

    forms::EditBoxProps spin;
    spin.SpinMode = 1;
    bench_create("EditBox created from the default block", host,
                 forms::write_block(forms::EditBoxProps{}), EditBox::create);
    bench_create("EditBox with spin control created", host, forms::write_block(spin),
                 EditBox::create);
    bench_create("CommonDlg created from the default block", host,
                 forms::write_block(forms::CommonDlgProps{}), CommonDlg::create);

    EditBox* box = EditBox::create(params_for(forms::write_block(forms::EditBoxProps{}), host));
    const char* path = "C:\\Program Files\\Nox\\bin\\Nox.exe";
    std::vector<double> samples;
    for (int i = 0; i < 1000; ++i) {
        double start = now_ms();
        box->write(props::edit_box::Content,
                   forms::PropValue{uint32_t(reinterpret_cast<uintptr_t>(path)), 0});
        uint32_t result[2];
        box->read(props::edit_box::Content, result);
        samples.push_back(now_ms() - start);
    }
    print("Content write and read round trip", samples);
    return 0;
}
