#include "gui/login/LoginDlg.h"

#include "Api/PolicyApi.h"
#include "gui/admin/ProfileEditState.h"
#include "gui/admin/ScreenChain.h"
#include "gui/admin/ScreenResult.h"
#include "gui/app/ProgramWindow.h"
#include "gui/app/StartupEntry.h"
#include "gui/app/TamperedSettings.h"
#include "gui/app/UserNameList.h"
#include "gui/blocks/RecentBlocksDlg.h"
#include "gui/defaultprofile/WarningDlg.h"
#include "gui/framework/DataExchange.h"
#include "gui/framework/MessageBox.h"
#include "gui/login/PasswordRefusal.h"
#include "gui/res/resource.h"
#include "gui/time/GiveTimeDlg.h"
#include "gui/users/ChangePassDlg.h"
#include "win/GdiHandle.h"

namespace {

// The tray notices' poll of the journal.
constexpr UINT_PTR kNoticeTimer = 1;
constexpr UINT kNoticePollMs = 1000;

}  // namespace

const CMessageEntry<CLoginDlg> CLoginDlg::kMessageMap[] = {
    MapCommand(IDC_LOGIN_SETTINGS, &CLoginDlg::OnSettings),
    MapCommand(ID_TRAY_LOGIN, &CLoginDlg::OnTrayLogin),
    MapCommand(ID_TRAY_LOGOUT, &CLoginDlg::OnTrayLogout),
    MapCommand(ID_TRAY_SETTINGS, &CLoginDlg::OnTraySettings),
    MapCommand(ID_TRAY_EXIT, &CLoginDlg::OnTrayExit),
    MapCommand(ID_TRAY_RECENT_BLOCKS, &CLoginDlg::OnRecentBlocks),
    MapCommand(ID_TRAY_GIVE_TIME, &CLoginDlg::OnGiveTime),
    MapMessage(WM_SYSCOMMAND, &CLoginDlg::OnSysCommand),
    MapMessage(kTrayCallback, &CLoginDlg::OnTrayNotification),
    MapMessage(WM_INITMENUPOPUP, &CLoginDlg::OnInitMenuPopup),
    MapMessage(WM_TIMER, &CLoginDlg::OnTimer),
    MapMessage(WM_PAINT, &CLoginDlg::OnPaint),
    MapMessage(WM_QUERYDRAGICON, &CLoginDlg::OnQueryDragIcon),
    MapMessage(WM_QUERYENDSESSION, &CLoginDlg::OnQueryEndSession),
    MapMessage(WM_DESTROY, &CLoginDlg::OnDestroy),
};

CLoginDlg::CLoginDlg()
    : CSkinDialog(IDD_LOGIN), m_trayIcon(IDR_TRAY_MENU), m_hIcon(ProgramIcon()) {}

bool CLoginDlg::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) {
    return DispatchMessageMap(*this, kMessageMap, uMsg, wParam, lParam, lResult) ||
           CSkinDialog::HandleMessage(uMsg, wParam, lParam, lResult);
}

void CLoginDlg::DoDataExchange(CDataExchange& dx) {
    dx.Control(IDC_LOGIN_USER, m_userList);
    dx.Control(IDC_LOGIN_PASSWORD, m_passwordEdit);
    dx.Control(IDOK, m_loginButton);
    dx.Control(IDC_LOGIN_SETTINGS, m_settingsButton);
    dx.Control(IDCANCEL, m_cancelButton);
    dx.Text(IDC_LOGIN_PASSWORD, m_strPassword, kPasswordMax);
    dx.ComboText(IDC_LOGIN_USER, m_strSelectedName);
}

BOOL CLoginDlg::OnInitDialog() {
    CSkinDialog::OnInitDialog();
    SetBackground(IDB_LOGIN, kTile);
    SetBanner(IDB_BANNER);
    const CMenuHandle menu(
        ::LoadMenuA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_TRAY_MENU)));
    if (!menu) {
        return TRUE;
    }
    FillUserList();
    m_bLoggedIn = 0;
    m_trayIcon.SetNotificationWnd(m_hWnd, kTrayCallback);
    m_trayIcon.SetIcon(m_hIcon, LoadResourceString(IDS_TRAY_TOOLTIP).c_str());
    m_notices.Start();
    ::SetTimer(m_hWnd, kNoticeTimer, kNoticePollMs, nullptr);
    ShowAsProgramWindow(*this);
    return TRUE;
}

// Every name but the first that the library gives (the Default profile, which nobody logs
// in as), the first of the sorted list selected.
void CLoginDlg::FillUserList() {
    const CUserNameList names;
    if (!names.Ok()) {
        EndForTamperedSettings(m_hWnd);
    }
    for (int i = 1; i < names.Count(); ++i) {
        m_userList.AddString(names[i]);
    }
    m_userList.SetCurSel(0);
    m_strSelectedName = m_userList.GetCount() > 0 ? m_userList.GetLBText(0) : std::string();
}

void CLoginDlg::OnOK() {
    if (m_bLoggedIn) {
        Logout();
    } else {
        Login();
    }
}

void CLoginDlg::Login() {
    UpdateData(true);
    if (m_strPassword.empty()) {
        MessageBoxById(IDS_ENTER_PASSWORD, MB_OK | MB_ICONEXCLAMATION);
        m_passwordEdit.SetFocus();
        return;
    }
    if (ValidatePassword(m_strSelectedName.c_str(), m_strPassword.c_str()) != 1) {
        ShowPasswordRefusal(*this, IDS_INVALID_PASSWORD);
        m_passwordEdit.SetFocus();
        m_passwordEdit.SelectAll();
        return;
    }
    CopyToField(gProfileEditState.loggedInUser, m_strSelectedName);
    m_loginButton.SetWindowText("Logout");
    m_userList.EnableWindow(false);
    m_passwordEdit.EnableWindow(false);
    UserLogIn(m_strSelectedName.c_str());
    const char* szName = m_strSelectedName.c_str();
    gProfileEditState.loggedInGroup =
        IsSuperAdmin(szName) == 1 ? 1 : (IsAdmin(szName) == 1 ? 2 : 3);
    m_bLoggedIn = 1;
    Close();
    UpdateData(false);
}

void CLoginDlg::Logout() {
    m_loginButton.SetWindowText("Login");
    m_userList.SetCurSel(0);
    m_userList.EnableWindow(true);
    m_passwordEdit.EnableWindow(true);
    m_strPassword.clear();
    UserLogOut();
    gProfileEditState.loggedInGroup = 3;
    m_bLoggedIn = 0;
    m_userList.ResetContent();
    FillUserList();
    m_userList.SetFocus();
    UpdateData(false);
}

void CLoginDlg::Close() {
    if (!m_bLoggedIn) {
        CWarningDlg warning(this);
        if (warning.DoModal() == IDC_WARNING_NO) {
            return;
        }
    }
    ShowWindow(SW_HIDE);
}

void CLoginDlg::OnCancel() {
    Close();
}

LRESULT CLoginDlg::OnSysCommand(WPARAM wParam, LPARAM lParam) {
    if ((wParam & 0xFFF0) == SC_CLOSE) {
        Close();
        return 0;
    }
    return Default(WM_SYSCOMMAND, wParam, lParam);
}

void CLoginDlg::OnSettings() {
    if (BringOpenScreenForward()) {
        return;
    }
    UpdateData(true);
    if (!m_bLoggedIn) {
        m_userList.SetFocus();
        return;
    }
    if (IsAdmin(gProfileEditState.loggedInUser) == 0) {
        const CScreenOpen open(m_bScreenOpen);
        CChangePassDlg personalSettings(this);
        personalSettings.DoModal();
        return;
    }
    ShowWindow(SW_HIDE);
    int nEnd = screens::kShowLogin;
    {
        const CScreenOpen open(m_bScreenOpen);
        nEnd = RunAdministrationScreens(m_hWnd);
    }
    if (nEnd == screens::kHide) {
        // Someone is logged in, so closing only hides the window.
        SendMessage(WM_SYSCOMMAND, SC_CLOSE);
    } else {
        ShowWindow(SW_SHOW);
    }
    gActiveWindow = m_hWnd;
}

CLoginDlg::CScreenOpen::CScreenOpen(bool& bOpen) noexcept : m_bOpen(bOpen) {
    m_bOpen = true;
}

CLoginDlg::CScreenOpen::~CScreenOpen() {
    m_bOpen = false;
}

bool CLoginDlg::BringOpenScreenForward() const {
    if (!m_bScreenOpen) {
        return false;
    }
    // The handle may be a page of the profile editor: the editor is what comes forward.
    ::SetForegroundWindow(::GetAncestor(gActiveWindow, GA_ROOT));
    return true;
}

void CLoginDlg::OnTrayLogin() {
    if (BringOpenScreenForward()) {
        return;
    }
    SendMessage(WM_SYSCOMMAND, SC_MINIMIZE);
    ShowWindow(SW_SHOWNORMAL);
}

void CLoginDlg::OnTrayLogout() {
    if (BringOpenScreenForward()) {
        return;
    }
    if (!m_bLoggedIn) {
        MessageBoxById(IDS_NOT_LOGGED_IN, MB_OK | MB_ICONINFORMATION);
        return;
    }
    ShowWindow(SW_SHOWNORMAL);
    OnOK();
}

void CLoginDlg::OnTraySettings() {
    if (BringOpenScreenForward()) {
        return;
    }
    ShowWindow(SW_SHOWNORMAL);
    OnSettings();
}

void CLoginDlg::OnTrayExit() {
    if (BringOpenScreenForward()) {
        return;
    }
    if (GetFilterOff() == 1 &&
        MessageBoxById(IDS_FILTERING_OFF_EXIT, MB_YESNO | MB_ICONEXCLAMATION) == IDNO) {
        return;
    }
    if (m_bLoggedIn) {
        UserLogOut();
    }
    EndDialog(IDOK);
}

void CLoginDlg::OnRecentBlocks() {
    if (BringOpenScreenForward()) {
        return;
    }
    // Administrators see every profile's blocks; anyone else only the profile in force.
    const bool bAdministrator = m_bLoggedIn && gProfileEditState.loggedInGroup != 3;
    {
        const CScreenOpen open(m_bScreenOpen);
        CRecentBlocksDlg recentBlocks(this, bAdministrator, ProfileInForce());
        recentBlocks.DoModal();
    }
    gActiveWindow = m_hWnd;
    // Its rows may have given more time.
    m_timeTray.LookSoon();
}

void CLoginDlg::OnGiveTime() {
    if (BringOpenScreenForward()) {
        return;
    }
    {
        const CScreenOpen open(m_bScreenOpen);
        CGiveTimeDlg giveTime(this, ProfileInForce());
        giveTime.DoModal();
    }
    gActiveWindow = m_hWnd;
    m_timeTray.LookSoon();
}

std::string CLoginDlg::ProfileInForce() const {
    return m_bLoggedIn ? gProfileEditState.loggedInUser : "Default";
}

LRESULT CLoginDlg::OnTimer(WPARAM wParam, LPARAM lParam) {
    if (wParam != kNoticeTimer) {
        return Default(WM_TIMER, wParam, lParam);
    }
    m_notices.Poll();
    m_inputRecorder.Poll();
    m_timeTray.Poll(ProfileInForce());
    return 0;
}

LRESULT CLoginDlg::OnTrayNotification(WPARAM wParam, LPARAM lParam) {
    if (lParam == NIN_BALLOONUSERCLICK) {
        // Opened after the shell's callback has returned, as the menu's commands are.
        PostMessage(WM_COMMAND, ID_TRAY_RECENT_BLOCKS);
        return 0;
    }
    const LRESULT lResult = m_trayIcon.OnTrayNotification(wParam, lParam);
    if (lParam == WM_LBUTTONDBLCLK) {
        ShowWindow(SW_SHOWNORMAL);
    }
    return lResult;
}

void GreyTrayMenu(HMENU hMenu, bool bLoggedIn) {
    const UINT uWhileLoggedOut = bLoggedIn ? MF_GRAYED : MF_ENABLED;
    const UINT uWhileLoggedIn = bLoggedIn ? MF_ENABLED : MF_GRAYED;
    ::EnableMenuItem(hMenu, ID_TRAY_LOGIN, MF_BYCOMMAND | uWhileLoggedOut);
    ::EnableMenuItem(hMenu, ID_TRAY_LOGOUT, MF_BYCOMMAND | uWhileLoggedIn);
    ::EnableMenuItem(hMenu, ID_TRAY_SETTINGS, MF_BYCOMMAND | uWhileLoggedIn);
}

// Message map handlers are non-const members, whatever they touch.
// NOLINTNEXTLINE(readability-make-member-function-const)
LRESULT CLoginDlg::OnInitMenuPopup(WPARAM wParam, LPARAM) {
    GreyTrayMenu(reinterpret_cast<HMENU>(wParam), m_bLoggedIn != 0);
    return 0;
}

LRESULT CLoginDlg::OnPaint(WPARAM wParam, LPARAM lParam) {
    if (!::IsIconic(m_hWnd)) {
        return Default(WM_PAINT, wParam, lParam);
    }
    const CPaintDC dc(m_hWnd);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.Get()));
    const RECT client = GetClientRect();
    const int x = (client.right - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc.Get(), x, y, m_hIcon);
    return 0;
}

LRESULT CLoginDlg::OnQueryDragIcon(WPARAM, LPARAM) {
    return reinterpret_cast<LRESULT>(m_hIcon);
}

// NOLINTNEXTLINE(readability-make-member-function-const)
LRESULT CLoginDlg::OnQueryEndSession(WPARAM, LPARAM) {
    WriteStartupEntry();
    if (m_bLoggedIn) {
        UserLogOut();
    }
    return TRUE;
}

LRESULT CLoginDlg::OnDestroy(WPARAM wParam, LPARAM lParam) {
    ::KillTimer(m_hWnd, kNoticeTimer);
    // The shell forgets an icon only while its owner window still exists.
    m_trayIcon.SetIcon(nullptr, nullptr);
    return Default(WM_DESTROY, wParam, lParam);
}
