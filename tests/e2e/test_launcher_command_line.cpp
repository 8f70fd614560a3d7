// Vantor started by a script: the options fill the boxes, /start runs the
// launch sequence, /exit ends the program after it with an exit code that
// tells how it went and its messages on the standard error instead of boxes,
// and a bad option starts nothing (one message box without /exit).
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "runtime/win32/system_text.h"
#include "tests/support/launcher.h"

using namespace vantor::testing;

namespace {

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
    // A start pressed by the script would be handled before the round trip.
    ASSERT_TRUE(round_trip(control_by_id(window_, kCountBox)));
    EXPECT_EQ(nullptr, wait_dialog(program_.pid(), 0))
        << describe_dialog(wait_dialog(program_.pid(), 0));
    EXPECT_EQ(0u, log_.settled_starts().size());
    EXPECT_TRUE(program_.running());
}

TEST_F(ScriptedVantor, StartRunsTheSequenceAndTheWindowStays) {
    const LaunchSettings s = example_settings("1");
    start(options(s) + " /start");
    const auto starts = starts_after(log_, window_, 2, kSequenceMs);
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
    // A second box, or a start, would come before the round trip ends (through
    // the path box: the count box must stay empty).
    ASSERT_TRUE(round_trip(control_by_id(window_, kPathBox)));
    EXPECT_EQ(nullptr, wait_dialog(program_.pid(), 0)) << "a second box";
    EXPECT_EQ(0u, log_.settled_starts().size());
    EXPECT_EQ("", window_text(control_by_id(window_, kCountBox))) << "a value was written";
    EXPECT_TRUE(program_.running()) << "/exit must not apply either";
}

INSTANTIATE_TEST_SUITE_P(CommandLine, BadOption,
                         ::testing::Values(BadCase{"Unknown", "/bogus /start", "/bogus"},
                                           BadCase{"WithoutValue", "/start /width", "/width"}),
                         case_name<BadCase>);

// ---- /exit: exit codes and messages for a script ----------------------------------------

// A text of UTF-8 output (what the program writes to a file or pipe).
std::string text_of_utf8(const std::string& utf8) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring wide(size_t(n > 0 ? n : 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), n);
    return vantor::system_text::from_wide(wide);
}

// NotNox: the stand-in as Emu.exe ({emu}), whose window Vantor finds but,
// as no Nox.exe, never ends, so that it never closes.
enum class Extra { None, NotNox, CloseWhenStarted, InstanceOneRunning };

struct OutcomeCase {
    const char* name;
    std::string arguments; // after the program name; {nox} stands for the stand-in's path
    bool never_show;       // the stand-in shows no window
    Extra extra;
    DWORD code;
    const char* line; // what the one line on the standard error holds; "" for no line
    size_t starts;    // stand-in starts logged
};

class ScriptOutcome : public ::testing::TestWithParam<OutcomeCase> {};

TEST_P(ScriptOutcome, ExitCodeAndOneLineOnTheStandardErrorAndNoBox) {
    const OutcomeCase& c = GetParam();
    StandinLog log;
    std::optional<ScopedEnv> never;
    if (c.never_show)
        never.emplace("VANTOR_STANDIN_NEVER_SHOW", "1");
    TempDirectory emu_folder("vantor");
    const std::string emu = emu_folder.path() + "Emu.exe";
    if (c.extra == Extra::NotNox)
        ASSERT_TRUE(CopyFileW(vantor::system_text::to_wide(standin_exe()).c_str(),
                              vantor::system_text::to_wide(emu).c_str(), TRUE));
    Program running; // instance 1, left open by an earlier run
    if (c.extra == Extra::InstanceOneRunning) {
        ASSERT_TRUE(running.start("\"" + standin_exe() + "\" -clone:Nox_1"));
        ASSERT_NE(nullptr, wait_top_window(running.pid(), "Qt5QWindowIcon", nullptr, kOpenMs));
    }
    OutputFile output;
    ASSERT_NE(nullptr, output.handle());
    Program vantor;
    std::string arguments = c.arguments;
    const size_t nox = arguments.find("{nox}");
    if (nox != std::string::npos)
        arguments.replace(nox, 5, standin_exe());
    const size_t emu_at = arguments.find("{emu}");
    if (emu_at != std::string::npos)
        arguments.replace(emu_at, 5, emu);
    ASSERT_TRUE(vantor.start("\"" + vantor_exe() + "\" " + arguments, nullptr, output.handle()));
    if (c.extra == Extra::CloseWhenStarted) {
        ASSERT_EQ(1u, log.wait_for("start", 1, kSequenceMs).size());
        HWND window = wait_top_window(vantor.pid(), "QZWindow", nullptr, kOpenMs);
        ASSERT_NE(nullptr, window);
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
    // Until it ends, no box may show: a script has nobody to answer it.
    const DWORD begin = GetTickCount();
    DWORD code = STILL_ACTIVE;
    while ((code = vantor.wait_exit(50)) == STILL_ACTIVE && GetTickCount() - begin < kSequenceMs) {
        HWND box = wait_dialog(vantor.pid(), 0);
        ASSERT_EQ(nullptr, box) << describe_dialog(box);
    }
    EXPECT_EQ(c.code, code) << "exit code (259: still running)";
    const std::string written = text_of_utf8(output.text());
    if (*c.line) {
        EXPECT_NE(std::string::npos, written.find(c.line)) << written;
        ASSERT_GE(written.size(), 2u);
        EXPECT_EQ("\r\n", written.substr(written.size() - 2)) << written;
        EXPECT_EQ(written.size() - 2, written.find("\r\n")) << "more than one line: " << written;
    } else {
        EXPECT_EQ("", written);
    }
    EXPECT_EQ(c.starts, entries_of(log.entries(), "start").size())
        << listing(command_lines(entries_of(log.entries(), "start")));
    if (c.extra == Extra::InstanceOneRunning)
        EXPECT_TRUE(running.running()) << "the running instance was ended";
}

INSTANTIATE_TEST_SUITE_P(
    Exit, ScriptOutcome,
    ::testing::Values(
        OutcomeCase{"AllStarted", "/count:1 /path:{nox} /start /exit", false, Extra::None, 0, "",
                    2},
        OutcomeCase{"LaunchFailed", "/count:2 /path:C:\\nothere\\Nox.exe /start /exit", false,
                    Extra::None, 3, "无法启动模拟器： C:\\nothere\\Nox.exe -clone:Nox_1 ", 0},
        OutcomeCase{"NeverAppeared", "/count:1 /appearlimit:1 /path:{nox} /start /exit", true,
                    Extra::None, 4, "模拟器 1 的窗口在 1 秒内没有出现", 2},
        OutcomeCase{"NeverClosed", "/count:1 /closelimit:1 /path:{emu} /start /exit", false,
                    Extra::NotNox, 5, "模拟器 1 的窗口在结束后 1 秒内没有关闭", 2},
        OutcomeCase{"ClosedMidSequence", "/count:1 /path:{nox} /start /exit", true,
                    Extra::CloseWhenStarted, 6, "启动序列结束前被关闭", 1},
        OutcomeCase{"AlreadyRunning", "/count:2 /path:{nox} /start /exit", false,
                    Extra::InstanceOneRunning, 7, "模拟器 1 已在运行，没有重新启动。",
                    3}, // its own start, then instance 2's two
        OutcomeCase{"BadOption", "/count:1 /bogus /start /exit", false, Extra::None, 2,
                    "无法识别的命令行选项：/bogus", 0},
        OutcomeCase{"OpenQuote", "/count:1 /path:\"C:\\x\\Nox.exe /start /exit", false, Extra::None,
                    2, "命令行选项的引号没有闭合：/path", 0},
        OutcomeCase{"BadLimit", "/appearlimit:0 /start /exit", false, Extra::None, 2,
                    "/appearlimit:0", 0},
        OutcomeCase{"EmptyArgument", "/count:1 \"\" /start /exit", false, Extra::None, 2,
                    "命令行中有空参数：\"\"（第 2 个参数）", 0}),
    case_name<OutcomeCase>);

// ---- a long command line in the failure box ------------------------------------------------

TEST_F(ScriptedVantor, LongCommandLineIsShortenedSoThatTheBoxFitsOnTheScreen) {
    const std::string path = "C:\\" + std::string(5000, 'x') + "\\Nox.exe";
    start("/count:1 /path:" + path + " /start");
    HWND box = wait_dialog(program_.pid(), kOpenMs);
    ASSERT_NE(nullptr, box) << "no message box";
    const std::string text = message_box_text(box);
    const std::string head = "无法启动模拟器：\r\nC:\\xxxxxxxxxx";
    EXPECT_EQ(0u, text.find(head)) << text.substr(0, 200);
    EXPECT_NE(std::string::npos, text.find("…")) << text.substr(0, 200);
    const std::string tail =
        "x\\Nox.exe -clone:Nox_1 -resolution:x -dpi: -performance:low -root:false "
        "-cpu:1 -memory:1024";
    ASSERT_GT(text.size(), tail.size());
    EXPECT_EQ(text.size() - tail.size(), text.rfind(tail)) << text.substr(0, 200);
    EXPECT_LT(text.size(), 1000u);
    const RECT r = screen_rect(box);
    EXPECT_GE(r.left, 0);
    EXPECT_LE(r.right, GetSystemMetrics(SM_CXSCREEN)) << "box " << r.left << ".." << r.right;
    EXPECT_LE(r.bottom, GetSystemMetrics(SM_CYSCREEN));
    press_dialog_button(box, IDOK);
    EXPECT_TRUE(wait_window_gone(box, 5000));
}

} // namespace
