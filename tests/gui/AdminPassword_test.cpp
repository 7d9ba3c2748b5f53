// The installer's step: the administrator's password set at installation and proved at
// removal, and what the installer reads back in "NeedToExit".
#include <gtest/gtest.h>

#include "Api/RegFile.h"
#include "gui/res/resource.h"
#include "tests/gui/support/GuiTest.h"

namespace {

class AdminPasswordTest : public ::testing::Test {
protected:
    // bInstall: a fresh installation without an administrator, the program started with
    // "Install"; otherwise one with the administrator, started with "UnInstall".
    void Start(bool bInstall) {
        m_install.emplace(bInstall ? "" : "secret");
        ::RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kProductKeyPath, "NeedToExit");
        m_program.emplace(bInstall ? "Install" : "UnInstall");
        m_hDialog = m_program->Dialog("Parental Control");
        ASSERT_NE(m_hDialog, nullptr);
        ASSERT_TRUE(gui::WaitUntil([&] { return ::IsWindowVisible(m_hDialog) != FALSE; }));
    }
    void Enter(const std::string& strPassword, const std::string& strConfirm = "") const {
        gui::TypeText(m_hDialog, IDC_ADMINPW_PASSWORD, strPassword);
        gui::TypeText(m_hDialog, IDC_ADMINPW_CONFIRM, strConfirm);
        gui::Click(m_hDialog, IDOK);
    }
    std::string TakeMessage() const { return m_program->TakeMessage(m_hDialog); }

    std::optional<CFreshInstallation> m_install;
    std::optional<CGuiProgram> m_program;
    HWND m_hDialog = nullptr;
};

TEST_F(AdminPasswordTest, InstallModeAsksForThePasswordTwice) {
    Start(true);
    EXPECT_EQ(gui::ItemText(m_hDialog, IDC_ADMINPW_NAME), "admin");
    EXPECT_TRUE(gui::IsItemVisible(m_hDialog, IDC_ADMINPW_CONFIRM));
    EXPECT_TRUE(gui::IsItemVisible(m_hDialog, IDC_ADMINPW_CONFIRM_LABEL));
    EXPECT_FALSE(gui::IsItemVisible(m_hDialog, IDCANCEL));
    EXPECT_EQ(gui::ItemText(m_hDialog, IDC_ADMINPW_NOTE),
              "Please save this password securly if this password is lost/forgotten "
              "uninstallation or change in settings will not be possible.");
    gui::Screenshot(m_hDialog, "install-password");
}

TEST_F(AdminPasswordTest, InstallModeRefusesAnEmptyOrUnconfirmedPassword) {
    Start(true);
    Enter("");
    EXPECT_EQ(TakeMessage(), "Please enter password");
    Enter("Secret", "secret");
    EXPECT_EQ(TakeMessage(),
              "The password was not correctly confirmed. Please ensure that the password and "
              "confirmation match exactly.");
    EXPECT_EQ(gui::ItemText(m_hDialog, IDC_ADMINPW_PASSWORD), "");
    EXPECT_EQ(gui::ItemText(m_hDialog, IDC_ADMINPW_CONFIRM), "");
    EXPECT_EQ(gui::FocusedItemOf(m_hDialog), ::GetDlgItem(m_hDialog, IDC_ADMINPW_PASSWORD));
    EXPECT_FALSE(m_program->HasEnded(0));
    EXPECT_EQ(IsUserExists("admin"), 0);
}

TEST_F(AdminPasswordTest, InstallModeCreatesTheAdministratorWithTwentyCharacters) {
    Start(true);
    const std::string strPassword = "abcdefghij0123456789";
    Enter(strPassword + "xyz", strPassword + "xyz");  // the fields stop at twenty
    ASSERT_TRUE(m_program->HasEnded());
    EXPECT_EQ(NeedToExit(), 0u);
    EXPECT_EQ(IsSuperAdmin("admin"), 1);
    EXPECT_EQ(ValidatePassword("admin", strPassword.c_str()), 1);
}

TEST_F(AdminPasswordTest, EscapeInInstallModeTellsTheInstallerToStop) {
    Start(true);
    ::PostMessageA(m_hDialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(m_program->HasEnded());
    EXPECT_EQ(NeedToExit(), 1u);
    EXPECT_EQ(IsUserExists("admin"), 0);
}

TEST_F(AdminPasswordTest, AFailedInstallationIsNotReportedAsSuccess) {
    Start(true);
    // Without its digest the settings file is not trusted: creating the account fails.
    ASSERT_EQ(::RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kContentKeyPath, kDigestValueName),
              ERROR_SUCCESS);
    Enter("secret", "secret");
    EXPECT_EQ(TakeMessage(), "Installation Failed");
    ASSERT_TRUE(m_program->HasEnded());
    EXPECT_EQ(NeedToExit(), 1u);
}

TEST_F(AdminPasswordTest, UninstallModeAcceptsOnlyTheAdministratorsPassword) {
    Start(false);
    EXPECT_FALSE(gui::IsItemVisible(m_hDialog, IDC_ADMINPW_CONFIRM));
    EXPECT_TRUE(gui::IsItemVisible(m_hDialog, IDCANCEL));
    EXPECT_EQ(gui::ItemText(m_hDialog, IDC_ADMINPW_NOTE),
              "Only Admin User can remove this software. Valid password of Admin User is "
              "required");
    gui::Screenshot(m_hDialog, "uninstall-password");
    Enter("Secret");
    EXPECT_EQ(TakeMessage(), "Invalid Password. Please enter valid password");
    EXPECT_EQ(gui::EditSelection(m_hDialog, IDC_ADMINPW_PASSWORD), std::make_pair(0, 6));
    Enter("secret");
    ASSERT_TRUE(m_program->HasEnded());
    EXPECT_EQ(NeedToExit(), 0u);
}

TEST_F(AdminPasswordTest, ExitInUninstallModeTellsTheUninstallerToStop) {
    Start(false);
    gui::Click(m_hDialog, IDCANCEL);
    ASSERT_TRUE(m_program->HasEnded());
    EXPECT_EQ(NeedToExit(), 1u);
}

}  // namespace
