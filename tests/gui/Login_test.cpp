// Logging in and out from the login window and the tray, as the library and another process
// see it.
#include <winsock2.h>
#include <windows.h>

#include <cstdlib>
#include <optional>

#include <gtest/gtest.h>

#include "gui/res/resource.h"
#include "tests/gui/support/LoginTest.h"
#include "tests/support/PlainWebServer.h"
#include "tests/support/ScopedCatalog.h"
#include "tests/support/UrlWords.h"

namespace {

TEST_F(LoginTest, TheFirstUserIsNeverListed) {
    Start();
    EXPECT_EQ(gui::ComboEntries(m_hLogin, IDC_LOGIN_USER),
              (std::vector<std::string>{"admin", "kid", "mum"}));
    EXPECT_EQ(gui::ItemText(m_hLogin, IDC_LOGIN_USER), "admin");
}

TEST_F(LoginTest, AnEmptyPasswordIsAskedFor) {
    Start();
    LogIn("kid", "");
    EXPECT_EQ(TakeMessage(), "Please enter password");
    EXPECT_EQ(gui::FocusedItemOf(m_hLogin), ::GetDlgItem(m_hLogin, IDC_LOGIN_PASSWORD));
    EXPECT_EQ(UserSeenElsewhere(), "user Default");
}

TEST_F(LoginTest, AWrongPasswordIsSelectedForRetyping) {
    Start();
    LogIn("kid", "draughts");
    EXPECT_EQ(TakeMessage(), "Invalid Password. Please enter valid password");
    EXPECT_EQ(gui::EditSelection(m_hLogin, IDC_LOGIN_PASSWORD), std::make_pair(0, 8));
    EXPECT_EQ(gui::FocusedItemOf(m_hLogin), ::GetDlgItem(m_hLogin, IDC_LOGIN_PASSWORD));
    EXPECT_TRUE(gui::BecomesVisible(m_hLogin));
}

TEST_F(LoginTest, FiveWrongPasswordsLockTheAccountAndTheWindowSaysForHowLong) {
    Start();
    for (int i = 0; i < 5; ++i) {
        LogIn("kid", "draughts");
        EXPECT_EQ(TakeMessage(), "Invalid Password. Please enter valid password") << i;
    }
    LogIn("kid", "chess");
    const HWND hBox = m_program->MessageBoxOf(m_hLogin);
    ASSERT_NE(hBox, nullptr);
    gui::Screenshot(hBox, "login-locked-out");
    const std::string strText = gui::MessageBoxText(hBox);
    gui::AnswerMessageBox(hBox, IDOK);
    const std::string strStart = "Too many attempts, try again in ";
    ASSERT_EQ(strText.rfind(strStart, 0), 0u) << strText;
    const int iSeconds = std::atoi(strText.c_str() + strStart.size());
    EXPECT_TRUE(iSeconds >= 1 && iSeconds <= 30) << strText;
    EXPECT_EQ(strText.substr(strText.size() - 8), " seconds");
    EXPECT_EQ(gui::EditSelection(m_hLogin, IDC_LOGIN_PASSWORD), std::make_pair(0, 5));
    EXPECT_TRUE(::IsWindowVisible(m_hLogin));
    EXPECT_EQ(UserSeenElsewhere(), "user Default");
    // Only that account is locked.
    LogIn("mum", "garden");
    EXPECT_TRUE(LoginHidden());
    EXPECT_EQ(UserSeenElsewhere(), "user mum");
}

TEST_F(LoginTest, ARightPasswordLogsInForEveryProcessAndHidesToTheTray) {
    Start();
    LogIn("kid", "chess");
    ASSERT_TRUE(LoginHidden());
    EXPECT_EQ(gui::ItemText(m_hLogin, IDOK), "Logout");
    EXPECT_FALSE(gui::IsItemEnabled(m_hLogin, IDC_LOGIN_USER));
    EXPECT_FALSE(gui::IsItemEnabled(m_hLogin, IDC_LOGIN_PASSWORD));
    EXPECT_EQ(UserSeenElsewhere(), "user kid");

    gui::PostCommand(m_hLogin, ID_TRAY_LOGOUT);
    ASSERT_TRUE(LoginShown());
    EXPECT_TRUE(gui::WaitUntil([&] { return gui::ItemText(m_hLogin, IDOK) == "Login"; }));
    EXPECT_TRUE(gui::IsItemEnabled(m_hLogin, IDC_LOGIN_USER));
    EXPECT_EQ(gui::ItemText(m_hLogin, IDC_LOGIN_PASSWORD), "");
    EXPECT_EQ(gui::ItemText(m_hLogin, IDC_LOGIN_USER), "admin");
    EXPECT_EQ(UserSeenElsewhere(), "user Default");
}

TEST_F(LoginTest, TheAdministratorsTwentyCharacterPasswordLogsIn) {
    Start();
    const std::string strLong = "abcdefghij0123456789";
    ASSERT_EQ(ChangePassword("admin", strLong.c_str()), 1);
    LogIn("admin", strLong + "x");  // the field takes twenty
    ASSERT_TRUE(LoginHidden());
    EXPECT_EQ(UserSeenElsewhere(), "user admin");
}

TEST_F(LoginTest, LogoutFromTheTrayWhileLoggedOutSaysSo) {
    Start();
    gui::PostCommand(m_hLogin, ID_TRAY_LOGOUT);
    EXPECT_EQ(TakeMessage(), "You are not currently logged in.");
}

TEST_F(LoginTest, ExitWithFilteringOffAsksFirst) {
    SetFilterOff(1);
    Start();
    LogIn("mum", "garden");
    ASSERT_TRUE(LoginHidden());
    gui::PostCommand(m_hLogin, ID_TRAY_EXIT);
    EXPECT_EQ(TakeMessage(IDNO), "Currently filtering is off. Still do you want to exit?");
    EXPECT_FALSE(m_program->HasEnded(500));

    gui::PostCommand(m_hLogin, ID_TRAY_EXIT);
    TakeMessage(IDYES);
    ASSERT_TRUE(m_program->HasEnded());
    EXPECT_EQ(m_program->ExitCode(), 0u);
}

TEST_F(LoginTest, ExitLogsOut) {
    Start();
    LogIn("kid", "chess");
    ASSERT_TRUE(LoginHidden());
    // Another process keeps the shared block alive after the program ends.
    const std::string strOutput = m_install.Folder() + "held.txt";
    CHandle ready(::CreateEventA(nullptr, TRUE, FALSE, "pc_gui_ready"));
    CHandle release(::CreateEventA(nullptr, TRUE, FALSE, "pc_gui_release"));
    CChildProcess holder(CChildProcess::Beside("filter_child.exe"),
                         "\"" + strOutput + "\" signal:pc_gui_ready wait:pc_gui_release user");
    ASSERT_EQ(::WaitForSingleObject(ready.Get(), gui::kWaitMs), WAIT_OBJECT_0);
    gui::PostCommand(m_hLogin, ID_TRAY_EXIT);
    ASSERT_TRUE(m_program->HasEnded());
    ::SetEvent(release.Get());
    holder.Wait();
    EXPECT_EQ(ReadLines(strOutput), std::vector<std::string>{"user Default"});
}

TEST_F(LoginTest, ADoubleClickOnTheTrayIconRestoresTheWindowAndASingleClickDoesNot) {
    Start();
    LogIn("kid", "chess");
    ASSERT_TRUE(LoginHidden());
    TrayEvent(WM_LBUTTONUP);
    EXPECT_FALSE(gui::WaitUntil([&] { return ::IsWindowVisible(m_hLogin) != FALSE; }, 500));
    TrayEvent(WM_LBUTTONDBLCLK);
    EXPECT_TRUE(LoginShown());
}

TEST_F(LoginTest, TheTrayMenuOpensOnARightClickAndClosesOnEscape) {
    Start();
    TrayEvent(WM_RBUTTONUP);
    HWND hMenu = nullptr;
    ASSERT_TRUE(gui::WaitUntil([&] {
        for (HWND hWnd : gui::WindowsOf(m_program->Pid(), "#32768")) {
            if (::IsWindowVisible(hWnd)) {
                hMenu = hWnd;
            }
        }
        return hMenu != nullptr;
    }));
    ::PostMessageA(hMenu, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(gui::WaitUntil([&] { return ::IsWindowVisible(hMenu) == FALSE; }));
}

TEST_F(LoginTest, SettingsWhileLoggedOutOnlyFocusesTheUserList) {
    Start();
    gui::Click(m_hLogin, IDC_LOGIN_SETTINGS);
    EXPECT_TRUE(gui::WaitUntil(
        [&] { return gui::FocusedItemOf(m_hLogin) == ::GetDlgItem(m_hLogin, IDC_LOGIN_USER); }));
    EXPECT_EQ(gui::WindowsOf(m_program->Pid(), "#32770").size(), 1u);
}

TEST_F(LoginTest, TheEndOfTheSessionLogsOutAndWritesTheRunEntry) {
    Start();
    LogIn("kid", "chess");
    ASSERT_TRUE(LoginHidden());
    EXPECT_EQ(::SendMessageA(m_hLogin, WM_QUERYENDSESSION, 0, 0), TRUE);
    EXPECT_EQ(UserSeenElsewhere(), "user Default");
    EXPECT_TRUE(RunEntry().has_value());
}

}  // namespace

namespace {

// A browser-like process with the filter loaded (through the stand-in Winsock host), and a
// web server for it beside the layer.
class LoginReachesTheFilterTest : public LoginTest {
protected:
    LoginReachesTheFilterTest() {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
        EXPECT_EQ(SetUrlWords("Default", 0, {"poker"}), 1);
        EXPECT_EQ(SetUrlWords("kid", 0, {"chess"}), 1);
    }
    ~LoginReachesTheFilterTest() override { ::WSACleanup(); }

    // What the filter makes of GET PATH in another process: "blocked" or "passed".
    std::vector<std::string> Browse(u_short uPort, std::initializer_list<const char*> paths) {
        const std::string strOutput = m_install.Folder() + "browse.txt";
        ::DeleteFileA(strOutput.c_str());
        std::string strCommands = "\"" + strOutput + "\"";
        for (const char* szPath : paths) {
            strCommands += " browse:" + std::to_string(uPort) + ":" + szPath;
        }
        CChildProcess child(CChildProcess::Beside("filter_child.exe"), strCommands);
        EXPECT_EQ(child.Wait(), 0u);
        return ReadLines(strOutput);
    }

    CScopedCatalog m_catalog{CScopedCatalog::Layer::kChains};
};

TEST_F(LoginReachesTheFilterTest, TheFilterLoadsTheLoggedInUsersRulesAtItsNextConnect) {
    CLoopbackPeer web = PlainWebServer(5);
    Start();
    EXPECT_EQ(Browse(web.Port(), {"/poker"}), std::vector<std::string>{"blocked"});
    LogIn("kid", "chess");
    ASSERT_TRUE(LoginHidden());
    EXPECT_EQ(Browse(web.Port(), {"/chess", "/poker"}),
              (std::vector<std::string>{"blocked", "passed"}));
    gui::PostCommand(m_hLogin, ID_TRAY_LOGOUT);
    ASSERT_TRUE(LoginShown());
    EXPECT_EQ(Browse(web.Port(), {"/chess", "/poker"}),
              (std::vector<std::string>{"passed", "blocked"}));
}

}  // namespace
