// The form engine at the display's DPI: units placed at their stored geometry
// scaled by DPI / 96, the fixed properties read and written in stored units,
// and the layout again after the window's DPI changed (WM_DPICHANGED). Run at
// 96 and, by ctest, in prefixes at 120, 144 and 192 DPI.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "forms/dpi.h"
#include "forms/win32/dpi_win32.h"
#include "forms/win32/properties.h"
#include "tests/support/driver.h"
#include "tests/support/forms_harness.h"

using namespace vantor;
using namespace vantor::testing;
using namespace vantor::props::fixed;
namespace dpi = vantor::forms::dpi;

namespace {

using FormsDpi = FormsTest;

// Units of window Main (tests/support/forms_test.form) with their stored
// place, in their parent's client area (Q sits in panel P).
struct Stored {
    const char* name;
    uint32_t unit;
    dpi::Box box;
};
constexpr Stored kMainUnits[] = {
    {"A", ids::MainA, {10, 10, 80, 24}},  {"B", ids::MainB, {10, 40, 80, 20}},
    {"D", ids::MainD, {30, 70, 40, 16}},  {"P", ids::MainP, {100, 60, 150, 100}},
    {"Q", ids::MainQ, {5, 5, 60, 20}},    {"X", ids::MainX, {270, 10, 60, 20}},
    {"T", ids::MainT, {270, 40, 60, 20}},
};
constexpr dpi::Box kMainWindow{120, 110, 420, 300};
constexpr int kRounding = 2; // pixels a scaled place may be off

std::string text_of(const dpi::Box& b) {
    return std::to_string(b.left) + "," + std::to_string(b.top) + " " + std::to_string(b.width) +
           "x" + std::to_string(b.height);
}

// Fails naming the unit when `h`'s place in its parent is not `stored` at `at_dpi`.
::testing::AssertionResult placed_at(HWND h, const dpi::Box& stored, int32_t at_dpi) {
    const RECT r = rect_in_parent(h);
    const dpi::Box is{r.left, r.top, r.right - r.left, r.bottom - r.top};
    const dpi::Box want = dpi::to_pixels(stored, at_dpi);
    if (std::abs(is.left - want.left) <= kRounding && std::abs(is.top - want.top) <= kRounding &&
        std::abs(is.width - want.width) <= kRounding &&
        std::abs(is.height - want.height) <= kRounding)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "is " << text_of(is) << ", expected " << text_of(want) << " (stored "
           << text_of(stored) << " at " << at_dpi << " DPI)";
}

dpi::Box read_box(uint32_t unit) {
    return {int32_t(read(ids::Main, unit, Left)), int32_t(read(ids::Main, unit, Top)),
            int32_t(read(ids::Main, unit, Width)), int32_t(read(ids::Main, unit, Height))};
}

// The systems whose frames the window is sized for: the running one, and
// Windows 10 and 11's at 100% (23-pixel caption, 3-pixel frame, 8-pixel sizing
// border) modelled on it (dpi::model_system_metrics).
constexpr dpi::FrameMetrics kWindows10{23, 23, 20, 3, 8, 2, 1};
struct System {
    const char* name;
    const dpi::FrameMetrics* metrics; // null: the running system's
};
constexpr System kSystems[] = {{"this system", nullptr}, {"Windows 10", &kWindows10}};

// Models `system` while it lives.
struct Modelled {
    explicit Modelled(const System& system) { dpi::model_system_metrics(system.metrics); }
    ~Modelled() { dpi::model_system_metrics(nullptr); }
};

// The client area a stored outer size gives at `at_dpi`: the stored outer
// size less the reference frame, scaled.
SIZE client_of_stored(HWND window, const dpi::Box& stored, int32_t at_dpi) {
    const auto style = DWORD(GetWindowLongA(window, GWL_STYLE));
    const auto ex = DWORD(GetWindowLongA(window, GWL_EXSTYLE));
    const dpi::Frame f = dpi::reference_frame(style, ex, false);
    return {dpi::to_pixels(stored.width - f.width, at_dpi),
            dpi::to_pixels(stored.height - f.height, at_dpi)};
}

// Fails when the window's size at `at_dpi` is not that client area inside the
// frame of the system modelled, and, with `drawn`, when the client area the
// system draws is not that one (its frame is its own at its own DPI).
::testing::AssertionResult sized_for(HWND window, const dpi::Box& stored, int32_t at_dpi,
                                     bool drawn) {
    const SIZE client = client_of_stored(window, stored, at_dpi);
    const dpi::Frame f = dpi::frame_at(DWORD(GetWindowLongA(window, GWL_STYLE)),
                                       DWORD(GetWindowLongA(window, GWL_EXSTYLE)), false, at_dpi);
    const RECT outer = screen_rect(window);
    RECT inner;
    GetClientRect(window, &inner);
    if (std::abs(client.cx + f.width - (outer.right - outer.left)) <= kRounding &&
        std::abs(client.cy + f.height - (outer.bottom - outer.top)) <= kRounding &&
        (!drawn || (std::abs(client.cx - inner.right) <= kRounding &&
                    std::abs(client.cy - inner.bottom) <= kRounding)))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "outer " << outer.right - outer.left << "x" << outer.bottom - outer.top << ", client "
           << inner.right << "x" << inner.bottom << "; expected client " << client.cx << "x"
           << client.cy << " in a frame of " << f.width << "x" << f.height << " at " << at_dpi
           << " DPI";
}

// Checks every unit of Main and the window itself at `at_dpi`.
void expect_main_laid_out_at(int32_t at_dpi, bool modelled = false) {
    for (const Stored& u : kMainUnits) {
        SCOPED_TRACE(u.name);
        HWND h = handle_of(ids::Main, u.unit);
        ASSERT_NE(nullptr, h);
        EXPECT_TRUE(placed_at(h, u.box, at_dpi));
        EXPECT_EQ(u.box, read_box(u.unit)) << "the fixed properties read stored units";
    }
    HWND window = handle_of(ids::Main, 0);
    EXPECT_TRUE(sized_for(window, kMainWindow, at_dpi, !modelled));
    RECT client;
    GetClientRect(window, &client);
    const dpi::Box window_box = read_box(ids::MainW);
    EXPECT_EQ(kMainWindow.width, window_box.width);
    EXPECT_EQ(kMainWindow.height, window_box.height);
    // Every control lies inside the client area.
    for (const Stored& u : kMainUnits) {
        RECT r = screen_rect(handle_of(ids::Main, u.unit));
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right &&
                    r.bottom <= client.bottom)
            << u.name << " reaches past the client area";
    }
}

// ctest names the display's DPI in VANTOR_DPI when it runs the program in a
// prefix of that DPI; the system must then report it.
TEST(DisplayDpi, IsTheOneThePrefixWasMadeFor) {
    const char* wanted = std::getenv("VANTOR_DPI");
    const int32_t expected = wanted && *wanted ? std::atoi(wanted) : dpi::kStoredDpi;
    EXPECT_EQ(expected, dpi::system_dpi());
}

TEST_F(FormsDpi, LoadPlacesEveryUnitAtItsStoredGeometryScaled) {
    for (const System& s : kSystems) {
        SCOPED_TRACE(s.name);
        Modelled modelled(s);
        ASSERT_TRUE(load(ids::Main));
        const int32_t system = dpi::system_dpi();
        EXPECT_EQ(system, dpi::window_dpi(handle_of(ids::Main, 0)));
        expect_main_laid_out_at(system, s.metrics != nullptr);
        close_all_windows();
    }
}

// The frame the engine reckons with for each border style the window kind
// gives (frame_of over the system's own metrics) is the one the system draws:
// the reference frame is that of a system with the reference metrics.
TEST(WindowFrames, TheModelGivesTheSystemsFrameForEveryBorderStyle) {
    constexpr DWORD kFixed = WS_CAPTION | WS_SYSMENU | WS_DLGFRAME, kSizing = WS_THICKFRAME;
    const struct {
        DWORD style, ex;
        bool menu;
    } rows[] = {{kFixed, 0, false},
                {kFixed, 0, true},
                {kFixed | kSizing, 0, false},
                {kFixed, WS_EX_TOOLWINDOW, false},
                {kFixed | kSizing, WS_EX_TOOLWINDOW, false},
                {kFixed, WS_EX_CLIENTEDGE, false},
                {WS_POPUP | WS_DLGFRAME, 0, false},
                {WS_POPUP | WS_DLGFRAME | kSizing, 0, false},
                {WS_POPUP, 0, false}};
    const int32_t at = dpi::system_dpi();
    const dpi::FrameMetrics system{dpi::metric_at(SM_CYCAPTION, at),
                                   dpi::metric_at(SM_CYSMCAPTION, at),
                                   dpi::metric_at(SM_CYMENU, at),
                                   dpi::metric_at(SM_CXFIXEDFRAME, at),
                                   dpi::metric_at(SM_CXSIZEFRAME, at) +
                                       dpi::metric_at(SM_CXPADDEDBORDER, at),
                                   dpi::metric_at(SM_CXEDGE, at),
                                   dpi::metric_at(SM_CXBORDER, at)};
    for (const auto& r : rows) {
        const dpi::Frame is = dpi::frame_at(r.style, r.ex, r.menu, at);
        const dpi::Frame model = dpi::frame_of(system, dpi::frame_parts(r.style, r.ex, r.menu));
        EXPECT_EQ(is, model) << std::hex << r.style << " " << r.ex << (r.menu ? " menu" : "")
                             << std::dec << ": the system's " << is.width << "x" << is.height
                             << ", the model's " << model.width << "x" << model.height;
    }
}

// Application code writes stored units and reads back what it wrote; the
// live window shows them scaled.
TEST_F(FormsDpi, FixedPropertyWritesTakeStoredUnits) {
    ASSERT_TRUE(load(ids::Main));
    const int32_t at = dpi::system_dpi();
    struct Row {
        int32_t index, value;
    };
    for (const Row& r : {Row{Left, 33}, Row{Top, 7}, Row{Width, 101}, Row{Height, 37},
                         Row{Left, -12}, Row{Width, 0}}) {
        SCOPED_TRACE(::testing::Message() << "property " << r.index << " = " << r.value);
        write(ids::Main, ids::MainB, r.index, uint32_t(r.value));
        EXPECT_EQ(r.value, int32_t(read(ids::Main, ids::MainB, r.index)));
        const RECT live = rect_in_parent(handle_of(ids::Main, ids::MainB));
        const int32_t shown = r.index == Left    ? live.left
                              : r.index == Top   ? live.top
                              : r.index == Width ? live.right - live.left
                                                 : live.bottom - live.top;
        EXPECT_EQ(dpi::to_pixels(r.value, at), shown);
    }
    // The window's outer size: its client area follows the written size.
    write(ids::Main, ids::MainW, Width, 500);
    write(ids::Main, ids::MainW, Height, 260);
    EXPECT_EQ(500u, read(ids::Main, ids::MainW, Width));
    EXPECT_EQ(260u, read(ids::Main, ids::MainW, Height));
    EXPECT_TRUE(sized_for(handle_of(ids::Main, 0), {0, 0, 500, 260}, at, true));
}

// The system's message when the window moves to a monitor of another DPI,
// with the rectangle a system scaling the whole window suggests (the frame too):
// the window takes its place and the size of its stored client area at `to`.
// (The window stays on this monitor, whose frame the system goes on drawing.)
void change_dpi(HWND window, int32_t to, bool modelled = false) {
    const int32_t from = dpi::window_dpi(window);
    RECT r = screen_rect(window);
    RECT suggested{r.left + 7, r.top + 5, r.left + 7 + dpi::mul_div(r.right - r.left, to, from),
                   r.top + 5 + dpi::mul_div(r.bottom - r.top, to, from)};
    SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));
    pump();
    const RECT now = screen_rect(window);
    EXPECT_EQ(suggested.left, now.left) << "the window takes the suggested place";
    EXPECT_EQ(suggested.top, now.top) << "the window takes the suggested place";
    EXPECT_TRUE(sized_for(window, kMainWindow, to, !modelled && to == dpi::system_dpi()));
}

TEST_F(FormsDpi, DpiChangeLaysTheUnitsOutAgainAndPropertiesKeepStoredUnits) {
    for (const System& s : kSystems) {
        SCOPED_TRACE(s.name);
        Modelled modelled(s);
        ASSERT_TRUE(load(ids::Main));
        HWND window = handle_of(ids::Main, 0);
        const int32_t system = dpi::system_dpi();
        for (int32_t to : {192, 120, 144, 96, system}) {
            SCOPED_TRACE(::testing::Message() << "to " << to << " DPI");
            change_dpi(window, to, s.metrics != nullptr);
            EXPECT_EQ(to, dpi::window_dpi(window));
            EXPECT_EQ(to, dpi::window_dpi(handle_of(ids::Main, ids::MainQ))) << "a control's DPI";
            for (const Stored& u : kMainUnits) {
                EXPECT_TRUE(placed_at(handle_of(ids::Main, u.unit), u.box, to)) << u.name;
                EXPECT_EQ(u.box, read_box(u.unit)) << u.name;
            }
            EXPECT_EQ(kMainWindow.width, read_box(ids::MainW).width);
            EXPECT_EQ(kMainWindow.height, read_box(ids::MainW).height);
        }
        close_all_windows();
    }
}

TEST_F(FormsDpi, AClosedWindowReadsItsStoredGeometry) {
    ASSERT_TRUE(load(ids::Main));
    change_dpi(handle_of(ids::Main, 0), dpi::system_dpi() == 192 ? 120 : 192);
    close_all_windows();
    EXPECT_EQ(kMainUnits[0].box, read_box(ids::MainA));
    ASSERT_TRUE(load(ids::Main));
    EXPECT_EQ(dpi::system_dpi(), dpi::window_dpi(handle_of(ids::Main, 0)))
        << "a new window starts at the system's DPI";
    expect_main_laid_out_at(dpi::system_dpi());
}

} // namespace
