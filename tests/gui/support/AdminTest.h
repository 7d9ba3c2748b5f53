// Tests of the administration screens: the program started over a fresh installation with a
// plain user "kid" and an administrator "mum", someone logged in, and the screens reached
// through the tray's "Settings" as a parent reaches them.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "gui/res/resource.h"
#include "tests/gui/support/GuiTest.h"
#include "tests/gui/support/RemoteListView.h"

using Texts = std::vector<std::string>;

// A list as the library stores it for szUser.
inline Texts StoredURLs(const char* szUser, int iAllowed) {
    char** list = nullptr;
    int count = 0;
    EXPECT_EQ(GetURLList(szUser, iAllowed, &list, &count), 1);
    Texts texts(list, list + count);
    FreeListMemory(&list, &count);
    return texts;
}
inline Texts StoredCategories(const char* szUser) {
    char** list = nullptr;
    int count = 0;
    EXPECT_EQ(GetCategoryList(szUser, &list, &count), 1);
    Texts texts(list, list + count);
    FreeListMemory(&list, &count);
    return texts;
}

class AdminTest : public GuiTest {
protected:
    explicit AdminTest(const std::string& strAdminPassword = kAdminPassword)
        : GuiTest(strAdminPassword) {
        EXPECT_EQ(CreateUser("kid", "chess", USER_TYPE_USER), 1);
        EXPECT_EQ(CreateUser("mum", "garden", USER_TYPE_ADMIN), 1);
    }

    // Starts the program, logs szName in and chooses "Settings" in the tray menu. The first
    // screen it opens is then found with Screen().
    void OpenSettingsAs(const char* szName, const std::string& strPassword) {
        m_program.emplace();
        m_hLogin = m_program->Dialog("Login");
        ASSERT_NE(m_hLogin, nullptr) << m_program->State();
        ASSERT_TRUE(gui::WaitUntil([&] { return ::IsWindowVisible(m_hLogin) != FALSE; }));
        ::SendMessageA(::GetDlgItem(m_hLogin, IDC_LOGIN_USER), CB_SELECTSTRING,
                       static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(szName));
        gui::TypeText(m_hLogin, IDC_LOGIN_PASSWORD, strPassword);
        gui::Click(m_hLogin, IDOK);
        ASSERT_TRUE(gui::WaitUntil([&] { return ::IsWindowVisible(m_hLogin) == FALSE; }));
        gui::PostCommand(m_hLogin, ID_TRAY_SETTINGS);
    }
    void OpenSettingsAsAdmin() { OpenSettingsAs("admin", kAdminPassword); }

    // The visible screen titled szTitle; nullptr when none shows up in time.
    HWND Screen(const char* szTitle) const {
        HWND hScreen = nullptr;
        gui::WaitUntil([&] {
            hScreen = m_program->Dialog(szTitle, 0);
            return hScreen != nullptr && ::IsWindowVisible(hScreen) != FALSE;
        });
        return hScreen != nullptr && ::IsWindowVisible(hScreen) != FALSE ? hScreen : nullptr;
    }
    // Whether the screen has gone (ended or hidden).
    static bool Gone(HWND hScreen) {
        return gui::WaitUntil(
            [&] { return !::IsWindow(hScreen) || ::IsWindowVisible(hScreen) == FALSE; });
    }
    // The close box of a screen.
    static void CloseBox(HWND hScreen) { ::PostMessageA(hScreen, WM_SYSCOMMAND, SC_CLOSE, 0); }
    static void Escape(HWND hScreen) { ::PostMessageA(hScreen, WM_COMMAND, IDCANCEL, 0); }

    // From the Administration screen through Select User to the profile editor on szName's
    // profile; nullptr when a screen does not show up.
    HWND EditProfileOf(const char* szName) const {
        const HWND hAdmin = Screen("Administration");
        if (hAdmin == nullptr) {
            return nullptr;
        }
        gui::Click(hAdmin, IDC_ADMIN_MODIFY_USER);
        const HWND hSelect = Screen("Select User");
        if (hSelect == nullptr) {
            return nullptr;
        }
        const CRemoteListView list(::GetDlgItem(hSelect, IDC_SELECT_LIST));
        for (int i = 0; i < list.Count(); ++i) {
            if (list.Text(i, 0) == szName) {
                list.Select(i);
            }
        }
        gui::Click(hSelect, IDC_SELECT_EDIT);
        return Screen(("Modifying Profile of " + std::string(szName)).c_str());
    }

    // A URL Add that is expected to succeed; it has been handled when this returns.
    static void AddEntry(HWND hScreen, int nEdit, int nAdd, const std::string& strText) {
        gui::SetItemText(hScreen, nEdit, strText);
        ::SendMessageA(::GetDlgItem(hScreen, nAdd), BM_CLICK, 0, 0);
    }

    // The message box hOwner shows now: its text, once answered with nButton.
    std::string TakeMessage(HWND hOwner, int nButton = IDOK) const {
        return m_program->TakeMessage(hOwner, nButton);
    }
    bool HasMessage(HWND hOwner) const { return gui::HasMessageBox(m_program->Pid(), hOwner); }

    std::optional<CGuiProgram> m_program;
    HWND m_hLogin = nullptr;
};
