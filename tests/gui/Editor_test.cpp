// The profile editor: its tabs, and what Apply and Done commit.
#include <gtest/gtest.h>

#include "tests/gui/support/AdminTest.h"

namespace {

class EditorTest : public AdminTest {
protected:
    // The editor on the Default profile, from the Administration screen.
    HWND OpenDefaultProfile() {
        OpenSettingsAsAdmin();
        const HWND hAdmin = Screen("Administration");
        if (hAdmin == nullptr) {
            return nullptr;
        }
        gui::Click(hAdmin, IDC_ADMIN_MODIFY_DEFAULT);
        return Screen("Modifying Default Profile");
    }
    static bool IsTabShown(HWND hEditor, int nTab) {
        const HWND hTab = gui::DescendantItem(hEditor, nTab);
        return hTab != nullptr && ::IsWindowVisible(hTab) != FALSE;
    }
};

TEST_F(EditorTest, TheDefaultProfileHasTwoTabsAndApplyWithoutAChangeSaysNothing) {
    const HWND hEditor = OpenDefaultProfile();
    ASSERT_NE(hEditor, nullptr);
    EXPECT_TRUE(IsTabShown(hEditor, IDC_TAB_CATEGORY));
    EXPECT_TRUE(IsTabShown(hEditor, IDC_TAB_ADVANCED));
    EXPECT_EQ(gui::DescendantItem(hEditor, IDC_TAB_USER), nullptr);
    SeenElsewhere("update");  // the login's own
    gui::Screenshot(hEditor, "editor-default-profile");

    gui::Click(hEditor, IDC_EDITOR_APPLY);
    ::SendMessageA(hEditor, WM_NULL, 0, 0);
    EXPECT_FALSE(HasMessage(hEditor));
    gui::Click(hEditor, IDC_EDITOR_DONE);
    ASSERT_TRUE(Gone(hEditor));
    EXPECT_NE(Screen("Administration"), nullptr);
    EXPECT_FALSE(HasMessage(hEditor));
    EXPECT_EQ(SeenElsewhere("update"), "update 0");
}

TEST_F(EditorTest, EscapeGoesBackAndTheCloseBoxHidesEverything) {
    HWND hEditor = OpenDefaultProfile();
    ASSERT_NE(hEditor, nullptr);
    Escape(hEditor);
    const HWND hAdmin = Screen("Administration");
    ASSERT_NE(hAdmin, nullptr);
    gui::Click(hAdmin, IDC_ADMIN_MODIFY_DEFAULT);
    hEditor = Screen("Modifying Default Profile");
    ASSERT_NE(hEditor, nullptr);
    CloseBox(hEditor);
    ASSERT_TRUE(Gone(hEditor));
    EXPECT_EQ(m_program->Dialog("Administration", 500), nullptr);
    EXPECT_FALSE(::IsWindowVisible(m_hLogin));
}

}  // namespace
