// The Administration screen and the chain of screens behind "Settings".
#include <gtest/gtest.h>

#include "tests/gui/support/AdminTest.h"

namespace {

using AdminScreenTest = AdminTest;

TEST_F(AdminScreenTest, EscapeReturnsToTheLoginWindowAndCloseLeavesOnlyTheTray) {
    OpenSettingsAsAdmin();
    HWND hAdmin = Screen("Administration");
    ASSERT_NE(hAdmin, nullptr);
    EXPECT_TRUE(gui::BecomesHidden(m_hLogin));
    gui::Screenshot(hAdmin, "administration");
    Escape(hAdmin);
    ASSERT_TRUE(gui::WaitUntil([&] { return ::IsWindowVisible(m_hLogin) != FALSE; }));

    gui::Click(m_hLogin, IDC_LOGIN_SETTINGS);
    hAdmin = Screen("Administration");
    ASSERT_NE(hAdmin, nullptr);
    CloseBox(hAdmin);
    ASSERT_TRUE(Gone(hAdmin));
    EXPECT_TRUE(gui::BecomesHidden(m_hLogin));
    EXPECT_FALSE(m_program->HasEnded(0));
}

TEST_F(AdminScreenTest, TheTrayCannotOpenASecondChainOrLogOutUnderAnOpenScreen) {
    OpenSettingsAsAdmin();
    const HWND hAdmin = Screen("Administration");
    ASSERT_NE(hAdmin, nullptr);
    EXPECT_TRUE(gui::CommandNow(m_hLogin, ID_TRAY_SETTINGS));
    EXPECT_TRUE(gui::CommandNow(m_hLogin, ID_TRAY_LOGOUT));
    EXPECT_EQ(gui::WindowsOf(m_program->Pid(), "#32770").size(), 2u);  // login, Administration
    EXPECT_TRUE(gui::BecomesHidden(m_hLogin));
    EXPECT_EQ(UserSeenElsewhere(), "user admin");
}

TEST_F(AdminScreenTest, APlainUserGetsOnlyPersonalSettingsOverTheLoginWindow) {
    OpenSettingsAs("kid", "chess");
    const HWND hPersonal = Screen("Personal Settings");
    ASSERT_NE(hPersonal, nullptr);
    EXPECT_TRUE(gui::BecomesVisible(m_hLogin));
    EXPECT_EQ(m_program->Dialog("Administration", 0), nullptr);
}

TEST_F(AdminScreenTest, FilteringOffAndOnIsSavedOncePerClick) {
    OpenSettingsAsAdmin();
    const HWND hAdmin = Screen("Administration");
    ASSERT_NE(hAdmin, nullptr);
    EXPECT_EQ(::IsDlgButtonChecked(hAdmin, IDC_ADMIN_FILTER_ON), BST_CHECKED);
    gui::Click(hAdmin, IDC_ADMIN_FILTER_OFF);
    gui::Click(hAdmin, IDC_ADMIN_APPLY);
    EXPECT_EQ(TakeMessage(hAdmin), "New Settings Saved Successfully");
    EXPECT_EQ(SeenElsewhere("filteroff"), "filteroff 1");
    // Nothing clicked since: nothing to save, nothing said.
    EXPECT_TRUE(gui::ClickNow(hAdmin, IDC_ADMIN_APPLY));
    EXPECT_FALSE(HasMessage(hAdmin));

    ASSERT_TRUE(gui::ClickNow(hAdmin, IDC_ADMIN_FILTER_ON));
    EXPECT_EQ(::IsDlgButtonChecked(hAdmin, IDC_ADMIN_FILTER_ON), BST_CHECKED);
    EXPECT_EQ(::IsDlgButtonChecked(hAdmin, IDC_ADMIN_FILTER_OFF), BST_UNCHECKED);
    gui::Click(hAdmin, IDC_ADMIN_APPLY);
    EXPECT_EQ(TakeMessage(hAdmin), "New Settings Saved Successfully");
    EXPECT_EQ(SeenElsewhere("filteroff"), "filteroff 0");
}

}  // namespace
