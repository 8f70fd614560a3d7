// The edit box and transparent label kinds as assistive technology meets them:
// names from the labels' captions as shown, none for a box without a label on
// its row or above, and every object released, also when marshalled to
// another apartment (as to a screen reader's process).
#include <windows.h>
// After windows.h, whose types it uses.
#include <oleacc.h>

#include <gtest/gtest.h>

#include <atomic>
#include <iterator>
#include <thread>

#include "controls/accessible.h"
#include "tests/support/test_form.h"

using namespace vantor;
using namespace vantor::testing;

TEST(Accessible, NamesFollowTheLabelsAsShownAndEveryObjectIsReleased) {
    OleInitialize(nullptr); // as the runtime's start-up does
    const ControlDesc box_left{forms::kind::EditBox, 100, 20, 80, 24, {}};
    const ControlDesc box_alone{forms::kind::EditBox, 100, 100, 80, 24, {}};
    TestForm form(window_props("Accessible"), RECT{50, 50, 320, 220},
                  {box_left, label(10, 24, 80, 16, "&Name && more"), box_alone,
                   label(190, 100, 60, 24, "right"), label(100, 140, 80, 24, "below")});
    ASSERT_TRUE(form.ok());
    form.show();
    struct Row {
        const wchar_t* name;
        LONG role;
    } rows[] = {{L"Name & more", ROLE_SYSTEM_TEXT},
                {L"Name & more", ROLE_SYSTEM_STATICTEXT},
                {L"(none)", ROLE_SYSTEM_TEXT},
                {L"right", ROLE_SYSTEM_STATICTEXT}};
    for (size_t i = 0; i < std::size(rows); ++i) {
        LONG role = 0;
        EXPECT_EQ(rows[i].name, accessible_name(form.control_hwnd(i), &role)) << i;
        EXPECT_EQ(rows[i].role, role) << i;
    }
    // A new caption names at once; a hidden label names nothing.
    form.write_text(form.control(1), props::trans_label::Caption, "年龄");
    EXPECT_EQ(L"年龄", accessible_name(form.control_hwnd(0)));
    ShowWindow(form.control_hwnd(1), SW_HIDE);
    EXPECT_EQ(L"(none)", accessible_name(form.control_hwnd(0)));

    for (int i = 0; i < 1000; ++i)
        accessible_name(form.control_hwnd(size_t(i % 4)));
    EXPECT_EQ(0, controls::accessible_objects_alive());
    std::atomic<int> named{0};
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread reader([&, label = form.control_hwnd(3)] {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        for (int i = 0; i < 100; ++i)
            named += accessible_name(label) == L"right" ? 1 : 0;
        CoUninitialize();
        SetEvent(done);
    });
    // This thread's apartment answers the reader's calls.
    while (MsgWaitForMultipleObjects(1, &done, FALSE, 10000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
        pump(0);
    reader.join();
    CloseHandle(done);
    EXPECT_EQ(100, named);
    EXPECT_EQ(0, controls::accessible_objects_alive());
}
