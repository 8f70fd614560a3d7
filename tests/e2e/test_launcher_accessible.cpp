// The launcher's window as a screen reader meets it, from a process of its
// own: each box is named by its label's caption and is editable text, each
// label is static text named by its caption, and every query is answered.
#include <windows.h>
// After windows.h, whose types they use.
#include <oleacc.h>

#include <gtest/gtest.h>

#include <string>

#include "runtime/win32/system_text.h"
#include "tests/support/launcher.h"

using namespace vantor;
using namespace vantor::testing;

namespace {

struct Accessible {
    HRESULT found = E_FAIL, named = E_FAIL;
    std::wstring name;
    LONG role = 0;
};

// AccessibleObjectFromWindow(OBJID_CLIENT), then its name and role.
Accessible query(HWND hwnd) {
    Accessible a;
    IAccessible* object = nullptr;
    a.found = AccessibleObjectFromWindow(hwnd, DWORD(OBJID_CLIENT), IID_IAccessible,
                                         reinterpret_cast<void**>(&object));
    if (FAILED(a.found) || !object)
        return a;
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    a.named = object->get_accName(self, &name);
    if (name)
        a.name.assign(name, SysStringLen(name));
    SysFreeString(name);
    VARIANT role{};
    if (SUCCEEDED(object->get_accRole(self, &role)) && role.vt == VT_I4)
        a.role = role.lVal;
    object->Release();
    return a;
}

class LauncherAccessible : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void SetUp() override {
        ASSERT_TRUE(vantor_.ready()) << "no window titled Vantor";
        ASSERT_TRUE(settle(vantor_.window()));
    }
    Launcher vantor_;
};

TEST_F(LauncherAccessible, BoxesAreEditableTextNamedByTheirLabelsWhichAreStaticText) {
    struct Row {
        int box, label;
        const char* caption;
    } rows[] = {{kCountBox, kCountLabel, "启动模拟器数量"},
                {kWidthBox, kResolutionLabel, "分辨率 宽 "},
                {kHeightBox, kHeightLabel, "高"},
                {kDpiBox, kDpiLabel, "DPI "},
                {kPathBox, kPathLabel, "Nox.exe路径"}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.caption);
        const std::wstring caption = system_text::to_wide(r.caption);
        const Accessible box = query(vantor_.control(r.box));
        ASSERT_EQ(S_OK, box.found);
        EXPECT_EQ(S_OK, box.named);
        EXPECT_EQ(caption, box.name);
        EXPECT_EQ(ROLE_SYSTEM_TEXT, box.role);
        const Accessible label = query(vantor_.control(r.label));
        ASSERT_EQ(S_OK, label.found);
        EXPECT_EQ(caption, label.name);
        EXPECT_EQ(ROLE_SYSTEM_STATICTEXT, label.role);
    }
}

// Every query marshals a new object to this process and releases it: 1,000
// of them are all answered, and Vantor goes on answering. (Whether each object
// is freed is counted in-process, tests/win32/test_accessible.cpp: under
// Wine 8 every marshalled answer grows the answering process by about 1 KB,
// the system's standard object as much as this one.)
TEST_F(LauncherAccessible, AThousandQueriesAreAllAnswered) {
    const HWND box = vantor_.control(kPathBox), label = vantor_.control(kPathLabel);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(S_OK, query(i % 2 ? box : label).named) << "query " << i;
    EXPECT_TRUE(settle(vantor_.window()));
    EXPECT_EQ(system_text::to_wide("Nox.exe路径"), query(box).name);
}

} // namespace
