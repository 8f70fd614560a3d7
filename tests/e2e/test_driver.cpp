// The automation driver against a small target window of another process:
// typing (GBK included), clicking, message boxes, the open-file dialog, exit
// codes and screenshots. The end-to-end tests of Vantor rely on each of these.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include "tests/support/driver.h"

using namespace vantor::testing;

namespace {

constexpr DWORD kWaitMs = 10000;
enum : int { kEdit = 101, kOpen = 102, kShow = 103, kQuit = 104 };

class DriverTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(target_.start("\"" + program_directory() + "e2e_driver_target.exe\""));
        window_ = wait_top_window(target_.pid(), nullptr, "Driver target", kWaitMs);
        ASSERT_NE(nullptr, window_);
        edit_ = control_by_id(window_, kEdit);
        ASSERT_NE(nullptr, edit_);
    }

    // Clicks Show and returns the message box's text, pressing its OK.
    std::string shown_text() {
        click(control_by_id(window_, kShow));
        HWND box = wait_dialog(target_.pid(), kWaitMs);
        if (!box)
            return "(no message box)";
        std::string caption = window_text(box);
        std::string text = message_box_text(box);
        press_dialog_button(box, IDOK);
        EXPECT_TRUE(wait_window_gone(box, kWaitMs));
        EXPECT_EQ("Target", caption);
        return text;
    }

    Program target_;
    HWND window_ = nullptr;
    HWND edit_ = nullptr;
};

TEST_F(DriverTest, TypedTextArrivesByteForByte) {
    const char* texts[] = {"720", " 3", "３", "D:\\Nox\\bin\\Nox.exe", "夜神模拟器2"};
    for (const char* text : texts) {
        retype_text(edit_, text);
        EXPECT_EQ(text, window_text(edit_));
    }
    type_text(edit_, "abc");
    EXPECT_EQ(std::string("夜神模拟器2abc"), window_text(edit_)) << "typing appends";
}

TEST_F(DriverTest, ClickShowsMessageBoxWhoseTextIsRead) {
    retype_text(edit_, "夜神 1280");
    EXPECT_EQ("夜神 1280", shown_text());
}

TEST_F(DriverTest, ControlsAreFoundByOrderAndPosition) {
    EXPECT_EQ(edit_, control_by_order(window_, "Edit", 0));
    EXPECT_EQ(control_by_id(window_, kShow), control_by_order(window_, "Button", 1));
    EXPECT_EQ(nullptr, control_by_order(window_, "Edit", 1));
    RECT r = rect_in_parent(control_by_id(window_, kOpen));
    EXPECT_EQ(220, r.left);
    EXPECT_EQ(10, r.top);
    EXPECT_EQ(60, r.right - r.left);
}

TEST_F(DriverTest, FileDialogChoiceAndCancel) {
    const std::string chosen = standin_exe();
    click(control_by_id(window_, kOpen));
    HWND dialog = wait_dialog(target_.pid(), kWaitMs);
    ASSERT_NE(nullptr, dialog) << "no open-file dialog";
    ASSERT_TRUE(file_dialog_choose(dialog, chosen));
    ASSERT_TRUE(wait_window_gone(dialog, kWaitMs));
    settle(window_);
    EXPECT_EQ(chosen, window_text(edit_));

    retype_text(edit_, "typed");
    click(control_by_id(window_, kOpen));
    dialog = wait_dialog(target_.pid(), kWaitMs);
    ASSERT_NE(nullptr, dialog);
    file_dialog_cancel(dialog);
    ASSERT_TRUE(wait_window_gone(dialog, kWaitMs));
    settle(window_);
    EXPECT_EQ("typed", window_text(edit_));
}

TEST_F(DriverTest, ExitCodeIsWaitedFor) {
    retype_text(edit_, "12345");
    EXPECT_EQ(STILL_ACTIVE, target_.wait_exit(50));
    click_mouse(control_by_id(window_, kQuit));
    EXPECT_EQ(5u, target_.wait_exit(kWaitMs));
}

TEST_F(DriverTest, ScreenshotHasWindowSize) {
    const std::string path = artifact_directory() + "driver-target.bmp";
    DeleteFileA(path.c_str());
    ASSERT_TRUE(screenshot(window_, path));
    int width = 0, height = 0;
    ASSERT_TRUE(bmp_size(path, width, height));
    RECT r = screen_rect(window_);
    EXPECT_EQ(r.right - r.left, width);
    EXPECT_EQ(r.bottom - r.top, height);
    // A real capture has the caption, the buttons and the background: many
    // colours, where a failed copy gives one.
    FILE* in = std::fopen(path.c_str(), "rb");
    ASSERT_NE(nullptr, in);
    std::set<uint32_t> colours;
    std::fseek(in, 54, SEEK_SET); // file and info headers
    for (unsigned char px[3]; colours.size() < 4 && std::fread(px, 3, 1, in) == 1;) {
        colours.insert(uint32_t(px[0]) | uint32_t(px[1]) << 8 | uint32_t(px[2]) << 16);
    }
    std::fclose(in);
    EXPECT_GE(colours.size(), 4u) << "the screenshot is nearly one colour";
}

} // namespace
