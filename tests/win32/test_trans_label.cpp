// The TransLabel kind on the screen: no background of its own, text effects,
// alignment, redrawing through so that changed or moved text leaves no trace,
// and the system's colours in high contrast.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>

#include "controls/kinds.h"
#include "controls/trans_label.h"
#include "runtime/allocator.h"
#include "tests/support/test_form.h"

using namespace vantor;
using namespace vantor::testing;

namespace {

forms::TransLabelProps label_props(const char* caption, uint32_t color = 0, int effect = 0) {
    forms::TransLabelProps l;
    l.Caption = caption;
    l.TextColor = color;
    l.TextEffect = effect;
    l.Font = logfont_bytes("Tahoma", -24, FW_BOLD);
    return l;
}

std::string box(RECT r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" +
           std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

RECT offset(RECT r, int d) {
    return RECT{r.left + d, r.top + d, r.right + d, r.bottom + d};
}

// Pixels that differ between two areas of the same size.
int differing(const Capture& c, RECT a, RECT b) {
    int n = 0;
    for (int y = 0; y < a.bottom - a.top; ++y)
        for (int x = 0; x < a.right - a.left; ++x)
            n += c.at(a.left + x, a.top + y) != c.at(b.left + x, b.top + y);
    return n;
}

// The test answers "is high contrast on" (Wine never reports it) while it lives.
struct ContrastAnswer {
    explicit ContrastAnswer(bool on) {
        controls::answer_high_contrast(on ? +[] { return true; } : +[] { return false; });
    }
    ~ContrastAnswer() { controls::answer_high_contrast(nullptr); }
};

// Labels as the launcher stores them (black, default font), in the window's
// own colour, in red with each effect.
constexpr struct {
    uint32_t color;
    int effect;
} kContrastRows[] = {{kBlack, 0}, {kGreen, 0}, {kRed, 0}, {kRed, 1}, {kRed, 2}, {kRed, 3}};

} // namespace

TEST(TransLabelPaint, EmptyCaptionDrawsNothingAtAll) {
    TestForm form(window_props("Labels", kGreen), RECT{50, 50, 300, 200},
                  {label(10, 10, 200, 40, label_props("", kRed))});
    ASSERT_TRUE(form.ok());
    form.show();
    Capture c = capture_client(form.hwnd());
    RECT r = rect_in_parent(form.control_hwnd(0));
    EXPECT_EQ(c.count_not(kGreen, r.left, r.top, r.right, r.bottom), 0)
        << "the window's background shows through the whole label " << box(r);
    EXPECT_EQ(SendMessageA(form.control_hwnd(0), WM_NCHITTEST, 0, MAKELPARAM(70, 70)),
              HTTRANSPARENT);
    EXPECT_NE(GetWindowLongA(form.control_hwnd(0), GWL_EXSTYLE) & WS_EX_TRANSPARENT, 0);
}

TEST(TransLabelPaint, ShortenedCaptionAndMovedLabelLeaveNoTrace) {
    TestForm form(window_props("Labels", kWhite), RECT{50, 50, 360, 200},
                  {label(10, 10, 300, 40, label_props("WWWWWWWWWW", kBlack))});
    form.show();
    UnitObject* l = form.control(0);
    RECT r = rect_in_parent(form.control_hwnd(0));
    Capture before = capture_client(form.hwnd());
    before.save("label_long");
    const int right_part = r.left + 60; // well past the first "W"
    ASSERT_GT(before.count_not(kWhite, right_part, r.top, r.right, r.bottom), 50);

    EXPECT_EQ(form.write_text(l, props::trans_label::Caption, "W"), 0);
    pump(20);
    Capture after = capture_client(form.hwnd());
    after.save("label_shortened");
    EXPECT_EQ(after.count_not(kWhite, right_part, r.top, r.right, r.bottom), 0)
        << "old text left behind";
    EXPECT_GT(after.count_not(kWhite, r.left, r.top, right_part, r.bottom), 20) << "new text drawn";

    // Moving the label repaints where it was.
    SetWindowPos(form.control_hwnd(0), nullptr, 10, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    pump(20);
    Capture moved = capture_client(form.hwnd());
    EXPECT_EQ(moved.count_not(kWhite, r.left, r.top, r.right, r.bottom), 0)
        << "trace at the old place";
    EXPECT_GT(moved.count_not(kWhite, 10, 100, 70, 140), 20) << "drawn at the new place";
}

TEST(TransLabelPaint, TextEffectsPlaceTheCopyAndTheMainText) {
    struct Row {
        int effect;
        int text_shift; // where the main text is, against effect 0
        COLORREF copy;  // colour of the copy
        int copy_shift; // its offset against the main text of effect 0
    } rows[] = {{1, 0, kWhite, 1}, {2, 1, kWhite, 0}, {3, 0, kBlack, 2}};
    RECT plain;
    {
        TestForm form(window_props("Labels", kBlue), RECT{50, 50, 300, 120},
                      {label(10, 10, 200, 40, label_props("HH", kRed, 0))});
        form.show();
        Capture c = capture_client(form.hwnd());
        plain = c.bounds_of(kRed);
        ASSERT_GT(plain.right - plain.left, 10) << "no text found";
        EXPECT_EQ(c.count_of(kWhite, 0, 0, c.width, c.height), 0);
    }
    for (const Row& row : rows) {
        TestForm form(window_props("Labels", kBlue), RECT{50, 50, 300, 120},
                      {label(10, 10, 200, 40, label_props("HH", kRed, row.effect))});
        form.show();
        Capture c = capture_client(form.hwnd());
        if (row.effect == 2)
            c.save("label_effect2");
        EXPECT_EQ(box(c.bounds_of(kRed)), box(offset(plain, row.text_shift)))
            << "TextEffect " << row.effect;
        // The main text covers the copy except along the copy's outer edges: its
        // right and bottom when it lies behind, its left and top when in front.
        RECT copy = c.bounds_of(row.copy);
        if (row.copy_shift > 0) {
            EXPECT_EQ(copy.right, plain.right + row.copy_shift) << "TextEffect " << row.effect;
            EXPECT_EQ(copy.bottom, plain.bottom + row.copy_shift) << "TextEffect " << row.effect;
        } else {
            EXPECT_EQ(copy.left, plain.left) << "TextEffect " << row.effect;
            EXPECT_EQ(copy.top, plain.top) << "TextEffect " << row.effect;
        }
    }
}

TEST(TransLabelPaint, AlignmentAndWordWrapPlaceTheText) {
    struct Row {
        int h, v, wrap;
        bool right, bottom; // text in the right half, in the lower half
    } rows[] = {
        {0, 0, 0, false, false}, {2, 2, 0, true, true},   {2, 0, 0, true, false},
        {0, 2, 0, false, true},  {0, 2, 1, false, false}, // word wrap starts at the top
        {9, 9, 0, false, false},                          // out of range: left, top
    };
    for (const Row& row : rows) {
        forms::TransLabelProps p = label_props("Hi", kRed);
        p.HAlign = row.h;
        p.VAlign = row.v;
        p.WordWrap = row.wrap;
        TestForm form(window_props("Labels", kWhite), RECT{50, 50, 320, 220},
                      {label(10, 10, 240, 120, p)});
        form.show();
        Capture c = capture_client(form.hwnd());
        RECT text = c.bounds_of(kRed);
        ASSERT_GT(text.right, 0) << "row h" << row.h << " v" << row.v;
        EXPECT_EQ(text.left > 10 + 120, row.right)
            << "HAlign " << row.h << " VAlign " << row.v << " WordWrap " << row.wrap << " at "
            << box(text);
        EXPECT_EQ(text.top > 10 + 60, row.bottom)
            << "HAlign " << row.h << " VAlign " << row.v << " WordWrap " << row.wrap << " at "
            << box(text);
    }
    EXPECT_EQ(controls::trans_label_format(1, 1, 0),
              UINT(DT_NOCLIP | DT_CENTER | DT_SINGLELINE | DT_VCENTER));
}

TEST(TransLabelProperties, WritesClampReadBackAndNeverAskForRecreation) {
    TestForm form(window_props("Labels", kWhite), RECT{50, 50, 300, 200},
                  {label(10, 10, 200, 40, label_props("x"))});
    UnitObject* l = form.control(0);
    form.expect_read_back(l, {{props::trans_label::TextEffect, 7, 3},
                              {props::trans_label::TextEffect, -1, 0},
                              {props::trans_label::HAlign, 5, 2},
                              {props::trans_label::HAlign, -2, 0},
                              {props::trans_label::VAlign, 3, 2},
                              {props::trans_label::VAlign, -9, 0},
                              {props::trans_label::WordWrap, 1, 1},
                              {props::trans_label::TextColor, 0x00123456, 0x00123456}});
    EXPECT_EQ(form.write_text(l, props::trans_label::Caption, "透明"), 0);
    EXPECT_STREQ(
        reinterpret_cast<const char*>(uintptr_t(form.read(l, props::trans_label::Caption))),
        "透明");
    char text[16];
    GetWindowTextA(form.control_hwnd(0), text, sizeof text);
    EXPECT_STREQ(text, "透明");
    EXPECT_EQ(form.read(l, props::trans_label::kCount), 0xFFFFFFFFu);

    forms::TransLabelProps back;
    ASSERT_TRUE(current_props(l, back));
    EXPECT_EQ(back.Caption, "透明");
    EXPECT_EQ(back.TextColor, 0x00123456u);
    EXPECT_EQ(back.VAlign, 0);
}

TEST(TransLabelPaint, ScreenshotOfLabelsOverAButtonFaceWindow) {
    forms::ButtonProps b;
    b.Caption = "导入EXE";
    forms::TransLabelProps l1 = label_props("Nox.exe路径");
    l1.Font.clear();
    forms::TransLabelProps l2 = label_props("效果", kRed, 1);
    TestForm form(
        window_props("Labels", 0xFF000000), RECT{50, 50, 240, 160},
        {button(120, 80, 80, 32, b), label(10, 20, 100, 24, l1), label(10, 50, 100, 30, l2)});
    form.show();
    Capture c = capture_client(form.hwnd());
    c.save("labels_and_button");
    RECT r = rect_in_parent(form.control_hwnd(1));
    EXPECT_GT(c.count_of(GetSysColor(COLOR_BTNFACE), r.left, r.top, r.right, r.bottom),
              (r.right - r.left) * (r.bottom - r.top) / 2)
        << "mostly the window's background";
    EXPECT_GT(c.count_not(GetSysColor(COLOR_BTNFACE), r.left, r.top, r.right, r.bottom), 20)
        << "with text";
}

// A green window with the rows' labels and a box in red on green: the stored
// colours, or in high contrast the system's, each label readable and alike.
TEST(TransLabelContrast, StoredColoursOutsideHighContrastTheSystemsInIt) {
    std::vector<ControlDesc> controls;
    for (const auto& row : kContrastRows) {
        forms::TransLabelProps p = label_props("Nox.exe路径", row.color, row.effect);
        p.Font.clear();
        controls.push_back(label(8, 8 + 28 * int(controls.size()), 100, 24, p));
    }
    forms::EditBoxProps edit;
    edit.Content = "WWWW";
    edit.TextColor = kRed;
    edit.BackColor = kGreen;
    controls.push_back({forms::kind::EditBox, 120, 8, 100, 24, forms::write_block(edit)});
    for (bool on : {false, true}) {
        ContrastAnswer answer(on);
        TestForm form(window_props("Contrast", kGreen), RECT{50, 50, 300, 260}, controls);
        form.show();
        Capture c = capture_client(form.hwnd());
        c.save(on ? "contrast_on" : "contrast_off");
        const COLORREF face = GetSysColor(COLOR_BTNFACE);
        for (size_t i = 0; i < std::size(kContrastRows); ++i) {
            const RECT r = rect_in_parent(form.control_hwnd(i));
            const COLORREF ink = on ? GetSysColor(COLOR_BTNTEXT) : kContrastRows[i].color;
            SCOPED_TRACE("high contrast " + std::to_string(on) + ", label " + std::to_string(i));
            EXPECT_GT(c.count_of(ink, r.left, r.top, r.right, r.bottom), 0);
            const RECT first = rect_in_parent(form.control_hwnd(0));
            const RECT plain_red = rect_in_parent(form.control_hwnd(2));
            if (on) { // readable, and drawn alike whatever is stored
                EXPECT_GT(c.count_not(face, r.left, r.top, r.right, r.bottom), 20);
                EXPECT_EQ(differing(c, r, first), 0);
            } else if (kContrastRows[i].effect != 0) {
                EXPECT_GT(differing(c, r, plain_red), 0) << "the effect is drawn";
            }
        }
        EXPECT_EQ(c.count_of(kGreen, 0, 0, c.width, c.height) > c.width * c.height / 2, !on);
        EXPECT_EQ(c.count_of(kRed, 0, 0, c.width, c.height) > 0, !on);
        const RECT box = rect_in_parent(form.control_hwnd(std::size(kContrastRows)));
        EXPECT_GT(c.count_of(on ? GetSysColor(COLOR_WINDOW) : kGreen, box.left, box.top, box.right,
                             box.bottom),
                  (box.right - box.left) * (box.bottom - box.top) / 2)
            << "the edit box's background, high contrast " << on;
    }
}

TEST(TransLabelContrast, ChangedSchemeRepaintsWithoutARestart) {
    const std::pair<UINT, WPARAM> rows[] = {{WM_SYSCOLORCHANGE, 0},
                                            {WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST}};
    for (const auto& [msg, wp] : rows) {
        std::optional<ContrastAnswer> answer(std::in_place, false);
        TestForm form(window_props("Contrast", kGreen), RECT{50, 50, 260, 120},
                      {label(8, 8, 200, 40, label_props("Nox.exe路径", kGreen))});
        form.show();
        const RECT r = rect_in_parent(form.control_hwnd(0));
        for (bool on : {true, false}) {
            answer.emplace(on); // the previous answer ends first
            SendMessageW(form.hwnd(), msg, wp, 0);
            pump(20);
            Capture c = capture_client(form.hwnd());
            EXPECT_EQ(c.count_not(kGreen, r.left, r.top, r.right, r.bottom) > 20, on)
                << "message " << hex(msg) << ", high contrast " << on;
        }
    }
}
