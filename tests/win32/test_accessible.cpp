// The edit box and transparent label kinds as assistive technology meets them
// in their own process: names from the labels' captions as shown, none for a
// box without a label on its row or above, and every object released, also
// when marshalled to another apartment.
#include <windows.h>
// After windows.h, whose types it uses.
#include <oleacc.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "controls/accessible.h"
#include "tests/support/test_form.h"

using namespace vantor;
using namespace vantor::testing;

namespace {

// The name (null: none) and role of `hwnd`'s client object.
std::wstring name_and_role(HWND hwnd, LONG& role) {
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(hwnd, DWORD(OBJID_CLIENT), IID_IAccessible,
                                          reinterpret_cast<void**>(&object))))
        return L"(no object)";
    VARIANT self{};
    self.vt = VT_I4;
    BSTR name = nullptr;
    VARIANT r{};
    std::wstring text = object->get_accName(self, &name) == S_OK && name ? name : L"(none)";
    role = SUCCEEDED(object->get_accRole(self, &r)) && r.vt == VT_I4 ? r.lVal : 0;
    SysFreeString(name);
    object->Release();
    return text;
}

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
        size_t control;
        const wchar_t* name;
        LONG role;
    } rows[] = {{0, L"Name & more", ROLE_SYSTEM_TEXT},
                {1, L"Name & more", ROLE_SYSTEM_STATICTEXT},
                {2, L"(none)", ROLE_SYSTEM_TEXT},
                {3, L"right", ROLE_SYSTEM_STATICTEXT}};
    for (const Row& r : rows) {
        LONG role = 0;
        EXPECT_EQ(r.name, name_and_role(form.control_hwnd(r.control), role)) << r.control;
        EXPECT_EQ(r.role, role) << r.control;
    }

    // A new caption names at once; a hidden label names nothing.
    LONG role = 0;
    form.write_text(form.control(1), props::trans_label::Caption, "年龄");
    EXPECT_EQ(L"年龄", name_and_role(form.control_hwnd(0), role));
    ShowWindow(form.control_hwnd(1), SW_HIDE);
    EXPECT_EQ(L"(none)", name_and_role(form.control_hwnd(0), role));

    // Asked from this thread, and from another one (an apartment of its own,
    // so the objects are marshalled as to another process): none stays alive.
    for (int i = 0; i < 1000; ++i)
        name_and_role(form.control_hwnd(size_t(i % 4)), role);
    EXPECT_EQ(0, controls::accessible_objects_alive());
    std::atomic<int> named{0};
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread reader([&, label = form.control_hwnd(3)] {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        LONG r = 0;
        for (int i = 0; i < 100; ++i)
            named += name_and_role(label, r) == L"right" ? 1 : 0;
        CoUninitialize();
        SetEvent(done);
    });
    // This thread's apartment answers the calls.
    while (MsgWaitForMultipleObjects(1, &done, FALSE, 10000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
        pump(0);
    reader.join();
    CloseHandle(done);
    EXPECT_EQ(100, named);
    EXPECT_EQ(0, controls::accessible_objects_alive());
}

} // namespace
