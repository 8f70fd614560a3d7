// The launcher's window as the user meets it: where it opens, its fixed
// border, the controls at their stored places with their captions, how it
// closes; a screenshot is kept as an artifact.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "forms/win32/dpi_win32.h"
#include "tests/support/launcher.h"
#include "tests/unit/launcher_units.h"

using namespace vantor::testing;

namespace {

constexpr int kStoredWidth = 217; // outer size of the stored window, under the reference frame
constexpr int kStoredHeight = 210;

std::string rect_text(const RECT& r) {
    char text[96];
    std::snprintf(text, sizeof text, "left %ld top %ld width %ld height %ld", long(r.left),
                  long(r.top), long(r.right - r.left), long(r.bottom - r.top));
    return text;
}

class LauncherWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(vantor_.ready()) << "no window titled Vantor";
        ASSERT_TRUE(settle(vantor_.window()));
    }
    Launcher vantor_;
};

// ---- placement and frame -------------------------------------------------------------

// The stored size less the reference frame (211 x 185) is the client area,
// inside whatever frame the system draws (217 x 210 outside under Wine 8).
TEST_F(LauncherWindow, OpensCentredOnTheScreenWithItsStoredClientArea) {
    HWND window = vantor_.window();
    const RECT r = screen_rect(window);
    RECT client;
    GetClientRect(window, &client);
    const vantor::forms::dpi::Frame reference =
        vantor::forms::dpi::reference_frame(DWORD(GetWindowLongA(window, GWL_STYLE)),
                                            DWORD(GetWindowLongA(window, GWL_EXSTYLE)), false);
    EXPECT_EQ(kStoredWidth - reference.width, client.right) << rect_text(r);
    EXPECT_EQ(kStoredHeight - reference.height, client.bottom) << rect_text(r);
    const int screen_width = GetSystemMetrics(SM_CXSCREEN);
    const int screen_height = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ((screen_width - (r.right - r.left)) / 2, r.left)
        << rect_text(r) << " on a screen of " << screen_width << " x " << screen_height;
    EXPECT_EQ((screen_height - (r.bottom - r.top)) / 2, r.top)
        << rect_text(r) << " on a screen of " << screen_width << " x " << screen_height;
}

TEST_F(LauncherWindow, HasFixedBorderWithCaptionAndItsButtons) {
    const LONG style = GetWindowLongA(vantor_.window(), GWL_STYLE);
    EXPECT_EQ(0, style & WS_THICKFRAME) << "the border can be dragged: style " << std::hex << style;
    EXPECT_EQ(WS_CAPTION, style & WS_CAPTION) << std::hex << style;
    EXPECT_EQ(WS_SYSMENU, style & WS_SYSMENU) << std::hex << style;
    EXPECT_EQ(WS_MINIMIZEBOX, style & WS_MINIMIZEBOX) << std::hex << style;
    EXPECT_EQ(WS_MAXIMIZEBOX, style & WS_MAXIMIZEBOX) << std::hex << style;
    EXPECT_EQ("Vantor", window_text(vantor_.window()));
}

// ---- controls -------------------------------------------------------------------------------

// The dialog id of stored unit `index`: the form engine numbers the controls
// 100, 110, ... from the last stored unit up to the first.
int control_id(size_t index) {
    return 100 + 10 * int(launcher_units::kUnitCount - 1 - index);
}

// Every stored control but the file dialog, which never shows; edit boxes
// start empty and may be taller than stored, to fit a text line.
TEST_F(LauncherWindow, ControlsSitAtTheStoredGeometryWithTheirCaptions) {
    using namespace launcher_units;
    for (size_t index = 1; index < kUnitCount; ++index) {
        const Unit& u = kUnits[index];
        if (u.kind == kCommonDlg)
            continue;
        SCOPED_TRACE(std::string(u.name) + ", id " + std::to_string(control_id(index)));
        HWND control = vantor_.control(control_id(index));
        ASSERT_NE(nullptr, control) << "no control with this id";
        EXPECT_TRUE(IsWindowVisible(control));
        const RECT r = rect_in_parent(control);
        const std::string expected = rect_text({u.left, u.top, u.left + u.width, u.top + u.height});
        const std::string actual = rect_text(r);
        EXPECT_EQ(u.left, r.left) << "expected " << expected << ", is " << actual;
        EXPECT_EQ(u.top, r.top) << "expected " << expected << ", is " << actual;
        EXPECT_EQ(u.width, r.right - r.left) << "expected " << expected << ", is " << actual;
        if (u.kind == kEditBox) {
            EXPECT_GE(r.bottom - r.top, u.height)
                << "expected " << expected << " or taller, is " << actual;
        } else {
            EXPECT_EQ(u.height, r.bottom - r.top) << "expected " << expected << ", is " << actual;
        }
        EXPECT_EQ(u.caption ? u.caption : "", window_text(control));
    }
}

TEST_F(LauncherWindow, FileDialogUnitIsNeverShown) {
    EXPECT_EQ(kFileDialogUnit, control_id(launcher_units::kDialog));
    HWND unit = vantor_.control(kFileDialogUnit);
    if (unit) {
        EXPECT_FALSE(IsWindowVisible(unit));
    }
    // Every visible child is one of the twelve other controls.
    int visible = 0;
    for (HWND child : children_of(vantor_.window()))
        visible += IsWindowVisible(child) ? 1 : 0;
    EXPECT_EQ(int(launcher_units::kUnitCount) - 2, visible);
}

TEST_F(LauncherWindow, ScreenshotIsKept) {
    // Filled in as for a launch, so the picture shows the window in use.
    ASSERT_TRUE(vantor_.fill({"2", "720", "1280", "320", "D:\\Nox\\bin\\Nox.exe"}));
    // On top of any window another test may have opened at the same place.
    SetWindowPos(vantor_.window(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ASSERT_TRUE(settle(vantor_.window()));
    RedrawWindow(vantor_.window(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ASSERT_TRUE(settle(vantor_.window()));
    const std::string path = artifact_directory() + "launcher_window.bmp";
    ASSERT_TRUE(screenshot(vantor_.window(), path)) << path;
    int width = 0, height = 0;
    ASSERT_TRUE(bmp_size(path, width, height)) << path;
    const RECT r = screen_rect(vantor_.window());
    EXPECT_EQ(r.right - r.left, width) << "the whole window";
    EXPECT_EQ(r.bottom - r.top, height) << "the whole window";
}

// ---- closing ---------------------------------------------------------------------------------

struct CloseCase {
    const char* name;
    int target; // 0: the window itself, otherwise a control id
};

class EscapeCloses : public LauncherWindow, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(EscapeCloses, TheWindowAndTheProgramEndsWithCodeZero) {
    HWND target = GetParam().target ? vantor_.control(GetParam().target) : vantor_.window();
    ASSERT_NE(nullptr, target);
    press_key(target, VK_ESCAPE);
    EXPECT_EQ(0u, vantor_.wait_exit(5000)) << "exit code (259: still running)";
}

INSTANTIATE_TEST_SUITE_P(Closing, EscapeCloses,
                         ::testing::Values(CloseCase{"InWindow", 0},
                                           CloseCase{"InCountBox", kCountBox},
                                           CloseCase{"OnStartButton", kStartButton}),
                         case_name<CloseCase>);

TEST_F(LauncherWindow, CloseCommandEndsTheProgramWithCodeZero) {
    PostMessageA(vantor_.window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(0u, vantor_.wait_exit(5000)) << "exit code (259: still running)";
}

// ---- the program's icon ----------------------------------------------------------------

// `icon` drawn at size×size over white and over black: both halves together
// show its colours and its transparency.
std::vector<uint32_t> icon_pixels(HICON icon, int size) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    std::vector<uint32_t> pixels;
    for (int background : {WHITE_BRUSH, BLACK_BRUSH}) {
        RECT all{0, 0, size, size};
        FillRect(dc, &all, HBRUSH(GetStockObject(background)));
        DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
        GdiFlush();
        const auto* p = static_cast<const uint32_t*>(bits);
        pixels.insert(pixels.end(), p, p + size * size);
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return pixels;
}

// The program's icon resource is the window's icon file without its padding:
// every size must show the same pixels as the file itself.
TEST(ProgramIcon, ResourceShowsTheWindowIconsPixelsAtEverySize) {
    HMODULE image = LoadLibraryExA(vantor_exe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, image);
    const std::string file = VANTOR_SOURCE_DIR "/app/forms/vantor.ico";
    for (int size : {16, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(size);
        auto program = HICON(LoadImageA(image, MAKEINTRESOURCEA(1), IMAGE_ICON, size, size, 0));
        auto window =
            HICON(LoadImageA(nullptr, file.c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE));
        ASSERT_NE(nullptr, program);
        ASSERT_NE(nullptr, window);
        const std::vector<uint32_t> expected = icon_pixels(window, size);
        const auto over_white = expected.begin() + size * size;
        EXPECT_NE(over_white, std::find_if(expected.begin(), over_white,
                                           [](uint32_t p) { return (p & 0xFFFFFF) != 0xFFFFFF; }))
            << "nothing drawn";
        EXPECT_TRUE(expected == icon_pixels(program, size));
        DestroyIcon(program);
        DestroyIcon(window);
    }
    FreeLibrary(image);
}

// The libraries named in an image's import directory, in lower case.
std::set<std::string> imported_libraries(const std::string& path) {
    HMODULE mapped = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!mapped)
        return {};
    // An image-resource mapping lies at its sections' addresses, flagged in the low bits.
    const auto* base = reinterpret_cast<const BYTE*>(uintptr_t(mapped) & ~uintptr_t(3));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    std::set<std::string> names;
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         dir.VirtualAddress && d->Name; ++d) {
        std::string name = reinterpret_cast<const char*>(base + d->Name);
        for (char& c : name)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        names.insert(name);
    }
    FreeLibrary(mapped);
    return names;
}

// Start-up loads what a plain window program loads: OLE and the common controls
// come from the system directory when first needed, not through imports, which
// would be looked for beside the program first.
TEST(ProgramImage, ImportsOnlyWhatAPlainWindowProgramDoes) {
    const std::set<std::string> expected = {"gdi32.dll", "kernel32.dll", "msvcrt.dll",
                                            "user32.dll"};
    EXPECT_EQ(expected, imported_libraries(vantor_exe()));
}

} // namespace
