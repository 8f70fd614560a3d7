// The launcher's window as a screen reader meets it, from a process of its
// own: each box is editable text named by its label's caption, each label
// static text named by its caption.
#include <windows.h>
// After windows.h, whose types it uses.
#include <oleacc.h>

#include <gtest/gtest.h>

#include "runtime/win32/system_text.h"
#include "tests/support/launcher.h"

using namespace vantor::testing;

TEST(LauncherAccessible, BoxesAreEditableTextNamedByTheirLabelsWhichAreStaticText) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    Launcher vantor;
    ASSERT_TRUE(vantor.ready()) << "no window titled Vantor";
    ASSERT_TRUE(settle(vantor.window()));
    for (const LabelledBox& r : kLabelledBoxes) {
        SCOPED_TRACE(r.caption);
        const std::wstring caption = vantor::system_text::to_wide(r.caption);
        LONG role = 0;
        EXPECT_EQ(caption, accessible_name(vantor.control(r.box), &role));
        EXPECT_EQ(ROLE_SYSTEM_TEXT, role);
        EXPECT_EQ(caption, accessible_name(vantor.control(r.label), &role));
        EXPECT_EQ(ROLE_SYSTEM_STATICTEXT, role);
    }
}
