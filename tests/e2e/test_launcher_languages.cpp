// The launcher on a system of any language (ctest runs it under several code
// pages): its texts cross to the system right. The captions read with the
// wide functions are the stored texts; a path in any script, typed, picked or
// given on the command line, starts the right program quoted, and the
// stand-in's Unicode window "夜神模拟器1" is found within the usual time.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "runtime/win32/system_text.h"
#include "tests/support/automation.h"
#include "tests/support/launcher.h"
#include "tests/unit/launcher_units.h"

using namespace vantor;
using namespace vantor::testing;

namespace {

// A control's text as the system holds it: asked with the wide message (the
// text of another process's edit box is not read by GetWindowTextW).
std::wstring wide_text(HWND hwnd) {
    wchar_t text[256] = {};
    SendMessageW(hwnd, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
    return text;
}

TEST(Languages, RunsUnderTheCodePageOfItsLanguage) {
    EXPECT_EQ(GetACP(), expected_code_page());
}

TEST(Languages, CaptionsReadWithTheWideFunctionsAreTheStoredTexts) {
    Launcher vantor;
    ASSERT_TRUE(vantor.ready());
    EXPECT_EQ(wide_text(vantor.window()), L"Vantor");
    using namespace launcher_units;
    int captions = 0;
    for (size_t index = 1; index < kUnitCount; ++index) {
        const Unit& u = kUnits[index];
        if (!u.caption)
            continue;
        SCOPED_TRACE(u.name);
        HWND control = vantor.control(100 + 10 * int(kUnitCount - 1 - index));
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(wide_text(control), system_text::to_wide(u.caption));
        ++captions;
    }
    EXPECT_EQ(captions, 7); // two buttons, five labels
    // "启动" itself, so that a wrong table cannot hide a wrong conversion.
    EXPECT_EQ(wide_text(vantor.control(kStartButton)), L"\x542F\x52A8");
}

// Folder names in any script, Chinese and those GBK lacks, each with a blank:
// the path is quoted, and a decoy at the part before the blank is what the
// system would start for it unquoted (or for a name that lost its letters).
struct ScriptFolder {
    const char* name;
    const wchar_t* folder;
    const wchar_t* decoy;
};
const ScriptFolder kFolders[] = {
    {"Chinese", L"\x6A21\x62DF\x5668 \x76EE\x5F55", L"\x6A21\x62DF\x5668.exe"}, // 模拟器 目录
    {"Western", L"J\xF6rg M\xFCller \xC7\xDF\xF1\xC9", L"J\xF6rg.exe"},
    {"Vietnamese",
     L"Th\x01B0 m\x1EE5"
     L"c \x01A1",
     L"Th\x01B0.exe"},
    {"Korean", L"\xD55C\xAD6D \xD3F4\xB354", L"\xD55C\xAD6D.exe"},
    {"Emoji", L"Emu \xD83D\xDCC1", L"Emu.exe"},
};

// Typed into the box, given as /path: to a Vantor.exe that itself lies in
// the folder, or picked with the open-file dialog.
enum class Way { Typed, CommandLine, Picked };

using FolderCase = std::tuple<ScriptFolder, Way>;

class FoldersInAnyScript : public ::testing::TestWithParam<FolderCase> {};

TEST_P(FoldersInAnyScript, StartTheEmulatorThere) {
    const auto& [f, way] = GetParam();
    TempDirectory root("vantor");
    ASSERT_FALSE(root.path().empty());
    const std::string folder = root.path() + system_text::from_wide(f.folder) + "\\";
    const std::string nox = folder + "Nox.exe";
    ASSERT_TRUE(CreateDirectoryW(system_text::to_wide(folder).c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(system_text::to_wide(standin_exe()).c_str(),
                          system_text::to_wide(nox).c_str(), TRUE));
    ASSERT_TRUE(CopyFileW(system_text::to_wide(decoy_exe()).c_str(),
                          (system_text::to_wide(root.path()) + f.decoy).c_str(), TRUE));

    StandinLog log;
    LaunchSettings s = example_settings("1");
    s.path = nox;
    std::vector<LogEntry> starts;
    if (way == Way::CommandLine) {
        const std::string vantor = folder + "Vantor.exe";
        ASSERT_TRUE(CopyFileW(system_text::to_wide(vantor_exe()).c_str(),
                              system_text::to_wide(vantor).c_str(), TRUE));
        Program program;
        ASSERT_TRUE(program.start("\"" + vantor + "\" /count:1 /width:" + s.width +
                                  " /height:" + s.height + " /dpi:" + s.dpi + " \"/path:" + nox +
                                  "\" /start /exit"));
        EXPECT_EQ(0u, program.wait_exit(kSequenceMs)) << "exit code (259: still running)";
        starts = log.settled_starts();
    } else {
        Launcher vantor;
        ASSERT_TRUE(vantor.ready());
        if (way == Way::Picked) {
            s.path.clear();
            ASSERT_TRUE(vantor.fill(s));
            vantor.press_import();
            HWND dialog = vantor.wait_dialog(kOpenMs);
            ASSERT_NE(nullptr, dialog) << "no file dialog";
            ASSERT_TRUE(file_dialog_choose(dialog, nox));
            ASSERT_TRUE(wait_window_gone(dialog, 5000));
            vantor.press_start();
        } else {
            ASSERT_TRUE(vantor.start(s)) << "the path box does not read back the typed path";
        }
        EXPECT_EQ(hex_bytes(vantor.wait_content(kPathBox, nox)), hex_bytes(nox));
        starts = starts_after(log, vantor.window(), 2, kSequenceMs);
    }
    const std::string program = "\"" + nox + "\"";
    EXPECT_EQ(listing({first_pass_line(program, 1, s), second_pass_line(program, 1)}),
              listing(command_lines(starts)));
    for (const LogEntry& e : starts)
        EXPECT_EQ("Nox.exe", e.field("exe")) << "started instead: " << e.rest("cmd");
}

std::string folder_case_name(const ::testing::TestParamInfo<FolderCase>& row) {
    const char* ways[] = {"Typed", "CommandLine", "Picked"};
    return std::string(std::get<0>(row.param).name) + ways[int(std::get<1>(row.param))];
}

INSTANTIATE_TEST_SUITE_P(Languages, FoldersInAnyScript,
                         ::testing::Combine(::testing::ValuesIn(kFolders),
                                            ::testing::Values(Way::Typed, Way::CommandLine)),
                         folder_case_name);
INSTANTIATE_TEST_SUITE_P(Picker, FoldersInAnyScript,
                         ::testing::Combine(::testing::Values(kFolders[1], kFolders[4]),
                                            ::testing::Values(Way::Picked)),
                         folder_case_name);

// A lone surrogate names no character: the box reads "?" for it, and a path
// with a wildcard names no file. Unquoted, the system would start
// "<tmp>\My.exe" for "<tmp>\My <lone>\Nox.exe"; the launch fails with its
// message instead, and nothing is started.
TEST(Languages, PathWithALoneSurrogateStartsNothing) {
    TempDirectory root("vantor");
    ASSERT_FALSE(root.path().empty());
    ASSERT_TRUE(CopyFileW(system_text::to_wide(decoy_exe()).c_str(),
                          system_text::to_wide(root.path() + "My.exe").c_str(), TRUE));

    StandinLog log;
    Launcher vantor;
    ASSERT_TRUE(vantor.fill(example_settings("1")));
    HWND path_box = vantor.control(kPathBox);
    clear_text(path_box);
    const std::wstring typed = system_text::to_wide(root.path()) + L"My \xD800\\Nox.exe";
    for (wchar_t c : typed)
        PostMessageW(path_box, WM_CHAR, c, 1);
    const std::string shown = root.path() + "My ?\\Nox.exe";
    ASSERT_EQ(hex_bytes(vantor.wait_content(kPathBox, shown)), hex_bytes(shown));
    vantor.press_start();

    HWND box = vantor.wait_dialog(kOpenMs);
    ASSERT_NE(nullptr, box) << "no message box";
    EXPECT_EQ(message_box_text(box).rfind("无法启动模拟器：", 0), 0u) << message_box_text(box);
    press_dialog_button(box, IDOK);
    EXPECT_EQ(listing({}),
              listing(command_lines(starts_after(log, vantor.window(), 0, kSequenceMs))));
}

} // namespace
