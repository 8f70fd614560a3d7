// The CommonDlg kind under Wine: its hidden window and property writes, and its
// Open method with the platform's real dialogs, operated from a second thread as
// a user would (type a name, press OK or Cancel).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>

#include "controls/commands.h"
#include "controls/common_dlg.h"
#include "runtime/call.h"
#include "tests/support/driver.h"
#include "tests/support/win32.h"

using namespace vantor;
using namespace vantor::controls;
using namespace vantor::testing;
using forms::CommonDlgProps;

namespace {

TEST(FileDialogLogic, FilterListFollowsTheClosingBarsRule) {
    const std::string one_entry("EXE\0*.exe\0\0\0", 12);
    for (const char* filter : {"EXE|*.exe", "EXE|*.exe||", "EXE|*.exe|| \t\r\n"})
        EXPECT_EQ(file_dialog_filter(filter), one_entry) << filter;
    for (const char* blank : {"", " \t"})
        EXPECT_EQ(file_dialog_filter(blank), "");
    const char two[] = "文本文件 (*.txt)\0*.txt\0所有文件 (*.*)\0*.*\0\0";
    EXPECT_EQ(file_dialog_filter("文本文件 (*.txt)|*.txt|所有文件 (*.*)|*.*||"),
              std::string(two, sizeof two));
    // 0x81 0x7C is one GBK character whose second byte is "|": it stays whole.
    EXPECT_EQ(file_dialog_filter("\x81|A|*.a"), std::string("\x81|A\0*.a\0\0\0", 10));

    EXPECT_EQ(file_dialog_filter_index(1, true), 2u);
    EXPECT_EQ(file_dialog_filter_index(-5, true), 1u);
    EXPECT_EQ(file_dialog_filter_index(3, false), 0u);
}

TEST(FileDialogLogic, FileNameIsCutToTheBufferWithoutSplittingACharacter) {
    char buffer[kFileBufferSize];
    copy_truncated(buffer, sizeof buffer, std::string(300, 'a'));
    EXPECT_EQ(std::strlen(buffer), 259u);
    std::string chinese = "aa";
    for (int i = 0; i < 129; ++i)
        chinese += "国"; // 260 bytes: the last character does not fit
    copy_truncated(buffer, sizeof buffer, chinese);
    EXPECT_EQ(std::strlen(buffer), 258u);
    EXPECT_EQ(std::string(buffer), chinese.substr(0, 258));
}

TEST(FileDialogLogic, PointsAndPixelsAndTheHelpFileName) {
    for (auto [points, dpi, pixels] : {std::tuple{12, 96, 16}, std::tuple{9, 120, 15}}) {
        EXPECT_EQ(points_to_pixels(points, dpi), pixels);
        EXPECT_EQ(pixels_to_points(pixels, dpi), points);
    }
    EXPECT_EQ(default_help_file("C:\\a.b\\Vantor.exe"), "C:\\a.b\\Vantor.hlp");
    EXPECT_EQ(default_help_file("C:\\a.b\\Vantor"), "C:\\a.b\\Vantor.hlp");
}

class CommonDlgTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { OleInitialize(nullptr); } // as the runtime's start-up does

    CommonDlg* make(const CommonDlgProps& props = {}, uint32_t design_mode = 0) {
        std::vector<uint8_t> block = forms::write_block(props);
        forms::CreateParams params = create_params(block, host.hwnd(), 0, 0, 32, 32);
        params.design_mode = design_mode;
        auto* dlg = dynamic_cast<CommonDlg*>(kind_routine<forms::CreateRoutine>(
            common_dlg_interface, forms::routine::Create)(params));
        if (dlg)
            runtime.add_unit(kWindowId, kUnitId, dlg);
        return dlg;
    }
    void write(CommonDlg* dlg, int32_t index, uint32_t word0) {
        forms::PropValue value{word0, 0};
        EXPECT_EQ(kind_routine<forms::WriteRoutine>(common_dlg_interface,
                                                    forms::routine::PropertyWritten)(
                      dlg, index - forms::kFirstOwnProperty, &value, nullptr),
                  0);
    }
    uint32_t read(CommonDlg* dlg, int32_t index) {
        uint32_t result[2] = {};
        EXPECT_EQ(
            kind_routine<forms::ReadRoutine>(common_dlg_interface, forms::routine::PropertyRead)(
                dlg, index - forms::kFirstOwnProperty, result),
            1);
        return result[0];
    }
    std::string read_text(CommonDlg* dlg, int32_t index) {
        return reinterpret_cast<const char*>(uintptr_t(read(dlg, index)));
    }
    // The Open method as application code calls it, with the unit reference.
    static bool open() {
        TypedValue unit = make_unit_ref(kWindowId, kUnitId, forms::kind::CommonDlg);
        TypedValue result = call_command(&cmd_common_dlg_open, 1, &unit);
        EXPECT_EQ(result.type, type::Bool);
        return result.low != 0;
    }
    // A window unit for the help requests, found through request 2006.
    void add_window_unit() {
        auto* window = new UnitObject(kWindowId, 0, nullptr); // deletes itself with the host
        window->attach(host.hwnd());
        runtime.add_unit(kWindowId, 0, window);
    }

    FakeRequests runtime;
    Host host;
};

TEST_F(CommonDlgTest, IsAHiddenWindowOfItsOwnClassWhoseWritesClamp) {
    CommonDlg* dlg = make();
    ASSERT_NE(dlg, nullptr);
    char cls[32] = {};
    GetClassNameA(dlg->handle(), cls, sizeof cls);
    EXPECT_STREQ(cls, "_QZ_CommonDlg");
    EXPECT_FALSE(IsWindowVisible(dlg->handle()));
    EXPECT_EQ(GetWindowLongA(dlg->handle(), GWL_STYLE) & (WS_CHILD | WS_BORDER), WS_CHILD);
    CommonDlg* design = make({}, 1);
    EXPECT_NE(GetWindowLongA(design->handle(), GWL_STYLE) & WS_BORDER, 0);

    // Writes clamp and reads return the stored values.
    EXPECT_EQ(read(dlg, props::common_dlg::FileMustExist), 1u);
    // Index, written, stored.
    const std::tuple<int32_t, int32_t, int32_t> rows[] = {
        {props::common_dlg::DialogType, 9, 3},  {props::common_dlg::DialogType, -1, 0},
        {props::common_dlg::HelpCommand, 7, 5}, {props::common_dlg::FilterIndex, -5, 0},
        {props::common_dlg::FontSize, -3, 0},   {props::common_dlg::HelpContext, -7, -7}};
    for (auto [index, written, stored] : rows) {
        write(dlg, index, uint32_t(written));
        EXPECT_EQ(int32_t(read(dlg, index)), stored) << "property " << index;
    }
    write(dlg, props::common_dlg::FileName, word_of("C:\\Nox\\bin\\Nox.exe"));
    write(dlg, props::common_dlg::Title, 0); // no text is the empty text
    EXPECT_EQ(read_text(dlg, props::common_dlg::FileName), "C:\\Nox\\bin\\Nox.exe");
    EXPECT_EQ(read_text(dlg, props::common_dlg::Title), "");
}

TEST_F(CommonDlgTest, FilterEntriesAndIndexAsTheUserSeesThem) {
    // Filter, FilterIndex; the entries shown, the one selected, the first one's text.
    const std::tuple<const char*, int32_t, int, int, const char*> rows[] = {
        {"EXE|*.exe", 0, 1, 0, "EXE"},
        {"EXE|*.exe||", 0, 1, 0, "EXE"},
        {"A|*.a|B|*.b||", 1, 2, 1, "A"},
        {"A|*.a|B|*.b||", -5, 2, 0, "A"},
        {"", 3, 0, -1, ""}};
    CommonDlg* dlg = make();
    write(dlg, props::common_dlg::FileName, word_of("keep.exe"));
    for (auto [filter, index, expected_count, expected_selected, expected_first] : rows) {
        SCOPED_TRACE(filter);
        write(dlg, props::common_dlg::Filter, word_of(filter));
        write(dlg, props::common_dlg::FilterIndex, uint32_t(index));
        int count = -1, selected = -1;
        char first[64] = {};
        DialogDriver driver([&](HWND dialog) {
            HWND types = GetDlgItem(dialog, 0x470); // cmb1: the file types
            count = int(SendMessageA(types, CB_GETCOUNT, 0, 0));
            selected = int(SendMessageA(types, CB_GETCURSEL, 0, 0));
            if (count > 0)
                SendMessageA(types, CB_GETLBTEXT, 0, LPARAM(first));
            press_dialog_button(dialog, IDCANCEL);
        });
        EXPECT_FALSE(open());
        driver.stop();
        EXPECT_TRUE(driver.found());
        EXPECT_EQ(count, expected_count);
        if (expected_count) {
            EXPECT_EQ(selected, expected_selected);
        }
        EXPECT_STREQ(first, expected_first);
        EXPECT_EQ(read_text(dlg, props::common_dlg::FileName),
                  "keep.exe"); // cancel changes nothing
    }
}

std::string temp_path(const char* name) {
    char dir[MAX_PATH] = {};
    GetTempPathA(sizeof dir, dir);
    return std::string(dir) + name;
}

// Types `name` into the dialog's file name box and presses OK.
std::function<void(HWND)> choose(const std::string& name) {
    return [name](HWND dialog) {
        SendMessageA(file_name_edit(dialog), WM_SETTEXT, 0, LPARAM(name.c_str()));
        press_dialog_button(dialog, IDOK);
    };
}

TEST_F(CommonDlgTest, ConfirmedOpenAndSaveDialogsStoreTheChosenPath) {
    const std::string existing = temp_path("vantor_pick.exe"), fresh = temp_path("vantor_new.exe");
    std::fclose(std::fopen(existing.c_str(), "w"));
    DeleteFileA(fresh.c_str());
    CommonDlg* dlg = make();
    write(dlg, props::common_dlg::Filter, word_of("EXE|*.exe"));
    for (const auto& [type, path] : {std::pair{0, existing}, std::pair{1, fresh}}) { // open, save
        write(dlg, props::common_dlg::DialogType, uint32_t(type));
        {
            DialogDriver driver(choose(path));
            EXPECT_TRUE(open()) << "DialogType " << type;
        }
        EXPECT_EQ(lstrcmpiA(read_text(dlg, props::common_dlg::FileName).c_str(), path.c_str()), 0)
            << read_text(dlg, props::common_dlg::FileName);
    }
    DeleteFileA(existing.c_str());
}

TEST_F(CommonDlgTest, OpenDialogRefusesAMissingFile) {
    CommonDlg* dlg = make();
    write(dlg, props::common_dlg::FileName, word_of("keep.exe"));
    std::string refusal;
    DialogDriver driver([&refusal](HWND dialog) {
        choose(temp_path("vantor_missing.exe"))(dialog);
        if (HWND box = wait_for_dialog(5000, dialog)) { // the platform's "file not found"
            refusal = window_text(GetDlgItem(box, 0xFFFF));
            press_dialog_button(box, IDOK);
            wait_window_gone(box, 5000);
        }
        settle(dialog); // back in its loop
        press_dialog_button(dialog, IDCANCEL);
    });
    EXPECT_FALSE(open());
    EXPECT_FALSE(refusal.empty()) << "no message box refused the name";
    EXPECT_EQ(read_text(dlg, props::common_dlg::FileName), "keep.exe");
}

TEST_F(CommonDlgTest, AUnitDestroyedWhileItsDialogIsOpenIsLeftAlone) {
    CommonDlg* dlg = make();
    write(dlg, props::common_dlg::FileMustExist, 0);
    HWND unit = dlg->handle();
    DialogDriver driver([unit](HWND dialog) {
        PostMessageA(unit, WM_CLOSE, 0, 0); // the dialog's message loop destroys the unit
        wait_window_gone(unit, 5000);
        choose(temp_path("vantor_any.exe"))(dialog);
    });
    EXPECT_FALSE(open());
    EXPECT_FALSE(IsWindow(unit));
    EXPECT_EQ(runtime.destroyed.size(), 1u);
}

int CALLBACK take_face(const LOGFONTA* lf, const TEXTMETRICA*, DWORD type, LPARAM out) {
    if (!(type & TRUETYPE_FONTTYPE) || lf->lfFaceName[0] == '@')
        return 1;
    *reinterpret_cast<std::string*>(out) = lf->lfFaceName;
    return 0;
}

// The first TrueType face of this system.
std::string installed_face() {
    std::string face;
    LOGFONTA any{};
    any.lfCharSet = DEFAULT_CHARSET;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExA(screen, &any, take_face, LPARAM(&face), 0);
    ReleaseDC(nullptr, screen);
    return face;
}

TEST_F(CommonDlgTest, FontDialogRoundTripsPointsThroughPixels) {
    CommonDlgProps props;
    props.DialogType = 2;
    props.FontSize = 12;
    props.Bold = 1;
    props.FontName = installed_face();
    ASSERT_FALSE(props.FontName.empty());
    CommonDlg* dlg = make(props);
    std::string size_shown;
    {
        DialogDriver driver([&size_shown](HWND dialog) {
            char text[16] = {};
            GetWindowTextA(FindWindowExA(GetDlgItem(dialog, 0x472), nullptr, "Edit", nullptr), text,
                           sizeof text); // cmb3: the size box
            size_shown = text;
            press_dialog_button(dialog, IDOK);
        });
        EXPECT_TRUE(open());
    }
    EXPECT_EQ(size_shown, "12");
    EXPECT_EQ(read(dlg, props::common_dlg::FontSize), 12u);
    EXPECT_EQ(read(dlg, props::common_dlg::Bold), 1u);
    EXPECT_EQ(read_text(dlg, props::common_dlg::FontName), props.FontName);
}

TEST_F(CommonDlgTest, DialogTypeNineIsAHelpRequest) {
    CommonDlg* dlg = make();
    write(dlg, props::common_dlg::DialogType, 9);
    EXPECT_FALSE(open()) << "the window is not loaded";
    add_window_unit();
    // No help file, and none next to the program: no help and no dialog.
    DialogDriver driver([](HWND dialog) { press_dialog_button(dialog, IDCANCEL); });
    EXPECT_FALSE(open());
    write(dlg, props::common_dlg::HelpFile, word_of("Z:\\nowhere\\missing.hlp"));
    EXPECT_FALSE(open());
    driver.stop();
    EXPECT_FALSE(driver.found());
    EXPECT_EQ(GetPropW(host.hwnd(), kHelpOpenProp), nullptr);

    write(dlg, props::common_dlg::HelpCommand, 5); // closing help needs no file
    EXPECT_TRUE(open());
}

TEST_F(CommonDlgTest, OpenOfAMissingUnitGivesFalse) {
    make();
    runtime.units.clear();
    EXPECT_FALSE(open());
}

} // namespace
