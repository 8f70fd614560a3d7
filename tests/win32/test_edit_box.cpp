// The EditBox kind with real EDIT and up-down controls under Wine, created and
// driven through its interface routines as the form engine does.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "controls/edit_box.h"
#include "controls/edit_input.h"
#include "forms/win32/events.h"
#include "tests/support/win32.h"

using namespace vantor;
using namespace vantor::controls;
using namespace vantor::testing;
using forms::EditBoxProps;

namespace {

template <class R> R routine(int32_t number) {
    return kind_routine<R>(edit_box_interface, number);
}

class EditBoxTest : public ::testing::Test {
  protected:
    EditBox* make(const EditBoxProps& props, int height = 24, int width = 150) {
        auto* box = dynamic_cast<EditBox*>(
            create_unit(edit_box_interface, forms::write_block(props), host.hwnd(), width, height));
        runtime.events.clear();
        return box;
    }
    int32_t write(EditBox* box, int32_t index, uint32_t word0, uint32_t word1 = 0) {
        forms::PropValue value{word0, word1};
        int32_t recreate = routine<forms::WriteRoutine>(forms::routine::PropertyWritten)(
            box, index - forms::kFirstOwnProperty, &value, nullptr);
        pump();
        return recreate;
    }
    int32_t write_text(EditBox* box, int32_t index, const char* text) {
        return write(box, index, word_of(text));
    }
    uint32_t read(EditBox* box, int32_t index) {
        uint32_t result[2] = {};
        EXPECT_EQ(routine<forms::ReadRoutine>(forms::routine::PropertyRead)(
                      box, index - forms::kFirstOwnProperty, result),
                  1);
        return result[0];
    }
    std::string read_text(EditBox* box, int32_t index) {
        const char* text = reinterpret_cast<const char*>(uintptr_t(read(box, index)));
        return text ? text : "";
    }
    static void type(HWND edit, const char* text) {
        for (const char* p = text; *p; ++p)
            SendMessageA(edit, WM_CHAR, WPARAM(uint8_t(*p)), 1);
        pump();
    }
    static void press_spin(HWND spin, bool up) {
        RECT r;
        GetClientRect(spin, &r);
        LPARAM at = MAKELPARAM(r.right / 2, up ? r.bottom / 4 : r.bottom * 3 / 4);
        SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(spin, WM_LBUTTONUP, 0, at);
        pump();
    }
    // Focus into the box and out again, so that it normalises.
    static void focus_through(HWND edit, HWND elsewhere) {
        SetFocus(edit);
        pump();
        SetFocus(elsewhere);
        pump();
    }

    FakeRequests runtime; // declared first: it records the destructions at the end
    Host host;
};

struct StyleRow {
    const char* what;
    EditBoxProps props;
    DWORD style_on, style_off, ex_on, ex_off;
};

EditBoxProps with(void (*change)(EditBoxProps&)) {
    EditBoxProps p;
    change(p);
    return p;
}

TEST_F(EditBoxTest, CreationStylesFollowTheProperties) {
    const DWORD edges = WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_DLGMODALFRAME;
    const StyleRow rows[] = {
        {"defaults",
         {},
         ES_AUTOHSCROLL,
         ES_MULTILINE | ES_NOHIDESEL | WS_BORDER,
         WS_EX_CLIENTEDGE,
         WS_EX_STATICEDGE | WS_EX_DLGMODALFRAME},
        {"multi-line, both bars", with([](EditBoxProps& p) { p.MultiLine = 1, p.ScrollBars = 3; }),
         ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | ES_AUTOHSCROLL | WS_HSCROLL | WS_VSCROLL,
         0, 0, 0},
        {"right, read-only, no hide",
         with([](EditBoxProps& p) { p.Alignment = 2, p.InputMode = 1, p.HideSelection = 0; }),
         ES_RIGHT | ES_READONLY | ES_NOHIDESEL, ES_CENTER, 0, 0},
        {"centred, upper case",
         with([](EditBoxProps& p) { p.Alignment = 1, p.CaseConversion = 2; }),
         ES_CENTER | ES_UPPERCASE, ES_LOWERCASE, 0, 0},
        {"single line border", with([](EditBoxProps& p) { p.BorderStyle = 5; }), WS_BORDER, 0, 0,
         edges},
        {"sunken and raised", with([](EditBoxProps& p) { p.BorderStyle = 4; }), 0, WS_BORDER,
         WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME, WS_EX_STATICEDGE},
    };
    for (const StyleRow& row : rows) {
        SCOPED_TRACE(row.what);
        EditBox* box = make(row.props, 60);
        ASSERT_NE(box, nullptr);
        DWORD style = DWORD(GetWindowLongA(box->handle(), GWL_STYLE));
        DWORD ex = DWORD(GetWindowLongA(box->handle(), GWL_EXSTYLE));
        EXPECT_EQ(style & row.style_on, row.style_on) << std::hex << "style " << style;
        EXPECT_EQ(style & row.style_off, 0u) << std::hex << "style " << style;
        EXPECT_EQ(ex & row.ex_on, row.ex_on) << std::hex << "ex style " << ex;
        EXPECT_EQ(ex & row.ex_off, 0u) << std::hex << "ex style " << ex;
        DestroyWindow(box->handle());
    }
}

TEST_F(EditBoxTest, ContentWriteRaisesOneChangeEventAlsoWhenReadOnlyOrOverLimit) {
    EditBoxProps read_only;
    read_only.InputMode = 1;
    read_only.MaxLength = 3;
    for (const EditBoxProps& props : {EditBoxProps{}, read_only}) {
        EditBox* box = make(props);
        write_text(box, props::edit_box::Content, "夜神 Nox");
        EXPECT_EQ(runtime.event_numbers(), std::vector<int32_t>{kEditEventChanged});
        EXPECT_EQ(runtime.events[0].unit_id, kUnitId);
        EXPECT_EQ(window_text(box->handle()), "夜神 Nox"); // the limit only stops typing
        EXPECT_EQ(read_text(box, props::edit_box::Content), "夜神 Nox");
        runtime.events.clear();
        DestroyWindow(box->handle());
    }
}

TEST_F(EditBoxTest, TypedTextIsReadBackAndLimitedByMaxLength) {
    EditBox* box = make({});
    type(box->handle(), "C:\\Nox");
    EXPECT_EQ(read_text(box, props::edit_box::Content), "C:\\Nox");
    EXPECT_EQ(runtime.count(kEditEventChanged), 6);

    write(box, props::edit_box::MaxLength, 3);
    write_text(box, props::edit_box::Content, "");
    type(box->handle(), "12345");
    EXPECT_EQ(read_text(box, props::edit_box::Content), "123");

    write(box, props::edit_box::MaxLength, uint32_t(-5));
    EXPECT_EQ(read(box, props::edit_box::MaxLength), 0u);
    HWND reference = CreateWindowExA(0, "EDIT", "", WS_CHILD, 0, 0, 10, 10, host.hwnd(), nullptr,
                                     nullptr, nullptr);
    SendMessageA(reference, EM_LIMITTEXT, 0, 0);
    EXPECT_EQ(SendMessageA(box->handle(), EM_GETLIMITTEXT, 0, 0),
              SendMessageA(reference, EM_GETLIMITTEXT, 0, 0));
}

TEST_F(EditBoxTest, InputModesFilterTypedCharacters) {
    const std::tuple<int32_t, const char*, const char*> rows[] = {
        {0, "a1.-", "a1.-"},        {3, "1a.-2", "1-2"},  {4, "1a.-2", "1.-2"},
        {5, "-1a.2", "12"},         {6, "4x.-0", "4-0"},  {7, "-7e", "-7"},
        {8, "8 -", "8-"},           {9, "9.5f-", "9.5-"}, {10, "1,0.5", "10.5"},
        {11, "2016-11", "2016-11"},
    };
    for (const auto& [mode, typed, shown] : rows) {
        SCOPED_TRACE(mode);
        EditBoxProps props;
        props.InputMode = mode;
        EditBox* box = make(props);
        type(box->handle(), typed);
        SendMessageA(box->handle(), WM_CHAR, VK_BACK, 1); // control characters always pass
        EXPECT_EQ(window_text(box->handle()), std::string(shown, std::strlen(shown) - 1));
        DestroyWindow(box->handle());
    }
}

TEST_F(EditBoxTest, LosingTheFocusNormalisesThenRaisesLostFocus) {
    const struct {
        int32_t mode;
        const char* text;
        const char* shown;
    } rows[] = {
        {5, "300", "255"},
        {5, "-4", ""},
        {5, "12abc", "12"},
        {6, "-40000", "-32768"},
        {7, "99999999999", "2147483647"},
        {3, "0", "0"},
        {10, "0.50", "0.5"},
        {11, "2016-11-3 14:05", "2016年11月3日14时5分"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EditBoxProps props;
        props.InputMode = row.mode;
        props.Content = row.text;
        EditBox* box = make(props);
        focus_through(box->handle(), host.hwnd());
        EXPECT_EQ(window_text(box->handle()), row.shown);
        std::vector<int32_t> expected{forms::kEventGotFocus};
        if (std::strcmp(row.text, row.shown) != 0)
            expected.push_back(kEditEventChanged);
        expected.push_back(forms::kEventLostFocus);
        EXPECT_EQ(runtime.event_numbers(), expected);
        runtime.events.clear();
        DestroyWindow(box->handle());
    }
}

TEST(EditInput, NormalisationEdges) {
    EXPECT_EQ(normalise_input(8, "-9223372036854775809"), "-9223372036854775808");
    EXPECT_EQ(normalise_input(9, "3.14159265"), "3.14159");
    EXPECT_EQ(normalise_input(9, "1e39"), "inf");
    EXPECT_EQ(normalise_input(10, "-0"), "");
    EXPECT_EQ(normalise_input(11, "2016年11月3日14时5分9秒"), "2016年11月3日14时5分9秒");
    EXPECT_EQ(normalise_input(11, "1899/12/30"), ""); // the zero date
    EXPECT_EQ(normalise_input(11, "2015-2-29"), "");
    EXPECT_EQ(normalise_input(11, "1800-1-1 6:00"), "1800年1月1日6时");
    EXPECT_EQ(normalise_input(11, "12:30"), "");
}

TEST_F(EditBoxTest, LowBoxGrowsAndTallBoxCentresItsLineInItsColours) {
    EditBox* low = make({}, 4);
    HDC dc = GetDC(low->handle());
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SIZE chinese{};
    GetTextExtentPoint32A(dc, "国", 2, &chinese);
    SelectObject(dc, old);
    ReleaseDC(low->handle(), dc);
    RECT r;
    GetWindowRect(low->handle(), &r);
    EXPECT_EQ(r.bottom - r.top, chinese.cy + 2 * GetSystemMetrics(SM_CYEDGE));
    DestroyWindow(low->handle());

    EditBoxProps props;
    props.Content = "WWWW";
    props.TextColor = RGB(255, 0, 0);
    props.BackColor = RGB(0, 0, 255);
    EditBox* tall = make(props, 60);
    GetWindowRect(tall->handle(), &r);
    ASSERT_EQ(r.bottom - r.top, 60);
    Capture c = capture_redrawn(tall->handle());
    int ink_top = -1, ink_bottom = -1;
    for (int y = 3; y < c.height - 3; ++y)
        for (int x = 3; x < c.width - 3; ++x)
            if (GetRValue(c.at(x, y)) > 150 && GetBValue(c.at(x, y)) < 100) {
                if (ink_top < 0)
                    ink_top = y;
                ink_bottom = y;
            }
    ASSERT_GE(ink_top, 0) << "no text drawn";
    EXPECT_NEAR((ink_top + ink_bottom) / 2.0, c.height / 2.0, 3.0)
        << "text rows " << ink_top << " to " << ink_bottom;
    EXPECT_EQ(c.at(c.width / 2, 6), RGB(0, 0, 255)) << "band above the line";
    EXPECT_EQ(c.at(c.width - 8, c.height - 6), RGB(0, 0, 255)) << "band below the line";

    write(tall, props::edit_box::BackColor, 0xFF000000); // the button face colour
    c = capture_redrawn(tall->handle());
    EXPECT_EQ(c.at(c.width / 2, 6), GetSysColor(COLOR_BTNFACE));
}

TEST_F(EditBoxTest, PasswordMaskSwitchesLive) {
    EditBoxProps props;
    props.Content = "secret";
    EditBox* box = make(props);
    EXPECT_EQ(SendMessageA(box->handle(), EM_GETPASSWORDCHAR, 0, 0), 0);
    write(box, props::edit_box::InputMode, 2);
    EXPECT_EQ(SendMessageA(box->handle(), EM_GETPASSWORDCHAR, 0, 0), '*');
    write_text(box, props::edit_box::PasswordChar, "#?");
    EXPECT_EQ(SendMessageA(box->handle(), EM_GETPASSWORDCHAR, 0, 0), '#');
    EXPECT_EQ(read_text(box, props::edit_box::PasswordChar), "#");
    write(box, props::edit_box::InputMode, 0);
    EXPECT_EQ(SendMessageA(box->handle(), EM_GETPASSWORDCHAR, 0, 0), 0);
    write(box, props::edit_box::InputMode, 1);
    EXPECT_NE(GetWindowLongA(box->handle(), GWL_STYLE) & ES_READONLY, 0);
    write(box, props::edit_box::InputMode, 99);
    EXPECT_EQ(read(box, props::edit_box::InputMode), 11u);
    EXPECT_EQ(GetWindowLongA(box->handle(), GWL_STYLE) & ES_READONLY, 0);
}

TEST_F(EditBoxTest, SelectionFollowsTheMinusOneRules) {
    EditBoxProps props;
    props.Content = "中文abc";
    EditBox* box = make(props);
    const uint32_t length = 5; // UTF-16 units: the box is a Unicode window
    write(box, props::edit_box::SelStart, uint32_t(-1));
    EXPECT_EQ(read(box, props::edit_box::SelStart), length);
    EXPECT_EQ(read(box, props::edit_box::SelLength), 0u);
    write(box, props::edit_box::SelLength, uint32_t(-1));
    EXPECT_EQ(read(box, props::edit_box::SelStart), 0u);
    EXPECT_EQ(read_text(box, props::edit_box::SelText), "中文abc");
    write(box, props::edit_box::SelStart, uint32_t(-7));
    write(box, props::edit_box::SelLength, 1);
    EXPECT_EQ(read_text(box, props::edit_box::SelText), "中");
    write_text(box, props::edit_box::SelText, "汉");
    EXPECT_EQ(read_text(box, props::edit_box::Content), "汉文abc");
}

TEST_F(EditBoxTest, WritesAskForRecreationOnlyWhenTheStyleMustChange) {
    EditBox* box = make({});
    const struct {
        int32_t index;
        uint32_t value;
        int32_t recreate;
        uint32_t stored;
    } rows[] = {
        {props::edit_box::MultiLine, 1, 1, 1},     {props::edit_box::MultiLine, 7, 0, 1},
        {props::edit_box::ScrollBars, 9, 1, 3},    {props::edit_box::Alignment, uint32_t(-2), 0, 0},
        {props::edit_box::HideSelection, 0, 1, 0}, {props::edit_box::BorderStyle, 9, 0, 5},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.index);
        EXPECT_EQ(write(box, row.index, row.value), row.recreate);
        EXPECT_EQ(read(box, row.index), row.stored);
    }
    write_text(box, props::edit_box::DataSource, "数据源");
    EXPECT_EQ(read_text(box, props::edit_box::DataSource), "数据源");
    EXPECT_EQ(GetWindowLongA(box->handle(), GWL_STYLE) & ES_READONLY, 0); // nothing to bind to

    type(box->handle(), "typed");
    uint8_t* block = nullptr;
    uint32_t size = 0;
    ASSERT_TRUE(routine<forms::SerialiseRoutine>(forms::routine::CurrentData)(box, &block, &size));
    EditBoxProps stored;
    ASSERT_TRUE(forms::read_block(block, size, stored));
    EXPECT_EQ(stored.Content, "typed");
    EXPECT_EQ(stored.ScrollBars, 3);
    EXPECT_EQ(stored.DataSource, "数据源");
}

TEST_F(EditBoxTest, EnterIsWantedOnlyByAnEditableMultiLineBox) {
    const struct {
        int32_t multi_line, mode;
        WPARAM key;
        bool wanted;
    } rows[] = {{1, 0, VK_RETURN, true},
                {1, 2, VK_RETURN, true},
                {1, 1, VK_RETURN, false},
                {0, 0, VK_RETURN, false},
                {1, 0, VK_TAB, false}};
    for (const auto& row : rows) {
        EditBoxProps props;
        props.MultiLine = row.multi_line;
        props.InputMode = row.mode;
        EditBox* box = make(props, 60);
        MSG msg{box->handle(), WM_KEYDOWN, row.key, 0, 0, {}};
        EXPECT_EQ(routine<forms::KeyWantedRoutine>(forms::routine::KeyWanted)(box, &msg),
                  row.wanted)
            << "multi-line " << row.multi_line << " mode " << row.mode << " key " << row.key;
        if (row.wanted && row.mode == 0) {
            type(box->handle(), "a\rb");
            EXPECT_EQ(window_text(box->handle()), "a\r\nb");
        }
        DestroyWindow(box->handle());
    }
}

TEST_F(EditBoxTest, AutomaticSpinWrapsWithinItsRange) {
    EditBoxProps props;
    props.SpinMode = 1;
    props.Content = "100";
    EditBox* box = make(props);
    HWND spin = box->spin_handle();
    ASSERT_NE(spin, nullptr);
    EXPECT_EQ(GetDlgCtrlID(spin), 104);
    RECT edit_rect, spin_rect;
    GetWindowRect(box->handle(), &edit_rect);
    GetWindowRect(spin, &spin_rect);
    EXPECT_EQ(spin_rect.left, edit_rect.right);
    EXPECT_EQ(spin_rect.right - spin_rect.left, 18);
    EXPECT_EQ(spin_rect.top, edit_rect.top);
    EXPECT_EQ(spin_rect.bottom, edit_rect.bottom);
    EXPECT_TRUE(IsWindowVisible(spin));

    press_spin(spin, true);
    EXPECT_EQ(window_text(box->handle()), "0");
    press_spin(spin, false);
    EXPECT_EQ(window_text(box->handle()), "100");
    press_spin(spin, false);
    EXPECT_EQ(window_text(box->handle()), "99");
    EXPECT_EQ(runtime.count(kEditEventChanged), 3);

    write(box, props::edit_box::SpinMax, 40000); // beyond 16 bits: the arrows must not turn round
    write_text(box, props::edit_box::Content, "39999");
    press_spin(spin, true);
    EXPECT_EQ(window_text(box->handle()), "40000");

    EnableWindow(box->handle(), FALSE);
    EXPECT_FALSE(IsWindowEnabled(spin));
    ShowWindow(box->handle(), SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(spin));
    MoveWindow(box->handle(), 30, 40, 100, 30, TRUE);
    GetWindowRect(spin, &spin_rect);
    GetWindowRect(box->handle(), &edit_rect);
    EXPECT_EQ(spin_rect.left, edit_rect.right);
    EXPECT_EQ(spin_rect.bottom - spin_rect.top, 30);
}

TEST_F(EditBoxTest, ManualSpinRaisesEventOneAndLeavesTheText) {
    EditBoxProps props;
    props.SpinMode = 2;
    props.Content = "7";
    EditBox* box = make(props);
    press_spin(box->spin_handle(), true);
    press_spin(box->spin_handle(), false);
    ASSERT_EQ(runtime.event_numbers(), (std::vector<int32_t>{kEditEventSpin, kEditEventSpin}));
    EXPECT_EQ(runtime.events[0].args, std::vector<uint32_t>{1u});
    EXPECT_EQ(runtime.events[1].args, std::vector<uint32_t>{uint32_t(-1)});
    EXPECT_EQ(window_text(box->handle()), "7");
}

TEST_F(EditBoxTest, DestructionIsReportedOnceAndTakesTheSpinAlong) {
    EditBoxProps props;
    props.SpinMode = 1;
    EditBox* box = make(props);
    HWND spin = box->spin_handle();
    DestroyWindow(box->handle());
    EXPECT_FALSE(IsWindow(spin));
    EXPECT_EQ(runtime.destroyed,
              (std::vector<std::pair<uint32_t, uint32_t>>{{kWindowId, kUnitId}}));
}

} // namespace
