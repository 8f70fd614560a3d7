// The window kind under Wine: creation styles and placement, title bars,
// owner and icons, sound, shapes and properties (its events and keyboard:
// test_window_events.cpp).
#include <windows.h>

#include <gtest/gtest.h>

#include <tuple>

#include "controls/kinds.h"
#include "controls/window_kind.h"
#include "forms/win32/dpi_win32.h"
#include "runtime/win32/kernel.h"
#include "runtime/win32/libraries.h"
#include "tests/support/kernel_access.h"
#include "tests/support/test_form.h"

using namespace vantor;
using namespace vantor::testing;
using vantor::controls::WindowUnit;

namespace {

// Height of the non-client band above the client area.
int top_band(HWND h) {
    POINT origin{0, 0};
    ClientToScreen(h, &origin);
    return origin.y - screen_box(h)[1];
}

// The window's client area plus the reference frame: its stored outer size,
// whatever frame the system draws.
std::array<LONG, 2> stored_size(HWND h) {
    RECT c;
    GetClientRect(h, &c);
    const auto f = forms::dpi::reference_frame(DWORD(GetWindowLongA(h, GWL_STYLE)),
                                               DWORD(GetWindowLongA(h, GWL_EXSTYLE)), false);
    return {c.right + f.width, c.bottom + f.height};
}

HICON icon_of(HWND h, WPARAM which) {
    return reinterpret_cast<HICON>(SendMessageA(h, WM_GETICON, which, 0));
}

} // namespace

// ---- creation ------------------------------------------------------------------------

TEST(WindowCreation, CentredWhateverTheStoredPositionElsePlacedThere) {
    const int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    struct Row {
        int position;
        RECT stored;
    } rows[] = {{1, {5, 7, 301, 201}}, {1, {-900, 4000, 300, 200}}, {0, {40, 60, 300, 200}}};
    for (const Row& row : rows) {
        TestForm form(window_with([&](auto& p) { p.Position = row.position; }), row.stored);
        ASSERT_TRUE(form.ok());
        auto [x, y, w, h] = screen_box(form.hwnd());
        EXPECT_EQ(stored_size(form.hwnd()),
                  (std::array<LONG, 2>{row.stored.right, row.stored.bottom}))
            << "stored left " << row.stored.left;
        EXPECT_EQ(x, row.position == 1 ? (cx - w) / 2 : row.stored.left) << row.stored.left;
        EXPECT_EQ(y, row.position == 1 ? (cy - h) / 2 : row.stored.top) << row.stored.left;
    }
}

TEST(WindowCreation, FixedBorderCannotBeResizedNorStartMaximised) {
    for (int border = 1; border <= 6; ++border) { // the odd ones are sizable
        SCOPED_TRACE(border);
        TestForm form(window_with([&](auto& p) { p.BorderStyle = border; }),
                      RECT{100, 100, 240, 160});
        ASSERT_TRUE(form.ok());
        form.show();
        auto [x, y, w, h] = screen_box(form.hwnd());
        LRESULT hit = SendMessageA(form.hwnd(), WM_NCHITTEST, 0, MAKELPARAM(x + w - 1, y + h / 2));
        EXPECT_EQ(hit == HTRIGHT, border % 2 == 1) << "hit " << hit;
        EXPECT_EQ((form.style() & WS_THICKFRAME) != 0, border % 2 == 1);
    }
    for (int border : {1, 2}) {
        TestForm form(window_with([&](auto& p) { p.BorderStyle = border, p.Position = 3; }),
                      RECT{100, 100, 240, 160});
        form.show();
        EXPECT_EQ(IsZoomed(form.hwnd()) != 0, border == 1) << "BorderStyle " << border;
        EXPECT_EQ(form.read(nullptr, props::window::Position), border == 1 ? 3u : 0u);
    }
}

TEST(WindowCreation, TitleBarOnlyWithABorderAndACaptionOrControlBox) {
    // BorderStyle, Caption, ControlBox; a title bar expected.
    const std::tuple<int, const char*, int, bool> rows[] = {
        {0, "Title", 1, false}, {0, "", 0, false}, {2, "", 0, false},
        {2, "", 1, true},       {2, "T", 0, true}, {1, "Title", 1, true}};
    const int caption_height = GetSystemMetrics(SM_CYCAPTION);
    for (auto [border, caption, control_box, title] : rows) {
        SCOPED_TRACE(::testing::Message() << "BorderStyle " << border << " caption \"" << caption
                                          << "\" ControlBox " << control_box);
        TestForm form(window_with([&](auto& p) {
                          p.Caption = caption, p.BorderStyle = border, p.ControlBox = control_box;
                      }),
                      RECT{50, 50, 200, 150});
        ASSERT_TRUE(form.ok());
        form.show();
        EXPECT_EQ((form.style() & WS_CAPTION) == WS_CAPTION, title) << std::hex << form.style();
        EXPECT_EQ(top_band(form.hwnd()) >= caption_height, title) << top_band(form.hwnd());
        EXPECT_EQ((form.style() & WS_SYSMENU) != 0, border != 0 && control_box == 1);
        EXPECT_EQ(stored_size(form.hwnd()), (std::array<LONG, 2>{200, 150}))
            << "requested size kept";
    }
}

TEST(WindowCreation, OwnedByTheHiddenOwnerWhenKeptOffTheTaskbarOrModal) {
    HWND hidden = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    auto& k = vantor::testing::KernelTestAccess::state();
    k.hidden_owner_hwnd = hidden;
    // Program kind, ShowInTaskbar, modal.
    const std::tuple<uint32_t, int, bool, bool> rows[] = {
        {3, 1, false, false}, {3, 0, false, true}, {3, 1, true, true}, {0, 0, true, false}};
    for (auto [program_kind, show_in_taskbar, modal, owned] : rows) {
        k.program_kind = program_kind;
        TestForm form(window_with([&](auto& p) { p.ShowInTaskbar = show_in_taskbar; }),
                      RECT{0, 0, 100, 80}, {}, {modal, nullptr, 0});
        ASSERT_TRUE(form.ok());
        EXPECT_EQ(GetWindow(form.hwnd(), GW_OWNER) == hidden, owned)
            << "kind " << program_kind << " ShowInTaskbar " << show_in_taskbar << " modal "
            << modal;
    }
    // A given owner makes a pop-up window, owned by it.
    k.program_kind = 3;
    TestForm owner(window_props("Test"), RECT{0, 0, 100, 80});
    {
        TestForm form(window_with([](auto& p) { p.ShowInTaskbar = 0; }), RECT{0, 0, 100, 80}, {},
                      {false, owner.hwnd(), 1});
        EXPECT_EQ(GetWindow(form.hwnd(), GW_OWNER), owner.hwnd());
        EXPECT_NE(form.style() & WS_POPUP, 0);
    }
    k.program_kind = 0;
    k.hidden_owner_hwnd = nullptr;
    DestroyWindow(hidden);
}

TEST(WindowCreation, ClassNameRegisteredOnceAndUnreadableBlockFails) {
    forms::WindowProps p = window_with([](auto& w) { w.ClassName = "VantorTestClass"; });
    {
        TestForm a(p, RECT{0, 0, 100, 80});
        TestForm b(p, RECT{0, 0, 100, 80}, {}, {false, nullptr, 1});
        ASSERT_TRUE(a.ok() && b.ok());
        EXPECT_EQ(class_name_of(a.hwnd()), "VantorTestClass");
    }
    TestForm plain(window_props("Test"), RECT{0, 0, 100, 80}, {}, {false, nullptr, 2});
    EXPECT_EQ(class_name_of(plain.hwnd()), "QZWindow");

    std::vector<uint8_t> block = forms::write_block(window_props("Test"));
    block[0] = 7; // version above 6
    forms::CreateParams c{};
    c.block = block.data();
    c.block_size = uint32_t(block.size());
    c.width = c.height = 50;
    EXPECT_EQ(WindowUnit::create(c), nullptr) << "version 7";
    block[0] = 6;
    c.block_size = 20; // truncated
    EXPECT_EQ(WindowUnit::create(c), nullptr) << "truncated";
}

TEST(WindowCreation, IconsFromTheStoredDataElseTheProgramsOwn) {
    forms::WindowProps p = window_with([](auto& w) { w.Icon = project_icon(); });
    ASSERT_FALSE(p.Icon.empty());
    TestForm form(p, RECT{0, 0, 100, 80});
    HICON small = icon_of(form.hwnd(), ICON_SMALL);
    ASSERT_NE(icon_of(form.hwnd(), ICON_BIG), nullptr);
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(icon_width(small), GetSystemMetrics(SM_CXSMICON));

    TestForm plain(window_props("Test"), RECT{0, 0, 100, 80}, {}, {false, nullptr, 1});
    EXPECT_EQ(icon_of(plain.hwnd(), ICON_BIG), controls::program_icon(false));
    EXPECT_NE(controls::program_icon(false), nullptr) << "the test program carries icon 1";

    // A new value replaces the icons; the program's shared ones are never destroyed.
    form.write(nullptr, props::window::Icon, 0, 0);
    EXPECT_EQ(icon_of(form.hwnd(), ICON_SMALL), controls::program_icon(true));
    EXPECT_EQ(icon_width(small), 0) << "the decoded icon was destroyed";
    form.write(nullptr, props::window::Icon, 0, 0);
    EXPECT_NE(icon_width(controls::program_icon(true)), 0) << "program icon still valid";
}

TEST(WindowSound, OnlyWholeWaveAndMidiDataIsPlayed) {
    using controls::BackSoundPlayer;
    std::vector<uint8_t> wave = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    wave.resize(44);
    EXPECT_EQ(BackSoundPlayer::format_of(wave), BackSoundPlayer::Format::Wave);
    wave.resize(35); // shorter than a wave header
    EXPECT_EQ(BackSoundPlayer::format_of(wave), BackSoundPlayer::Format::None);
    // Mode 2 never plays; MIDI data the sequencer refuses is dropped.
    TestForm form(window_with([](auto& p) {
                      p.BackSound = {'M', 'T', 'h', 'd', 0, 0, 0, 6}, p.SoundMode = 2;
                  }),
                  RECT{0, 0, 100, 80});
    EXPECT_EQ(form.window()->sound().playing(), BackSoundPlayer::Format::None);
    form.write(nullptr, props::window::SoundMode, 1);
    EXPECT_EQ(form.window()->sound().playing(), BackSoundPlayer::Format::None);
}

TEST(WindowShape, EllipseKeptAfterResize) {
    TestForm form(window_with([](auto& p) { p.Shape = 1, p.BorderStyle = 1; }),
                  RECT{60, 60, 200, 100});
    form.show();
    SetWindowPos(form.hwnd(), nullptr, 0, 0, 300, 240, SWP_NOMOVE | SWP_NOZORDER);
    pump();
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(form.hwnd(), rgn), ERROR);
    RECT box;
    GetRgnBox(rgn, &box);
    // An elliptic region leaves out its right and bottom edges.
    EXPECT_EQ((std::pair{box.right - box.left, box.bottom - box.top}), (std::pair{299L, 239L}));
    EXPECT_TRUE(PtInRegion(rgn, 150, 120));
    EXPECT_FALSE(PtInRegion(rgn, 3, 3)) << "corner outside the ellipse";
    EXPECT_TRUE(PtInRegion(rgn, 2, 120)) << "left middle inside";
    DeleteObject(rgn);

    form.write(nullptr, props::window::Shape, 0);
    rgn = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(form.hwnd(), rgn), ERROR) << "Shape 0 removes the region";
    DeleteObject(rgn);
    form.write(nullptr, props::window::Shape, 99);
    EXPECT_EQ(form.read(nullptr, props::window::Shape), 29u);
}

TEST(WindowShape, EveryShapeIsAClosedOutlineInsideTheWindow) {
    for (int32_t shape = 1; shape <= 29; ++shape) {
        SCOPED_TRACE(shape);
        HRGN rgn = controls::make_shape_region(shape, 320, 200);
        ASSERT_NE(rgn, nullptr);
        RECT box;
        EXPECT_NE(GetRgnBox(rgn, &box), NULLREGION);
        EXPECT_TRUE(box.left >= 0 && box.top >= 0 && box.right <= 320 && box.bottom <= 200);
        EXPECT_GT((box.right - box.left) * (box.bottom - box.top), 320 * 200 / 4) << "too small";
        DeleteObject(rgn);
        for (POINT pt : shape >= 4 ? controls::shape_points(shape) : std::vector<POINT>{})
            EXPECT_TRUE(pt.x >= 0 && pt.x <= 32767 && pt.y >= 0 && pt.y <= 32767);
    }
    EXPECT_EQ(controls::make_shape_region(0, 320, 200), nullptr);
    EXPECT_EQ(controls::make_shape_region(30, 320, 200), nullptr);
    // The given examples: an upward triangle, a diamond, a ring.
    HRGN tri = controls::make_shape_region(4, 100, 100);
    EXPECT_TRUE(PtInRegion(tri, 50, 3));
    EXPECT_FALSE(PtInRegion(tri, 5, 5));
    EXPECT_TRUE(PtInRegion(tri, 5, 97));
    DeleteObject(tri);
    HRGN ring = controls::make_shape_region(3, 100, 100);
    EXPECT_FALSE(PtInRegion(ring, 50, 50)) << "the ring's hole";
    EXPECT_TRUE(PtInRegion(ring, 50, 10));
    DeleteObject(ring);
    EXPECT_EQ(controls::shape_points(12).size(), 4u);
    EXPECT_EQ(controls::shape_points(10).size(), 6u);
}

// ---- properties ------------------------------------------------------------------------

TEST(WindowProperties, WritesClampAndReadBackAndSerialise) {
    TestForm form(window_props("Test"), RECT{60, 60, 200, 120});
    using namespace props::window;
    // Index, written, read back.
    const std::tuple<int32_t, int32_t, int32_t> rows[] = {
        {BorderStyle, 9, 6},  {BorderStyle, -1, 0},    {PictureMode, 7, 3},
        {PictureMode, -2, 0}, {SoundMode, 5, 2},       {Shape, 40, 29},
        {Shape, -3, 0},       {HelpContext, -77, -77}, {BackColor, 0x123456, 0x123456}};
    for (auto [index, written, read] : rows) {
        EXPECT_EQ(form.write(nullptr, index, uint32_t(written)), 0) << "no re-creation";
        EXPECT_EQ(form.read(nullptr, index), uint32_t(read))
            << "index " << index << " wrote " << written;
    }
    EXPECT_EQ(form.write_text(nullptr, Caption, "新标题"), 0);
    EXPECT_EQ(window_text(form.hwnd()), "新标题");
    EXPECT_STREQ(reinterpret_cast<const char*>(uintptr_t(form.read(nullptr, Caption))), "新标题");
    EXPECT_EQ(form.read(nullptr, kCount), 0xFFFFFFFFu) << "unknown index";

    // Serialised current values read back as the same properties.
    ASSERT_EQ(form.window()->type(), &controls::kWindowType);
    forms::WindowProps back;
    ASSERT_TRUE(current_props(form.window(), back));
    EXPECT_EQ(back, form.window()->props());
    EXPECT_EQ(back.Caption, "新标题");
    EXPECT_EQ(back.Shape, 0);
}

TEST(WindowProperties, BorderStyleWriteReplacesFrameAndTitleStyles) {
    TestForm form(window_with([](auto& p) { p.Caption = "", p.ControlBox = 0; }),
                  RECT{60, 60, 200, 120});
    form.show();
    EXPECT_NE(form.style() & WS_CAPTION, WS_CAPTION);
    form.write_text(nullptr, props::window::Caption, "Now titled");
    EXPECT_EQ(form.style() & WS_CAPTION, WS_CAPTION);
    form.write(nullptr, props::window::BorderStyle, 3);
    EXPECT_NE(form.style() & WS_THICKFRAME, 0);
    EXPECT_NE(form.ex_style() & WS_EX_TOOLWINDOW, 0);
    form.write(nullptr, props::window::BorderStyle, 0);
    EXPECT_EQ(form.style() & (WS_CAPTION | WS_THICKFRAME), 0);
    EXPECT_EQ(form.ex_style() & WS_EX_TOOLWINDOW, 0);
    form.write(nullptr, props::window::MaxButton, 1);
    EXPECT_EQ(form.style() & WS_MAXIMIZEBOX, 0) << "no frame, no buttons";
    form.write(nullptr, props::window::BorderStyle, 2);
    EXPECT_NE(form.style() & WS_MAXIMIZEBOX, 0);
}

TEST(WindowProperties, PositionReadsTheLiveStateAndActsWhenVisible) {
    TestForm form(window_with([](auto& p) { p.BorderStyle = 1, p.MaxButton = 1; }),
                  RECT{10, 20, 200, 120});
    using props::window::Position;
    auto position = [&form] { // the live state, once the change has settled
        pump();
        return form.read(nullptr, Position);
    };
    form.write(nullptr, Position, 1); // hidden: only stored
    EXPECT_EQ(screen_box(form.hwnd())[0], 10);
    form.show();
    EXPECT_EQ(position(), 0u);
    form.write(nullptr, Position, 1);
    EXPECT_EQ(screen_box(form.hwnd())[0],
              (GetSystemMetrics(SM_CXSCREEN) - screen_box(form.hwnd())[2]) / 2);
    EXPECT_EQ(stored_size(form.hwnd())[0], 200) << "centring keeps the size";
    form.write(nullptr, Position, 2);
    EXPECT_EQ(position(), 2u);
    form.write(nullptr, Position, 7); // clamped to 3: maximised to the work area
    EXPECT_EQ(position(), 3u);
    RECT area;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    EXPECT_EQ(screen_box(form.hwnd())[2], area.right - area.left);
    form.write(nullptr, Position, 0);
    EXPECT_EQ(position(), 0u) << "0 shows the window normally";
}

TEST(WindowProperties, MovableAndAlwaysOnTop) {
    TestForm form(window_with([](auto& p) { p.Movable = 0, p.AlwaysOnTop = 1; }),
                  RECT{10, 20, 200, 120});
    auto move_state = [&form] {
        return GetMenuState(GetSystemMenu(form.hwnd(), FALSE), SC_MOVE, MF_BYCOMMAND);
    };
    EXPECT_EQ(move_state(), UINT(-1)) << "Move deleted";
    EXPECT_NE(form.ex_style() & WS_EX_TOPMOST, 0);
    form.write(nullptr, props::window::Movable, 1);
    EXPECT_NE(move_state(), UINT(-1)) << "menu reset";

    // Another always-on-top window kept off the taskbar stays topmost.
    TestForm other(window_with([](auto& p) { p.AlwaysOnTop = 1, p.ShowInTaskbar = 0; }),
                   RECT{40, 20, 200, 120}, {}, {false, nullptr, 1});
    SetWindowPos(other.hwnd(), HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    form.write(nullptr, props::window::AlwaysOnTop, 0);
    EXPECT_EQ(form.ex_style() & WS_EX_TOPMOST, 0);
    EXPECT_NE(other.ex_style() & WS_EX_TOPMOST, 0);
}

TEST(WindowKinds, LibraryTablesHoldTheFiveKindsAtTheirPositions) {
    controls::register_control_kinds();
    const auto* base = static_cast<const forms::UnitTypeRecord*>(kSupportLibraries[0]->data_types);
    const auto* ui = static_cast<const forms::UnitTypeRecord*>(kSupportLibraries[1]->data_types);
    ASSERT_EQ(kSupportLibraries[0]->data_type_count, 51u);
    ASSERT_EQ(kSupportLibraries[1]->data_type_count, 5u);
    // Type record, its flags and property count.
    const std::tuple<const forms::UnitTypeRecord*, uint32_t, uint32_t> rows[] = {
        {&base[0], 0x800000D0, 32},
        {&base[4], 0x80000040, 29},
        {&base[10], 0x80000840, 14},
        {&base[30], 0x80008040, 30},
        {&ui[4], 0x00012040, 15}};
    for (auto [record, flags, properties] : rows) {
        EXPECT_EQ(record->flags, flags);
        EXPECT_EQ(record->property_count, properties) << std::hex << flags;
        for (uint32_t i = 0; i < 8; ++i)
            EXPECT_EQ(record->properties[i].flags, 0xE000);
    }
    EXPECT_EQ(base[1].flags, 0u) << "unused entries are zero";
    EXPECT_EQ(&base[0], &controls::kWindowType) << "units point into the library table";
}
