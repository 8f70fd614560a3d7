// The Button kind under Wine: styles, clamped writes, the default-button query,
// pictures instead of captions (on the screen), fonts and events.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "controls/button.h"
#include "controls/kinds.h"
#include "runtime/allocator.h"
#include "tests/support/test_form.h"

using namespace vantor;
using namespace vantor::testing;
using vantor::controls::ButtonUnit;

namespace {

forms::ButtonProps button_props(const char* caption, int type = 0, int h = 1, int v = 1) {
    forms::ButtonProps b;
    b.Caption = caption;
    b.ButtonType = type;
    b.HAlign = h;
    b.VAlign = v;
    return b;
}

ButtonUnit* as_button(UnitObject* u) {
    return dynamic_cast<ButtonUnit*>(u);
}

uint32_t style_of(HWND h) {
    return uint32_t(GetWindowLongA(h, GWL_STYLE));
}

// Pixels darker than mid-grey inside the button, away from its 3D edges: the
// caption's strokes.
int text_pixels(const Capture& c, RECT r) {
    int n = 0;
    for (int y = r.top + 4; y < r.bottom - 4; ++y)
        for (int x = r.left + 4; x < r.right - 4; ++x) {
            COLORREF p = c.at(x, y);
            n += GetRValue(p) < 90 && GetGValue(p) < 90 && GetBValue(p) < 90;
        }
    return n;
}

} // namespace

TEST(ButtonCreation, StylesFromTypeAndAlignment) {
    struct Row {
        int type, h, v;
        uint32_t type_bits, h_bits, v_bits;
    } rows[] = {
        {0, 0, 0, BS_PUSHBUTTON, BS_LEFT, BS_TOP},
        {1, 1, 1, BS_DEFPUSHBUTTON, BS_CENTER, BS_VCENTER},
        {0, 2, 2, BS_PUSHBUTTON, BS_RIGHT, BS_BOTTOM},
        {0, 7, -1, BS_PUSHBUTTON, BS_RIGHT, BS_BOTTOM}, // anything else: right, bottom
        {3, 1, 0, BS_PUSHBUTTON, BS_CENTER, BS_TOP},    // only 1 is a default button
    };
    std::vector<ControlDesc> controls;
    for (const Row& r : rows)
        controls.push_back(button(0, 0, 80, 24, button_props("B", r.type, r.h, r.v)));
    TestForm form(window_props("Buttons"), RECT{50, 50, 300, 200}, controls);
    ASSERT_TRUE(form.ok());
    for (size_t i = 0; i < std::size(rows); ++i) {
        const Row& r = rows[i];
        ASSERT_NE(form.control(i), nullptr);
        uint32_t s = style_of(form.control_hwnd(i));
        EXPECT_EQ(s & 0xF, r.type_bits) << "row " << i;
        EXPECT_EQ(s & (BS_LEFT | BS_RIGHT), r.h_bits) << "row " << i;
        EXPECT_EQ(s & (BS_TOP | BS_BOTTOM), r.v_bits) << "row " << i;
        EXPECT_EQ(s & (WS_CHILD | WS_CLIPSIBLINGS | BS_MULTILINE),
                  uint32_t(WS_CHILD | WS_CLIPSIBLINGS | BS_MULTILINE));
        EXPECT_EQ(as_button(form.control(i))->is_default(), r.type_bits == BS_DEFPUSHBUTTON);
    }

    // Version 2 is unknown; a block cut inside the caption is unreadable.
    std::vector<uint8_t> block = forms::write_block(button_props("Caption"));
    forms::CreateParams c{};
    c.block = block.data();
    c.parent = form.hwnd();
    c.width = c.height = 20;
    c.block_size = uint32_t(block.size() - 2);
    EXPECT_EQ(ButtonUnit::create(c), nullptr) << "truncated";
    block[0] = 2;
    c.block_size = uint32_t(block.size());
    EXPECT_EQ(ButtonUnit::create(c), nullptr) << "version 2";
}

TEST(ButtonProperties, WritesClampAndOnlyPictureAsksForRecreation) {
    TestForm form(window_props("Buttons"), RECT{50, 50, 300, 200},
                  {button(10, 10, 80, 24, button_props("B"))});
    UnitObject* b = form.control(0);
    HWND h = form.control_hwnd(0);
    auto is_default = reinterpret_cast<forms::IsDefaultButtonRoutine>(
        controls::kButtonType.routine(forms::routine::IsDefaultButton));
    struct Row {
        int32_t index, written;
        uint32_t read;
        uint32_t mask, bits;
    } rows[] = {
        {props::button::ButtonType, 5, 1, 0x1F, BS_DEFPUSHBUTTON},
        {props::button::ButtonType, -3, 0, 0x1F, BS_PUSHBUTTON},
        {props::button::HAlign, 9, 2, BS_CENTER, BS_RIGHT},
        {props::button::HAlign, -1, 0, BS_CENTER, BS_LEFT},
        {props::button::VAlign, 7, 2, BS_VCENTER, BS_BOTTOM},
        {props::button::VAlign, -4, 0, BS_VCENTER, BS_TOP},
        {props::button::HAlign, 1, 1, BS_CENTER, BS_CENTER},
        {props::button::VAlign, 1, 1, BS_VCENTER, BS_VCENTER},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(form.write(b, r.index, uint32_t(r.written)), 0) << "index " << r.index;
        EXPECT_EQ(form.read(b, r.index), r.read) << "index " << r.index << " wrote " << r.written;
        EXPECT_EQ(style_of(h) & r.mask, r.bits) << "index " << r.index << " wrote " << r.written;
    }
    form.write(b, props::button::ButtonType, 5);
    EXPECT_TRUE(is_default(b));
    form.write(b, props::button::ButtonType, uint32_t(-3));
    EXPECT_FALSE(is_default(b));

    EXPECT_EQ(form.write_text(b, props::button::Caption, "新的"), 0);
    char text[16];
    GetWindowTextA(h, text, sizeof text);
    EXPECT_STREQ(text, "新的");
    std::vector<uint8_t> bmp = solid_bmp(4, 4, kRed);
    EXPECT_EQ(form.write(b, props::button::Picture,
                         uint32_t(reinterpret_cast<uintptr_t>(bmp.data())), uint32_t(bmp.size())),
              1);
    uint32_t count = 0;
    uint32_t data = form.read(b, props::button::Picture, &count);
    ASSERT_EQ(count, bmp.size());
    EXPECT_EQ(std::memcmp(reinterpret_cast<const void*>(uintptr_t(data)), bmp.data(), count), 0);
    EXPECT_EQ(form.read(b, props::button::Font, &count), 0u) << "no font: pointer 0";
    EXPECT_EQ(count, 0u);

    // The serialised block carries the new picture for the re-created button.
    forms::ButtonProps back;
    ASSERT_TRUE(current_props(b, back));
    EXPECT_EQ(back.Picture, bmp);
    EXPECT_EQ(back.Caption, "新的");
    EXPECT_EQ(back.ButtonType, 0);
}

TEST(ButtonPicture, ShowsOnlyThePictureAndKeepsItWhenTheCaptionChanges) {
    forms::ButtonProps with_picture = button_props("按钮文字");
    with_picture.Picture = solid_bmp(16, 16, kRed);
    TestForm form(window_props("Buttons"), RECT{50, 50, 320, 160},
                  {button(10, 10, 120, 60, button_props("按钮文字")),
                   button(150, 10, 120, 60, with_picture),
                   button(10, 80, 60, 30, button_props("x"), 9)});
    ASSERT_TRUE(form.ok());
    HWND plain = form.control_hwnd(0), pictured = form.control_hwnd(1);
    EXPECT_NE(style_of(pictured) & BS_BITMAP, 0u);
    HBITMAP image = reinterpret_cast<HBITMAP>(SendMessageA(pictured, BM_GETIMAGE, IMAGE_BITMAP, 0));
    EXPECT_NE(image, nullptr);
    form.show();
    SetFocus(form.control_hwnd(2)); // no focus rectangle on the two compared
    pump(30);
    Capture c = capture_client(form.hwnd());
    c.save("button_picture");
    RECT pr = rect_in_parent(pictured), plr = rect_in_parent(plain);
    EXPECT_GT(text_pixels(c, plr), 20) << "the plain button shows its caption";
    EXPECT_EQ(text_pixels(c, pr), 0) << "the picture button shows no caption";
    EXPECT_EQ(c.count_of(kRed, pr.left, pr.top, pr.right, pr.bottom), 16 * 16);

    form.write_text(form.control(1), props::button::Caption, "Other caption");
    pump(30);
    c = capture_client(form.hwnd());
    char text[32];
    GetWindowTextA(pictured, text, sizeof text);
    EXPECT_STREQ(text, "Other caption");
    EXPECT_EQ(text_pixels(c, pr), 0);
    EXPECT_EQ(c.count_of(kRed, pr.left, pr.top, pr.right, pr.bottom), 16 * 16);
    EXPECT_EQ(reinterpret_cast<HBITMAP>(SendMessageA(pictured, BM_GETIMAGE, IMAGE_BITMAP, 0)),
              image);
}

TEST(ButtonPicture, IconsBecomeIconButtonsAndJunkLeavesTheCaption) {
    forms::ButtonProps icon = button_props("i");
    icon.Picture = project_icon();
    forms::ButtonProps junk = button_props("junk");
    junk.Picture = {1, 2, 3, 4, 5, 6, 7, 8};
    TestForm form(window_props("Buttons"), RECT{50, 50, 300, 200},
                  {button(10, 10, 80, 60, icon), button(100, 10, 80, 60, junk)});
    ASSERT_TRUE(form.ok());
    EXPECT_NE(style_of(form.control_hwnd(0)) & BS_ICON, 0u);
    EXPECT_NE(SendMessageA(form.control_hwnd(0), BM_GETIMAGE, IMAGE_ICON, 0), 0);
    EXPECT_EQ(style_of(form.control_hwnd(1)) & (BS_ICON | BS_BITMAP), 0u);
    EXPECT_EQ(as_button(form.control(1))->image_bitmap(), nullptr);
}

TEST(ButtonFont, RealisedFontReplacesThePreviousOne) {
    forms::ButtonProps b = button_props("Font");
    b.Font = logfont_bytes("Tahoma", -19);
    TestForm form(window_props("Buttons"), RECT{50, 50, 300, 200}, {button(10, 10, 80, 30, b)});
    HWND h = form.control_hwnd(0);
    HFONT first = reinterpret_cast<HFONT>(SendMessageA(h, WM_GETFONT, 0, 0));
    ASSERT_NE(first, nullptr);
    LOGFONTA lf{};
    GetObjectA(first, sizeof lf, &lf);
    EXPECT_EQ(lf.lfHeight, -19);
    EXPECT_EQ(lf.lfQuality, PROOF_QUALITY);

    std::vector<uint8_t> bigger = logfont_bytes("Tahoma", -30);
    form.write(form.control(0), props::button::Font,
               uint32_t(reinterpret_cast<uintptr_t>(bigger.data())), uint32_t(bigger.size()));
    HFONT second = reinterpret_cast<HFONT>(SendMessageA(h, WM_GETFONT, 0, 0));
    GetObjectA(second, sizeof lf, &lf);
    EXPECT_EQ(lf.lfHeight, -30);
    EXPECT_EQ(GetObjectType(first), 0u) << "the previous font was deleted";

    form.write(form.control(0), props::button::Font, 0, 0);
    EXPECT_EQ(SendMessageA(h, WM_GETFONT, 0, 0),
              reinterpret_cast<LRESULT>(GetStockObject(DEFAULT_GUI_FONT)));
    EXPECT_EQ(GetObjectType(second), 0u);
}

TEST(ButtonEvents, ClickSpaceAndFocusEachRaiseOnce) {
    FakeRequests log;
    TestForm form(
        window_props("Buttons"), RECT{50, 50, 300, 200},
        {button(10, 10, 80, 30, button_props("A")), button(100, 10, 80, 30, button_props("B"))});
    form.show();
    HWND a = form.control_hwnd(0), b = form.control_hwnd(1);
    SetFocus(b);
    log.clear();
    SetFocus(a);
    SetFocus(b);
    static const Step kFocusMoves[] = {{"1:-8"}, {"0:-7"}, {"0:-8"}, {"1:-7"}, {nullptr}};
    EXPECT_TRUE(sequence_matches(log.lines(), kFocusMoves));

    log.clear();
    SendMessageA(a, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(a, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    pump();
    EXPECT_EQ(log.text({0}), "0:0") << "mouse click on A, reflected by the window";
    log.clear();
    SendMessageA(form.hwnd(), WM_COMMAND, MAKEWPARAM(100, BN_CLICKED), reinterpret_cast<LPARAM>(b));
    EXPECT_EQ(log.text({0}), "1:0") << "one notification, one event";
    log.clear();
    SendMessageA(a, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(a, WM_LBUTTONUP, 0, MAKELPARAM(200, 5));
    pump();
    EXPECT_EQ(log.text({0}), "") << "released outside";
    SetFocus(b);
    log.clear();
    press_key(VK_SPACE);
    EXPECT_EQ(log.text({0}), "1:0") << "Space on the focused button";
}
