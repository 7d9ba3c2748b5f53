// The system's life as a family meets it: installed with the tool, the filter in the
// catalogue, the administrator logged in through the login window, a profile changed in the
// editor and seen by the filter in another process at its next connect, the settings file
// edited by hand and quietly repaired, and removal that takes only the right password and
// leaves nothing behind. Also: a deleted digest makes every request get the corrupted page
// once the filter reloads.
#include <winsock2.h>
#include <windows.h>

#include <optional>

#include <gtest/gtest.h>

#include "Api/RegFile.h"
#include "Api/portable/Crypto.h"
#include "tests/gui/support/GuiProgram.h"
#include "tests/gui/support/InstallerTest.h"
#include "tests/gui/support/LoginTest.h"
#include "tests/support/PlainWebServer.h"
#include "tests/support/ScopedCatalog.h"
#include "tests/support/UrlWords.h"

namespace {

// What the filter in another process makes of GET PATH: "blocked", "corrupted" or "passed".
std::string BrowseElsewhere(const std::string& strFolder, u_short uPort, const char* szPath) {
    const std::string strOutput = strFolder + "browse.txt";
    ::DeleteFileA(strOutput.c_str());
    CChildProcess child(CChildProcess::Beside("filter_child.exe"),
                        "\"" + strOutput + "\" browse:" + std::to_string(uPort) + ":" + szPath);
    child.Wait();
    const std::vector<std::string> lines = ReadLines(strOutput);
    return lines.empty() ? "(nothing)" : lines.back();
}

bool CatalogueHasTheFilter() {
    for (const WSAPROTOCOL_INFOW& info : EnumCatalog()) {
        if (std::wstring(info.szProtocol).starts_with(L"Parental Control")) {
            return true;
        }
    }
    return false;
}

class LifecycleTest : public InstallerTest {
protected:
    LifecycleTest() {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~LifecycleTest() override { ::WSACleanup(); }

    // The visible dialog of the program titled szTitle, once it shows.
    HWND Screen(const char* szTitle) const {
        HWND hScreen = nullptr;
        gui::WaitUntil([&] {
            hScreen = m_program->Dialog(szTitle, 0);
            return hScreen != nullptr && ::IsWindowVisible(hScreen) != FALSE;
        });
        return hScreen;
    }
    // Logged in as the administrator through the login window, the tray's Settings chosen.
    void LogInAndOpenSettings() {
        m_program.emplace("StartUp");
        m_hLogin = Screen("Login");
        ASSERT_NE(m_hLogin, nullptr);
        ::SendMessageA(::GetDlgItem(m_hLogin, IDC_LOGIN_USER), CB_SELECTSTRING,
                       static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("admin"));
        gui::TypeText(m_hLogin, IDC_LOGIN_PASSWORD, "topsecret");
        gui::Click(m_hLogin, IDOK);
        ASSERT_TRUE(gui::WaitUntil([&] { return ::IsWindowVisible(m_hLogin) == FALSE; }));
        gui::PostCommand(m_hLogin, ID_TRAY_SETTINGS);
    }
    // From Administration to the editor of the administrator's own profile, "poker" added to
    // its blocked words, Done.
    void BlockPokerInOwnProfile() const {
        const HWND hAdmin = Screen("Administration");
        ASSERT_NE(hAdmin, nullptr);
        gui::Click(hAdmin, IDC_ADMIN_MODIFY_USER);
        const HWND hSelect = Screen("Select User");
        ASSERT_NE(hSelect, nullptr);
        gui::Click(hSelect, IDC_SELECT_EDIT);  // the first row: admin
        const HWND hEditor = Screen("Modifying Profile of admin");
        ASSERT_NE(hEditor, nullptr);
        const HWND hPage = ::GetParent(gui::DescendantItem(hEditor, IDC_URL_BLOCKED_EDIT));
        gui::SetItemText(hPage, IDC_URL_BLOCKED_EDIT, "poker");
        ::SendMessageA(::GetDlgItem(hPage, IDC_URL_BLOCKED_ADD), BM_CLICK, 0, 0);
        gui::Click(hEditor, IDC_EDITOR_DONE);
        EXPECT_EQ(m_program->TakeMessage(hEditor), "New Settings Saved Successfully");
        ::PostMessageA(Screen("Administration"), WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    void ExitProgram() const {
        ASSERT_TRUE(gui::WaitUntil([&] { return ::IsWindowVisible(m_hLogin) == FALSE; }));
        gui::PostCommand(m_hLogin, ID_TRAY_EXIT);
        ASSERT_TRUE(m_program->HasEnded());
    }

    CScopedCatalog m_catalog{CScopedCatalog::Layer::kNone};
    std::optional<CGuiProgram> m_program;
    HWND m_hLogin = nullptr;
};

TEST_F(LifecycleTest, InstallLogInChangeTamperAndRemove) {
    CChildProcess install =
        Tool(Install() + " --log-level 1 --lsp \"" + CChildProcess::Beside("FilterLsp.dll") + "\"");
    Answer("topsecret", true);
    ASSERT_EQ(install.Wait(), 0u);
    ASSERT_TRUE(CatalogueHasTheFilter());
    CLoopbackPeer web = PlainWebServer(3);

    LogInAndOpenSettings();
    EXPECT_EQ(BrowseElsewhere(Folder(), web.Port(), "/poker"), "passed");
    BlockPokerInOwnProfile();
    EXPECT_EQ(BrowseElsewhere(Folder(), web.Port(), "/poker"), "blocked");

    // A hand edit while everything runs: the next reader puts the file back, nobody is told.
    CCrypto crypto;
    ASSERT_TRUE(crypto.Encode("guessed"));
    ASSERT_TRUE(::WritePrivateProfileStringA("USER2", "Password", crypto.OutputText(),
                                             SettingsFilePath(Folder()).c_str()));
    EXPECT_EQ(BrowseElsewhere(Folder(), web.Port(), "/poker"), "blocked");
    EXPECT_EQ(Validates("guessed"), 0);
    EXPECT_FALSE(gui::HasMessageBox(m_program->Pid(), nullptr));
    ExitProgram();

    CChildProcess removal = Tool("uninstall --interactive");
    const HWND hPassword = Shown();
    ASSERT_NE(hPassword, nullptr);
    Answer("guessed", false);
    const HWND hBox = gui::FindMessageBox(0, hPassword);
    EXPECT_EQ(gui::MessageBoxText(hBox), "Invalid Password. Please enter valid password");
    gui::AnswerMessageBox(hBox, IDOK);
    gui::SetItemText(hPassword, IDC_ADMINPW_PASSWORD, "");
    Answer("topsecret", false);
    ASSERT_EQ(removal.Wait(), 0u);
    EXPECT_FALSE(Installed());
    EXPECT_FALSE(CatalogueHasTheFilter());
    EXPECT_FALSE(OpenProductKey());
    EXPECT_FALSE(RunEntry().has_value());
}

class DeletedDigestTest : public LoginTest {
protected:
    DeletedDigestTest() {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
        // Connections to the category server's address are the filter's own and never
        // judged: the web server here must be elsewhere.
        const CRegKey key = OpenProductKey(KEY_SET_VALUE);
        const char szAddress[] = "127.0.0.2";
        EXPECT_EQ(::RegSetValueExA(key.Get(), "TLVServerIP", 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(szAddress), sizeof szAddress),
                  ERROR_SUCCESS);
    }
    ~DeletedDigestTest() override { ::WSACleanup(); }

    CScopedCatalog m_catalog{CScopedCatalog::Layer::kChains};
};

// The filter finds out at its next reload: the logout that follows makes one.
TEST_F(DeletedDigestTest, GivesEveryRequestTheCorruptedSettingsPageAfterTheNextReload) {
    CLoopbackPeer web = PlainWebServer(3);
    // Allowed, so that no category lookup is made; the corrupted page overrides it.
    ASSERT_EQ(SetUrlWords("kid", 1, {"chess"}), 1);
    ASSERT_EQ(SetUrlWords("Default", 1, {"chess"}), 1);
    Start();
    LogIn("kid", "chess");
    ASSERT_TRUE(LoginHidden());
    EXPECT_EQ(BrowseElsewhere(m_install.Folder(), web.Port(), "/chess"), "passed");
    EXPECT_EQ(::RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kContentKeyPath, kDigestValueName),
              ERROR_SUCCESS);
    gui::PostCommand(m_hLogin, ID_TRAY_LOGOUT);
    ASSERT_TRUE(LoginShown());
    EXPECT_EQ(BrowseElsewhere(m_install.Folder(), web.Port(), "/chess"), "corrupted");
    EXPECT_EQ(BrowseElsewhere(m_install.Folder(), web.Port(), "/chess/2"), "corrupted");
}

}  // namespace
