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

constexpr int kRuns = 200;

// The stored blocks the figures create their units from.
struct Blocks {
    forms::WindowProps window_props;
    std::vector<uint8_t> window, button, label;
};

Blocks make_blocks() {
    Blocks b;
    b.window_props.Caption = "Bench";
    b.window_props.Position = 0;
    b.window = forms::write_block(b.window_props);
    forms::ButtonProps bp;
    bp.Caption = "导入EXE";
    b.button = forms::write_block(bp);
    forms::TransLabelProps lp;
    lp.Caption = "Nox.exe路径";
    b.label = forms::write_block(lp);
    return b;
}

// Creating units: each kind alone, and the launcher's window with 13 controls.
void bench_creation(const Blocks& b, HWND parent) {
    report("window: create and destroy (hidden)", kRuns, median_us(kRuns, [&] {
               UnitObject* w =
                   create(forms::kind::Window, params(b.window, nullptr, 0, 0, 217, 210));
               DestroyWindow(w->handle());
           }));
    report("button: create and destroy", kRuns, median_us(kRuns, [&] {
               UnitObject* u =
                   create(forms::kind::Button, params(b.button, parent, 10, 10, 80, 32));
               DestroyWindow(u->handle());
           }));
    report("label: create and destroy", kRuns, median_us(kRuns, [&] {
               UnitObject* l =
                   create(forms::kind::TransLabel, params(b.label, parent, 10, 60, 80, 24));
               DestroyWindow(l->handle());
           }));
    // The launcher's window: the window and 13 controls, shown and painted.
    report("window with 13 controls: create, show, paint, destroy", 50, median_us(50, [&] {
               UnitObject* w =
                   create(forms::kind::Window, params(b.window, nullptr, 0, 0, 217, 210));
               for (int i = 0; i < 13; ++i) {
                   bool is_label = i % 2 == 1;
                   UnitObject* c = create(is_label ? forms::kind::TransLabel : forms::kind::Button,
                                          params(is_label ? b.label : b.button, w->handle(),
                                                 10 + (i % 3) * 60, 10 + (i / 3) * 36, 56, 30));
                   ShowWindow(c->handle(), SW_SHOWNA);
               }
               ShowWindow(w->handle(), SW_SHOW);
               UpdateWindow(w->handle());
               pump();
               DestroyWindow(w->handle());
           }));
}

void write_text(UnitObject* u, int32_t index, const char* text) {
    auto routine =
        reinterpret_cast<forms::WriteRoutine>(u->type()->routine(forms::routine::PropertyWritten));
    forms::PropValue v{uint32_t(reinterpret_cast<uintptr_t>(text)), 0};
    routine(u, index - forms::kFirstOwnProperty, &v, nullptr);
}

uint32_t read_word(UnitObject* u, int32_t index) {
    auto routine =
        reinterpret_cast<forms::ReadRoutine>(u->type()->routine(forms::routine::PropertyRead));
    uint32_t result[2];
    routine(u, index - forms::kFirstOwnProperty, result);
    return result[0];
}

// Property round trips through the kinds' routines.
void bench_properties(const Blocks& b, HWND parent) {
    auto* button = create(forms::kind::Button, params(b.button, parent, 10, 10, 80, 32));
    auto* label = create(forms::kind::TransLabel, params(b.label, parent, 10, 60, 120, 24));
    ShowWindow(button->handle(), SW_SHOWNA);
    ShowWindow(label->handle(), SW_SHOWNA);
    pump();
    int flip = 0;
    report("button: Caption write and read", kRuns * 5, median_us(kRuns * 5, [&] {
               write_text(button, props::button::Caption, ++flip % 2 ? "开始" : "导入EXE");
               read_word(button, props::button::Caption);
           }));
    report("label: Caption write (redraw through) and read", kRuns, median_us(kRuns, [&] {
               write_text(label, props::trans_label::Caption, ++flip % 2 ? "DPI" : "Nox.exe路径");
               read_word(label, props::trans_label::Caption);
           }));
}

// Background painting with a tiled picture, and the decoders.
void bench_pictures(const Blocks& b) {
    std::vector<uint8_t> icon = read_icon();
    forms::WindowProps pictured = b.window_props;
    pictured.BackPicture = icon;
    pictured.PictureMode = forms::choice::PictureMode::Tiled;
    std::vector<uint8_t> pictured_block = forms::write_block(pictured);
    UnitObject* tiled =
        create(forms::kind::Window, params(pictured_block, nullptr, 0, 0, 600, 400));
    ShowWindow(tiled->handle(), SW_SHOW);
    pump();
    report("window: repaint 600x400 with a tiled picture", kRuns, median_us(kRuns, [&] {
               RedrawWindow(tiled->handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
           }));
    DestroyWindow(tiled->handle());
    report("decode_icon_pair: project icon (13 images)", kRuns, median_us(kRuns, [&] {
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
}

} // namespace

int main() {
    OleInitialize(nullptr);
    controls::register_control_kinds();
    const Blocks blocks = make_blocks();
    UnitObject* host =
        create(forms::kind::Window, params(blocks.window, nullptr, 100, 100, 400, 300));
    HWND parent = host->handle();
    ShowWindow(parent, SW_SHOW);
    pump();
    bench_creation(blocks, parent);
    bench_properties(blocks, parent);
    bench_pictures(blocks);
    DestroyWindow(parent);
    pump();
    OleUninitialize();
    return 0;
}
