// Window backgrounds on the screen (colour, picture modes, transparency) and the
// shared picture, icon and font facilities they rest on.
#include <windows.h>
#include <wincodec.h>

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <tuple>

#include "controls/picture.h"
#include "controls/window_kind.h"
#include "forms/win32/dpi_win32.h"
#include "tests/support/test_form.h"

using namespace vantor;
using namespace vantor::testing;

namespace {

// 8 x 6: left half blue, right half green.
std::vector<uint8_t> halves_bmp(int w = 8, int h = 6) {
    return bmp_file(w, h, [w](int x, int) { return x < w / 2 ? kBlue : kGreen; });
}

forms::WindowProps back_props(uint32_t color, std::vector<uint8_t> picture = {}, int mode = 1) {
    forms::WindowProps p = window_props("Background", color);
    p.BackPicture = std::move(picture);
    p.PictureMode = mode;
    return p;
}

// Left half fully transparent, right half opaque green, one column half transparent blue.
uint32_t alpha_pixels(int x, int) {
    if (x == 4)
        return 0x800000FFu;
    return x < 4 ? 0x00000000u : 0xFF00FF00u;
}

// The stored window geometry for a client area of w x h with the default
// border (the outer size under the reference frame).
RECT client_of(int w, int h) {
    const auto f = forms::dpi::reference_frame(WS_CAPTION | WS_SYSMENU | WS_DLGFRAME, 0, false);
    return RECT{50, 50, w + f.width, h + f.height};
}

} // namespace

// ---- on the screen -------------------------------------------------------------------

TEST(WindowBackground, MappedColourFillsTheClientAndFollowsWrites) {
    TestForm form(back_props(0xFF000000), client_of(200, 120));
    form.show();
    Capture c = capture_client(form.hwnd());
    EXPECT_EQ(c.count_not(GetSysColor(COLOR_BTNFACE), 0, 0, c.width, c.height), 0)
        << "0xFF000000 is the button face " << hex(GetSysColor(COLOR_BTNFACE)) << ", centre is "
        << hex(c.at(50, 40));
    form.write(nullptr, props::window::BackColor, kRed);
    pump(20);
    c = capture_client(form.hwnd());
    EXPECT_EQ(c.count_not(kRed, 0, 0, c.width, c.height), 0) << "centre " << hex(c.at(50, 40));
}

TEST(WindowBackground, PictureModesPlaceTheDecodedPicture) {
    using Probes = std::vector<std::tuple<int, int, COLORREF>>; // x, y, colour
    const std::tuple<int, std::vector<uint8_t>, Probes> rows[] = {
        {0, halves_bmp(), {{1, 1, kBlue}, {6, 4, kGreen}, {9, 1, kRed}, {50, 40, kRed}}},
        {1, halves_bmp(), {{1, 1, kBlue}, {9, 1, kBlue}, {14, 7, kGreen}, {199, 119, kGreen}}},
        // 8 x 6 centred at (96, 57).
        {2, halves_bmp(), {{97, 58, kBlue}, {101, 60, kGreen}, {90, 60, kRed}, {1, 1, kRed}}},
        // 400 x 60 shrinks by one half to 200 x 30, centred at y 45.
        {2,
         halves_bmp(400, 60),
         {{40, 60, kBlue}, {160, 60, kGreen}, {100, 20, kRed}, {100, 100, kRed}}},
        {3, halves_bmp(), {{20, 20, kBlue}, {180, 100, kGreen}}},
    };
    for (const auto& [mode, picture, probes] : rows) {
        SCOPED_TRACE(::testing::Message() << "PictureMode " << mode);
        TestForm form(back_props(kRed, picture, mode), client_of(200, 120));
        ASSERT_TRUE(form.ok());
        form.show();
        Capture c = capture_client(form.hwnd());
        ASSERT_EQ(c.width, 200);
        ASSERT_EQ(c.height, 120);
        for (auto [x, y, color] : probes)
            EXPECT_EQ(hex(c.at(x, y)), hex(color)) << "at (" << x << ", " << y << ")";
        if (mode % 2 == 1) { // tiled and stretched: nothing but the picture
            EXPECT_EQ(c.count_of(kRed, 0, 0, 200, 120), 0);
        }
        if (mode == 1)
            c.save("window_tiled");
    }
}

TEST(WindowBackground, TransparentPartsShowTheBackColourAndTheCacheFollowsThePicture) {
    std::vector<uint8_t> png = encode_image(GUID_ContainerFormatPng, 8, 8, alpha_pixels);
    ASSERT_FALSE(png.empty());
    TestForm form(back_props(kRed, png, 0), client_of(200, 120));
    EXPECT_FALSE(form.window()->picture_cached()) << "decoded at the first paint";
    form.show();
    EXPECT_TRUE(form.window()->picture_cached());
    Capture c = capture_client(form.hwnd());
    EXPECT_EQ(hex(c.at(1, 1)), hex(kRed)) << "transparent";
    EXPECT_EQ(hex(c.at(6, 1)), hex(kGreen)) << "opaque";
    COLORREF half = c.at(4, 1);
    EXPECT_NEAR(GetRValue(half), 127, 2) << hex(half);
    EXPECT_NEAR(GetBValue(half), 128, 2) << hex(half);

    // A new BackColor shows through the same cached picture.
    form.write(nullptr, props::window::BackColor, kBlue);
    pump(20);
    c = capture_client(form.hwnd());
    EXPECT_EQ(hex(c.at(1, 1)), hex(kBlue));
    EXPECT_EQ(hex(c.at(50, 50)), hex(kBlue));

    // A new picture drops the cache; undecodable data leaves the colour alone.
    const uint8_t junk[] = "not a picture at all";
    form.write(nullptr, props::window::BackPicture, uint32_t(reinterpret_cast<uintptr_t>(junk)),
               sizeof junk);
    EXPECT_FALSE(form.window()->picture_cached());
    pump(20);
    c = capture_client(form.hwnd());
    EXPECT_EQ(c.count_not(kBlue, 0, 0, c.width, c.height), 0);
}

TEST(WindowBackground, PrintClientPaintsTheBackgroundIntoTheGivenContext) {
    // Themed controls and PrintWindow draw the parent's background this way.
    TestForm form(back_props(kRed, halves_bmp(), 0), client_of(200, 120));
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 200, 120);
    HGDIOBJ old = SelectObject(dc, bitmap);
    SendMessageA(form.hwnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    EXPECT_EQ(hex(GetPixel(dc, 1, 1)), hex(kBlue));
    EXPECT_EQ(hex(GetPixel(dc, 100, 100)), hex(kRed));
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}

// ---- decoders ---------------------------------------------------------------------------

TEST(Pictures, PlatformDecodersTakeEveryFormat) {
    auto opaque = [](int x, int) -> uint32_t { return x < 8 ? 0xFF0000FFu : 0xFFFF0000u; };
    const std::pair<const char*, std::vector<uint8_t>> rows[] = {
        {"bmp", bmp_file(16, 12, [](int x, int) { return x < 8 ? kBlue : kRed; })},
        {"png", encode_image(GUID_ContainerFormatPng, 16, 12, opaque)},
        {"jpeg", encode_image(GUID_ContainerFormatJpeg, 16, 12, opaque)},
        {"gif", encode_image(GUID_ContainerFormatGif, 16, 12, opaque)},
    };
    for (const auto& [name, data] : rows) {
        SCOPED_TRACE(name);
        ASSERT_FALSE(data.empty()) << "could not be encoded";
        controls::Pixels px;
        ASSERT_TRUE(controls::decode_pixels(data.data(), uint32_t(data.size()), px));
        EXPECT_EQ(px.width, 16);
        EXPECT_EQ(px.height, 12);
        EXPECT_EQ(px.bgra[0] >> 24, 0xFFu);
        EXPECT_GT(px.bgra[0] & 0xFF, 0xC0u) << "left is blue";
        EXPECT_GT((px.bgra[15] >> 16) & 0xFF, 0xC0u) << "right is red";
        controls::Picture pic;
        ASSERT_TRUE(controls::decode_picture(data.data(), uint32_t(data.size()), kGreen, pic));
        EXPECT_NE(pic.bitmap, nullptr);
        EXPECT_EQ(pic.icon, nullptr);
        pic.release();
    }
    const uint8_t junk[64] = {'B', 'M'};
    controls::Picture pic;
    EXPECT_FALSE(controls::decode_picture(junk, sizeof junk, kGreen, pic));
    EXPECT_FALSE(controls::decode_picture(nullptr, 0, kGreen, pic));
}

TEST(Pictures, IconFilesGiveTheSystemSizesIncludingFromPngImages) {
    std::vector<uint8_t> ico = project_icon();
    ASSERT_GT(ico.size(), 1000u);
    HICON large = nullptr, small = nullptr;
    ASSERT_TRUE(controls::decode_icon_pair(ico.data(), uint32_t(ico.size()), large, small));
    auto expect_system_sizes = [&large, &small] {
        EXPECT_EQ(icon_width(large), GetSystemMetrics(SM_CXICON));
        EXPECT_EQ(icon_width(small), GetSystemMetrics(SM_CXSMICON));
        DestroyIcon(large);
        DestroyIcon(small);
    };
    expect_system_sizes();

    // An icon file holding only a PNG image (the 256-pixel one of the project icon).
    auto entry = [&ico](int i, int field) { return read_u32(ico.data() + 6 + 16 * i + field); };
    int png_index = 12;
    while (png_index >= 0 && std::memcmp(ico.data() + entry(png_index, 12), "\x89PNG", 4) != 0)
        --png_index;
    ASSERT_GE(png_index, 0);
    uint32_t bytes = entry(png_index, 8), offset = entry(png_index, 12);
    // Directory of one entry: its size and offset 22, then the image.
    std::vector<uint8_t> png_only = {0, 0,  1, 0, 1, 0, 0, 0,  0, 0, 1,
                                     0, 32, 0, 0, 0, 0, 0, 22, 0, 0, 0};
    write_u32(png_only.data() + 14, bytes);
    png_only.insert(png_only.end(), ico.begin() + offset, ico.begin() + offset + bytes);
    ASSERT_TRUE(
        controls::decode_icon_pair(png_only.data(), uint32_t(png_only.size()), large, small));
    expect_system_sizes();

    // As a picture, an icon file stays an icon at its largest size.
    controls::Picture pic;
    ASSERT_TRUE(controls::decode_picture(ico.data(), uint32_t(ico.size()), kRed, pic));
    EXPECT_NE(pic.icon, nullptr);
    EXPECT_EQ(pic.width, 256);
    pic.release();
    controls::Pixels px;
    ASSERT_TRUE(controls::decode_pixels(png_only.data(), uint32_t(png_only.size()), px));
    EXPECT_EQ(px.width, 256);
}

TEST(Pictures, DamagedIconFilesAreRefusedWithoutReadingOutside) {
    const std::vector<uint8_t> ico = project_icon();
    // The icon file with dword `v` at `at` of the header or, with `entry_field`, of
    // each of the 13 directory entries.
    auto with = [&ico](size_t at, uint32_t v, bool entry_field = false) {
        std::vector<uint8_t> d = ico;
        for (int i = 0; i < (entry_field ? 13 : 1); ++i)
            for (int k = 0; k < 4; ++k)
                d[at + (entry_field ? 6 + 16 * i : 0) + k] = uint8_t(v >> (8 * k));
        return d;
    };
    // A single 16-pixel image whose bitmap header claims 1000 rows.
    std::vector<uint8_t> tall = {0, 0, 1, 0,  1, 0, 16, 16, 0, 0, 1, 0,    32, 0, 40, 0, 0, 0,  22,
                                 0, 0, 0, 40, 0, 0, 0,  16, 0, 0, 0, 0xE8, 3,  0, 0,  1, 0, 32, 0};
    tall.resize(22 + 40);
    const std::pair<const char*, std::vector<uint8_t>> rows[] = {
        {"no images", with(4, 0)},
        {"directory cut short", std::vector<uint8_t>(ico.begin(), ico.begin() + 30)},
        {"offsets past the end", with(12, 0x7FFFFFF0u, true)},
        {"lengths wrapping around", with(8, 0xFFFFFFFFu, true)},
        {"more rows than stored", tall},
    };
    for (const auto& [what, data] : rows) {
        HICON large = nullptr, small = nullptr;
        EXPECT_FALSE(controls::decode_icon_pair(data.data(), uint32_t(data.size()), large, small))
            << what;
    }
    controls::Picture pic;
    EXPECT_FALSE(controls::decode_picture(tall.data(), uint32_t(tall.size()), kRed, pic));
}

TEST(Fonts, RealisedWithForcedFieldsOnlyFromSixtyBytes) {
    std::vector<uint8_t> font = logfont_bytes("Arial", -20, FW_BOLD);
    LOGFONTA* stored = reinterpret_cast<LOGFONTA*>(font.data());
    stored->lfCharSet = GB2312_CHARSET, stored->lfQuality = NONANTIALIASED_QUALITY;
    stored->lfPitchAndFamily = FIXED_PITCH, stored->lfOutPrecision = OUT_TT_ONLY_PRECIS;
    HFONT f = controls::realise_font(font);
    ASSERT_NE(f, nullptr);
    LOGFONTA back{};
    GetObjectA(f, sizeof back, &back);
    // Character set, quality, pitch and precision forced; height and weight kept.
    EXPECT_EQ((std::array<LONG, 6>{back.lfCharSet, back.lfQuality, back.lfPitchAndFamily,
                                   back.lfOutPrecision, back.lfHeight, back.lfWeight}),
              (std::array<LONG, 6>{DEFAULT_CHARSET, PROOF_QUALITY, 0, 0, -20, FW_BOLD}));
    DeleteObject(f);

    // A face name without its terminator is cut, not read past the record.
    std::memset(stored->lfFaceName, 'A', LF_FACESIZE);
    f = controls::realise_font(font);
    ASSERT_NE(f, nullptr);
    GetObjectA(f, sizeof back, &back);
    EXPECT_EQ(std::strlen(back.lfFaceName), size_t(LF_FACESIZE - 1));
    DeleteObject(f);

    for (size_t size : {0u, 59u, 61u}) {
        std::vector<uint8_t> other(size, 0);
        EXPECT_EQ(controls::realise_font(other), nullptr) << size << " bytes";
    }
    EXPECT_EQ(controls::font_or_default(nullptr), GetStockObject(DEFAULT_GUI_FONT));
    EXPECT_EQ(controls::map_back_color(0xFF000000), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(controls::map_back_color(0x00123456), 0x00123456u);
}
