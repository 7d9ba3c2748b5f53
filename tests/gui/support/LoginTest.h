// The login window of a started program, driven as a person would: choosing a user, typing
// a password, clicking, and the tray icon's events.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "gui/res/resource.h"
#include "tests/gui/support/GuiTest.h"

inline constexpr UINT kTrayCallback = WM_USER + 3;

class LoginTest : public GuiTest {
protected:
    LoginTest() {
        EXPECT_EQ(CreateUser("kid", "chess", USER_TYPE_USER), 1);
        EXPECT_EQ(CreateUser("mum", "garden", USER_TYPE_ADMIN), 1);
    }

    // Starts the program (after the test has set up the settings it reads at start).
    void Start() {
        m_program.emplace();
        m_hLogin = m_program->Dialog("Login");
        ASSERT_NE(m_hLogin, nullptr) << m_program->State();
        ASSERT_TRUE(LoginShown());
    }

    void Choose(const char* szName) const {
        const HWND hCombo = ::GetDlgItem(m_hLogin, IDC_LOGIN_USER);
        ::SendMessageA(hCombo, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                       reinterpret_cast<LPARAM>(szName));
    }
    // Chooses the user, types the password and presses Login.
    void LogIn(const char* szName, const std::string& strPassword) const {
        Choose(szName);
        gui::TypeText(m_hLogin, IDC_LOGIN_PASSWORD, strPassword);
        gui::Click(m_hLogin, IDOK);
    }
    bool LoginHidden() const {
        return gui::WaitUntil([&] { return ::IsWindowVisible(m_hLogin) == FALSE; });
    }
    bool LoginShown() const {
        return gui::WaitUntil([&] { return ::IsWindowVisible(m_hLogin) != FALSE; });
    }
    // The message box the login window shows now: its text, once answered with nButton.
    std::string TakeMessage(int nButton = IDOK) const {
        return m_program->TakeMessage(m_hLogin, nButton);
    }
    void TrayEvent(LPARAM lEvent) const {
        ::PostMessageA(m_hLogin, kTrayCallback, IDR_TRAY_MENU, lEvent);
    }

    std::optional<CGuiProgram> m_program;
    HWND m_hLogin = nullptr;
};
