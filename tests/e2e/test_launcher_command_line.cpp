// Vantor started by a script: the options fill the boxes, /start runs the
// launch sequence, /exit ends the program after it, and a bad option shows one
// message box and starts nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/support/launcher.h"

using namespace vantor::testing;

namespace {

constexpr DWORD kQuietMs = 1500; // long enough for a start that should not come

struct Box {
    int id;
    const char* name;
};
constexpr Box kBoxes[] = {{kCountBox, "count"},
                          {kWidthBox, "width"},
                          {kHeightBox, "height"},
                          {kDpiBox, "DPI"},
                          {kPathBox, "path"}};

std::string options(const LaunchSettings& s) {
    return "/count:" + s.count + " /width:" + s.width + " /height:" + s.height + " /dpi:" + s.dpi +
           " /path:\"" + s.path + "\"";
}

// Share of strongly red pixels in a screen area.
double red_share(const RECT& r) {
    const int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<RGBQUAD> pixels(size_t(width) * size_t(height));
    GetDIBits(memory, bitmap, 0, UINT(height), pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    size_t red = 0;
    for (const RGBQUAD& p : pixels)
        red += p.rgbRed > 160 && p.rgbGreen < 110 && p.rgbBlue < 110 ? 1 : 0;
    return pixels.empty() ? 0 : double(red) / double(pixels.size());
}

// The highest red share seen in `r` within `ms`: the box paints its icon
// some time after it answers messages, and may still be under a window of
// the previous case for a moment.
double red_share_within(const RECT& r, DWORD ms) {
    constexpr DWORD kRepaintPollMs = 50;
    const DWORD start = GetTickCount();
    double best = red_share(r);
    while (best <= 0.25 && GetTickCount() - start < ms) {
        Sleep(kRepaintPollMs);
        best = std::max(best, red_share(r));
    }
    return best;
}

// Vantor started with `arguments`, and its window (found by its class: a
// message box of the program is titled "Vantor" too).
class ScriptedVantor : public ::testing::Test {
  protected:
    void start(const std::string& arguments) {
        ASSERT_TRUE(program_.start("\"" + vantor_exe() + "\" " + arguments)) << arguments;
        window_ = wait_top_window(program_.pid(), "QZWindow", "Vantor", kOpenMs);
        ASSERT_NE(nullptr, window_) << "no window titled Vantor";
    }
    void expect_boxes(const LaunchSettings& s) {
        const std::string expected[] = {s.count, s.width, s.height, s.dpi, s.path};
        for (size_t i = 0; i < std::size(kBoxes); ++i) {
            EXPECT_EQ(expected[i], window_text(control_by_id(window_, kBoxes[i].id)))
                << kBoxes[i].name << " box";
        }
    }

    StandinLog log_;
    Program program_;
    HWND window_ = nullptr;
};

TEST_F(ScriptedVantor, ArgumentsAloneFillTheBoxesAndStartNothing) {
    const LaunchSettings s{"2", "720", "1280", "320", "D:\\Nox Player\\bin\\Nox.exe"};
    start(options(s));
    ASSERT_TRUE(settle(window_));
    expect_boxes(s);
    Sleep(kQuietMs);
    EXPECT_EQ(nullptr, wait_dialog(program_.pid(), 0))
        << describe_dialog(wait_dialog(program_.pid(), 0));
    EXPECT_EQ(0u, entries_of(log_.entries(), "start").size());
    EXPECT_TRUE(program_.running());
}

TEST_F(ScriptedVantor, StartRunsTheSequenceAndTheWindowStays) {
    const LaunchSettings s = example_settings("1");
    start(options(s) + " /start");
    const auto starts = starts_after(log_, 2, kSequenceMs, kQuietMs);
    const std::vector<std::string> expected = {first_pass_line(s.path, 1, s),
                                               second_pass_line(s.path, 1)};
    EXPECT_EQ(expected, command_lines(starts)) << "expected:\n"
                                               << listing(expected) << "logged:\n"
                                               << listing(command_lines(starts));
    EXPECT_TRUE(program_.running());
    expect_boxes(s);
    EXPECT_EQ(nullptr, wait_dialog(program_.pid(), 0))
        << describe_dialog(wait_dialog(program_.pid(), 0));
}

TEST_F(ScriptedVantor, ExitEndsWithCodeZeroAfterTheSecondPass) {
    const LaunchSettings s = example_settings("2");
    start(options(s) + " /START /exit");
    EXPECT_EQ(0u, program_.wait_exit(kSequenceMs)) << "exit code (259: still running)";
    const double ended_ms = now_ms();
    const auto starts = entries_of(log_.entries(), "start");
    const std::vector<std::string> expected = {
        first_pass_line(s.path, 1, s), first_pass_line(s.path, 2, s), second_pass_line(s.path, 1),
        second_pass_line(s.path, 2)};
    EXPECT_EQ(expected, command_lines(starts)) << "expected:\n"
                                               << listing(expected) << "logged:\n"
                                               << listing(command_lines(starts));
    // The second pass waits 800 ms after its last start before it returns.
    ASSERT_FALSE(starts.empty());
    EXPECT_GE(ended_ms - starts.back().ms, 700.0);
}

struct BadCase {
    const char* name;
    const char* arguments;
    const char* named; // the option the message names
};

class BadOption : public ScriptedVantor, public ::testing::WithParamInterface<BadCase> {};

TEST_P(BadOption, ShowsOneErrorBoxOwnedByTheWindowAndStartsNothing) {
    start(std::string("/count:1 /path:\"") + standin_exe() + "\" " + GetParam().arguments);
    HWND box = wait_dialog(program_.pid(), kOpenMs);
    ASSERT_NE(nullptr, box) << "no message box";
    EXPECT_EQ("Vantor", window_text(box));
    EXPECT_EQ(window_, GetWindow(box, GW_OWNER));
    const std::string text = message_box_text(box);
    EXPECT_NE(std::string::npos, text.find(GetParam().named)) << text;
    for (const char* accepted : {"/count:N", "/path:", "/start", "/exit"})
        EXPECT_NE(std::string::npos, text.find(accepted)) << text;
    // The error icon: a red one (information and question icons are blue,
    // the warning icon yellow).
    HWND icon = nullptr;
    for (HWND child : children_of(box)) {
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            icon = child;
    }
    ASSERT_NE(nullptr, icon) << "no icon in the box";
    ASSERT_TRUE(settle(box));
    EXPECT_GT(red_share_within(screen_rect(icon), 3000), 0.25) << "share of red pixels in the icon";

    press_dialog_button(box, IDOK);
    ASSERT_TRUE(wait_window_gone(box, 5000));
    Sleep(kQuietMs);
    EXPECT_EQ(nullptr, wait_dialog(program_.pid(), 0)) << "a second box";
    EXPECT_EQ(0u, entries_of(log_.entries(), "start").size());
    EXPECT_EQ("", window_text(control_by_id(window_, kCountBox))) << "a value was written";
    EXPECT_TRUE(program_.running()) << "/exit must not apply either";
}

INSTANTIATE_TEST_SUITE_P(CommandLine, BadOption,
                         ::testing::Values(BadCase{"Unknown", "/bogus /start /exit", "/bogus"},
                                           BadCase{"WithoutValue", "/start /width", "/width"}),
                         case_name<BadCase>);

} // namespace
