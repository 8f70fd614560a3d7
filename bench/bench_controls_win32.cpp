// Figures of the window, button and transparent label kinds under the real
// windowing system: creation from stored blocks, property round trips, painting
// and picture decoding. Prints one line per figure (median of the runs).
//
//   tools/wine-run.sh <build>/bench/bench_controls_win32.exe
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "bench/bench_clock.h"
#include "controls/button.h"
#include "controls/common.h"
#include "controls/kinds.h"
#include "controls/trans_label.h"
#include "controls/window_kind.h"
#include "forms/blocks.h"
#include "tests/support/automation.h"
#include "tests/support/win32.h"

using namespace vantor;

using vantor::testing::pump;

namespace {

double now_us() {
    return now_ms() * 1000.0;
}

// Median time of `runs` calls of `body`, in microseconds.
double median_us(int runs, const std::function<void()>& body) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        double start = now_us();
        body();
        times.push_back(now_us() - start);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void report(const char* name, int runs, double us) {
    std::printf("%-52s %10.1f us  (median of %d)\n", name, us, runs);
}

forms::CreateParams params(const std::vector<uint8_t>& block, HWND parent, int x, int y, int w,
                           int h) {
    return testing::create_params(block, parent, x, y, w, h);
}

UnitObject* create(uint32_t kind, const forms::CreateParams& p) {
    auto routine = reinterpret_cast<forms::CreateRoutine>(
        controls::type_of_kind(kind)->routine(forms::routine::Create));
    return routine(p);
}

std::vector<uint8_t> read_icon() {
    const std::string data = testing::read_file(VANTOR_SOURCE_DIR "/app/forms/vantor.ico");
    return std::vector<uint8_t>(data.begin(), data.end());
}

} // namespace

int main() {
    OleInitialize(nullptr);
    controls::register_control_kinds();
    const int runs = 200;

    forms::WindowProps wp;
    wp.Caption = "Bench";
    wp.Position = 0;
    std::vector<uint8_t> window_block = forms::write_block(wp);
    forms::ButtonProps bp;
    bp.Caption = "导入EXE";
    std::vector<uint8_t> button_block = forms::write_block(bp);
    forms::TransLabelProps lp;
    lp.Caption = "Nox.exe路径";
    std::vector<uint8_t> label_block = forms::write_block(lp);

    report("window: create and destroy (hidden)", runs, median_us(runs, [&] {
               UnitObject* w =
                   create(forms::kind::Window, params(window_block, nullptr, 0, 0, 217, 210));
               DestroyWindow(w->handle());
           }));

    UnitObject* host =
        create(forms::kind::Window, params(window_block, nullptr, 100, 100, 400, 300));
    HWND parent = host->handle();
    ShowWindow(parent, SW_SHOW);
    pump();
    report("button: create and destroy", runs, median_us(runs, [&] {
               UnitObject* b =
                   create(forms::kind::Button, params(button_block, parent, 10, 10, 80, 32));
               DestroyWindow(b->handle());
           }));
    report("label: create and destroy", runs, median_us(runs, [&] {
               UnitObject* l =
                   create(forms::kind::TransLabel, params(label_block, parent, 10, 60, 80, 24));
               DestroyWindow(l->handle());
           }));

    // The launcher's window: the window and 13 controls, shown and painted.
    report("window with 13 controls: create, show, paint, destroy", 50, median_us(50, [&] {
               UnitObject* w =
                   create(forms::kind::Window, params(window_block, nullptr, 0, 0, 217, 210));
               for (int i = 0; i < 13; ++i) {
                   bool is_label = i % 2 == 1;
                   UnitObject* c = create(is_label ? forms::kind::TransLabel : forms::kind::Button,
                                          params(is_label ? label_block : button_block, w->handle(),
                                                 10 + (i % 3) * 60, 10 + (i / 3) * 36, 56, 30));
                   ShowWindow(c->handle(), SW_SHOWNA);
               }
               ShowWindow(w->handle(), SW_SHOW);
               UpdateWindow(w->handle());
               pump();
               DestroyWindow(w->handle());
           }));

    // Property round trips through the kinds' routines.
    auto* button = create(forms::kind::Button, params(button_block, parent, 10, 10, 80, 32));
    auto* label = create(forms::kind::TransLabel, params(label_block, parent, 10, 60, 120, 24));
    ShowWindow(button->handle(), SW_SHOWNA);
    ShowWindow(label->handle(), SW_SHOWNA);
    pump();
    auto write = [](UnitObject* u, int32_t index, const char* text) {
        auto routine = reinterpret_cast<forms::WriteRoutine>(
            u->type()->routine(forms::routine::PropertyWritten));
        forms::PropValue v{uint32_t(reinterpret_cast<uintptr_t>(text)), 0};
        routine(u, index - 8, &v, nullptr);
    };
    auto read = [](UnitObject* u, int32_t index) {
        auto routine =
            reinterpret_cast<forms::ReadRoutine>(u->type()->routine(forms::routine::PropertyRead));
        uint32_t result[2];
        routine(u, index - 8, result);
        return result[0];
    };
    int flip = 0;
    report("button: Caption write and read", runs * 5, median_us(runs * 5, [&] {
               write(button, 10, ++flip % 2 ? "开始" : "导入EXE");
               read(button, 10);
           }));
    report("label: Caption write (redraw through) and read", runs, median_us(runs, [&] {
               write(label, 8, ++flip % 2 ? "DPI" : "Nox.exe路径");
               read(label, 8);
           }));

    // Background painting with a tiled picture, and the decoders.
    std::vector<uint8_t> icon = read_icon();
    forms::WindowProps pictured = wp;
    pictured.BackPicture = icon;
    pictured.PictureMode = 1;
    std::vector<uint8_t> pictured_block = forms::write_block(pictured);
    UnitObject* tiled =
        create(forms::kind::Window, params(pictured_block, nullptr, 0, 0, 600, 400));
    ShowWindow(tiled->handle(), SW_SHOW);
    pump();
    report("window: repaint 600x400 with a tiled picture", runs, median_us(runs, [&] {
               RedrawWindow(tiled->handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
           }));
    DestroyWindow(tiled->handle());
    report("decode_icon_pair: project icon (13 images)", runs, median_us(runs, [&] {
               HICON large, small;
               if (controls::decode_icon_pair(icon.data(), uint32_t(icon.size()), large, small)) {
                   DestroyIcon(large);
                   DestroyIcon(small);
               }
           }));
    report("decode_pixels: project icon, largest image (256 PNG)", 50, median_us(50, [&] {
               controls::Pixels px;
               controls::decode_pixels(icon.data(), uint32_t(icon.size()), px);
           }));

    DestroyWindow(parent);
    pump();
    OleUninitialize();
    return 0;
}
