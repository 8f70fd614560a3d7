// The import button: a confirmed choice in the open-file dialog is written
// into the path box; a cancelled dialog leaves the box as it is.
#include <gtest/gtest.h>

#include "tests/support/launcher.h"

using namespace vantor::testing;

namespace {

class Picker : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(vantor_.ready()) << "no window titled Vantor"; }

    // Presses 导入EXE and returns the open-file dialog it opens.
    HWND open_dialog() {
        vantor_.press_import();
        return vantor_.wait_dialog(kOpenMs);
    }

    // Chooses `file` in the dialog of the import button; the path box then
    // shows it and the dialog is gone.
    void choose(const std::string& file) {
        HWND dialog = open_dialog();
        ASSERT_NE(nullptr, dialog) << "no file dialog";
        ASSERT_TRUE(file_dialog_choose(dialog, file));
        ASSERT_EQ(file, vantor_.wait_content(kPathBox, file));
        ASSERT_TRUE(wait_window_gone(dialog, 5000));
    }

    Launcher vantor_;
    // Two files that exist: a choice is not checked to be the emulator.
    const std::string first_ = standin_exe();
    const std::string second_ = decoy_exe();
};

TEST_F(Picker, ChosenFileReplacesTypedPath) {
    ASSERT_EQ("C:\\typed\\by\\hand.exe", vantor_.enter(kPathBox, "C:\\typed\\by\\hand.exe"));
    choose(first_);
}

TEST_F(Picker, LaterChoiceReplacesEarlierChoice) {
    ASSERT_NO_FATAL_FAILURE(choose(first_));
    ASSERT_NO_FATAL_FAILURE(choose(second_));
}

// Cancelling keeps a path typed by hand, before any choice and after one.
class PickerCancel : public Picker, public ::testing::WithParamInterface<bool> {};

TEST_P(PickerCancel, KeepsThePathTypedByHand) {
    if (GetParam())
        ASSERT_NO_FATAL_FAILURE(choose(first_));
    ASSERT_EQ("D:\\edited.exe", vantor_.enter(kPathBox, "D:\\edited.exe"));
    HWND dialog = open_dialog();
    ASSERT_NE(nullptr, dialog) << "no file dialog";
    file_dialog_cancel(dialog);
    ASSERT_TRUE(wait_window_gone(dialog, 5000)) << "the dialog stays after cancel";
    ASSERT_TRUE(settle(vantor_.window()));
    EXPECT_EQ("D:\\edited.exe", vantor_.content(kPathBox));
}

INSTANTIATE_TEST_SUITE_P(Picker, PickerCancel, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& row) {
                             return std::string(row.param ? "AfterAChoice" : "First");
                         });

} // namespace
