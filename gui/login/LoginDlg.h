// The login window: the user list, the password, Login/Logout, Settings and Cancel, and
// the tray icon whose menu brings it back. Closing it only hides it to the tray. It also
// shows the tray notices of blocks, and a click on one opens Recent blocks, and the internet
// time of the profile in force (the tooltip, notices, a parent's "Give more time").
#pragma once

#include <string>

#include "gui/app/InputRecorder.h"
#include "gui/blocks/BlockNotices.h"
#include "gui/controls/SkinDialog.h"
#include "gui/controls/XPButton.h"
#include "gui/framework/Controls.h"
#include "gui/framework/MessageMap.h"
#include "gui/login/TrayIcon.h"
#include "gui/time/TimeTray.h"

// The tray menu as it opens: "Login" greyed while someone is logged in, "Logout" and
// "Settings" while nobody is.
void GreyTrayMenu(HMENU hMenu, bool bLoggedIn);

class CLoginDlg : public CSkinDialog {
public:
    // The tray icon's callback message.
    static constexpr UINT kTrayCallback = WM_USER + 3;
    // The longest password any screen sets (the administrator's, at installation).
    static constexpr size_t kPasswordMax = 20;

    CLoginDlg();

    bool IsLoggedIn() const noexcept { return m_bLoggedIn != 0; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void DoDataExchange(CDataExchange& dx) override;
    bool HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

private:
    static const CMessageEntry<CLoginDlg> kMessageMap[];

    void Login();
    void Logout();
    // The window's close command: hides the window, after the warning while nobody is
    // logged in.
    void Close();
    void FillUserList();
    void OnSettings();
    // While a settings screen is open the tray's commands only bring it to the front: a
    // second chain of screens, or a logout under an open one, would edit as nobody.
    bool BringOpenScreenForward() const;
    // Marks a settings screen open for its scope.
    class CScreenOpen {
    public:
        explicit CScreenOpen(bool& bOpen) noexcept;
        CScreenOpen(const CScreenOpen&) = delete;
        CScreenOpen& operator=(const CScreenOpen&) = delete;
        ~CScreenOpen();

    private:
        bool& m_bOpen;
    };
    void OnTrayLogin();
    void OnTrayLogout();
    void OnTraySettings();
    void OnTrayExit();
    void OnRecentBlocks();
    void OnGiveTime();
    // Whose rules apply now: the logged-in user's, else Default's.
    std::string ProfileInForce() const;
    LRESULT OnSysCommand(WPARAM wParam, LPARAM lParam);
    LRESULT OnTrayNotification(WPARAM wParam, LPARAM lParam);
    LRESULT OnInitMenuPopup(WPARAM wParam, LPARAM lParam);
    LRESULT OnTimer(WPARAM wParam, LPARAM lParam);
    LRESULT OnPaint(WPARAM wParam, LPARAM lParam);
    LRESULT OnQueryDragIcon(WPARAM wParam, LPARAM lParam);
    LRESULT OnQueryEndSession(WPARAM wParam, LPARAM lParam);
    LRESULT OnDestroy(WPARAM wParam, LPARAM lParam);

    CTrayIcon m_trayIcon;
    CBlockNotices m_notices{m_trayIcon};
    CTimeTray m_timeTray{m_trayIcon, m_notices};
    CInputRecorder m_inputRecorder;
    CComboBox m_userList;
    CEdit m_passwordEdit;
    CXPButton m_loginButton;
    CXPButton m_settingsButton;
    CXPButton m_cancelButton;
    std::string m_strPassword;
    std::string m_strSelectedName;
    int m_bLoggedIn = 0;
    bool m_bScreenOpen = false;
    HICON m_hIcon;
};
