// The platform the program is built for: code page 936 and GBK literals.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(Platform, AnsiCodePageIsGbk) {
    EXPECT_EQ(GetACP(), 936u);
}

TEST(Platform, LiteralsAreGbkAndConvertToTheExpectedCharacters) {
    const char* text = "夜神模拟器";
    ASSERT_EQ(std::strlen(text), 10u);
    EXPECT_EQ(uint8_t(text[0]), 0xD2); // 夜 = D2 B9
    EXPECT_EQ(uint8_t(text[1]), 0xB9);
    wchar_t wide[16] = {};
    int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, -1, wide, 16);
    ASSERT_EQ(n, 6);
    EXPECT_EQ(wide[0], L'\u591C'); // 夜
    EXPECT_EQ(wide[4], L'\u5668'); // 器
}

TEST(Platform, AnsiWindowTitleRoundTrips) {
    HWND w = CreateWindowExA(0, "STATIC", "启动模拟器数量", WS_POPUP, 0, 0, 10, 10, nullptr,
                             nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(w, nullptr);
    char back[64] = {};
    GetWindowTextA(w, back, sizeof back);
    EXPECT_STREQ(back, "启动模拟器数量");
    DestroyWindow(w);
}
