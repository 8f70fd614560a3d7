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

using namespace vantor;
using namespace vantor::controls;

namespace {

void print(const char* what, std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    const size_t n = samples.size();
    std::printf("%-46s median %8.4f ms  (min %8.4f, max %8.4f, n=%u)\n", what, samples[n / 2],
                samples.front(), samples.back(), unsigned(n));
}

LRESULT CALLBACK host_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT result = 0;
    if (reflect_notification(msg, wp, lp, result))
        return result;
    return DefWindowProcA(hwnd, msg, wp, lp);
}

HWND make_host() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = host_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VantorBenchHost";
    RegisterClassA(&wc);
    return CreateWindowExA(0, wc.lpszClassName, "bench", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300,
                           nullptr, nullptr, wc.hInstance, nullptr);
}

forms::CreateParams params_for(const std::vector<uint8_t>& block, HWND parent) {
    forms::CreateParams p{};
    p.block = block.data();
    p.block_size = uint32_t(block.size());
    p.parent = parent;
    p.control_id = 100;
    p.left = p.top = 10;
    p.width = 150;
    p.height = 24;
    p.window_id = 0x52010003;
    p.unit_id = 0x16010004;
    return p;
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
    HWND host = make_host();

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
    DestroyWindow(host);
    return 0;
}
