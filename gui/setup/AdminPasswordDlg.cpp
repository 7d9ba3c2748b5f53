#include "gui/setup/AdminPasswordDlg.h"

#include "Api/PolicyApi.h"
#include "gui/app/ProgramWindow.h"
#include "gui/framework/DataExchange.h"
#include "gui/framework/Dpi.h"
#include "gui/framework/MessageBox.h"
#include "gui/login/PasswordRefusal.h"
#include "gui/res/resource.h"
#include "win/ProductRegistry.h"
#include "win/RegKey.h"

namespace {

constexpr char kAdminName[] = "admin";
constexpr int kInstallExtraHeight = 30;
constexpr int kOkShiftLeft = 60;
constexpr int kShiftDown = 10;

void MoveBy(CWnd& parent, int nId, int dx, int dy) {
    CWnd control;
    control.Attach(parent.GetDlgItem(nId));
    const RECT rect = control.GetRectInParent();
    ::SetWindowPos(control.GetSafeHwnd(), nullptr, rect.left + dx, rect.top + dy, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

CAdminPasswordDlg::CAdminPasswordDlg() noexcept : CDialog(IDD_ADMIN_PASSWORD) {}

void CAdminPasswordDlg::DoDataExchange(CDataExchange& dx) {
    dx.Control(IDC_ADMINPW_PASSWORD, m_passwordEdit);
    dx.Text(IDC_ADMINPW_NAME, m_strUser);
    dx.Text(IDC_ADMINPW_PASSWORD, m_strPassword, kPasswordMax);
    dx.Text(IDC_ADMINPW_CONFIRM, m_strConfirm, kPasswordMax);
    dx.Text(IDC_ADMINPW_NOTE, m_strNote);
}

BOOL CAdminPasswordDlg::OnInitDialog() {
    UpdateData(true);
    m_strUser = kAdminName;
    if (m_bInstall) {
        m_strNote = LoadResourceString(IDS_INSTALL_NOTE);
        ArrangeForInstall();
    } else {
        m_strNote = LoadResourceString(IDS_UNINSTALL_NOTE);
    }
    UpdateData(false);
    ShowAsProgramWindow(*this);
    // The name is fixed: the person at the keyboard starts with the password.
    m_passwordEdit.SetFocus();
    return FALSE;
}

void CAdminPasswordDlg::ArrangeForInstall() {
    ::ShowWindow(GetDlgItem(IDCANCEL), SW_HIDE);
    const RECT window = GetWindowRect();
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, window.right - window.left,
                   window.bottom - window.top + ScaleForDpi(kInstallExtraHeight),
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    MoveBy(*this, IDOK, -ScaleForDpi(kOkShiftLeft), ScaleForDpi(kShiftDown));
    MoveBy(*this, IDC_ADMINPW_NOTE, 0, ScaleForDpi(kShiftDown));
    ::ShowWindow(GetDlgItem(IDC_ADMINPW_CONFIRM), SW_SHOW);
    ::ShowWindow(GetDlgItem(IDC_ADMINPW_CONFIRM_LABEL), SW_SHOW);
}

void CAdminPasswordDlg::OnOK() {
    UpdateData(true);
    if (m_strPassword.empty()) {
        MessageBoxById(IDS_ENTER_PASSWORD, MB_OK | MB_ICONEXCLAMATION);
        m_passwordEdit.SetFocus();
        return;
    }
    if (!(m_bInstall ? AcceptInstall() : AcceptUninstall())) {
        return;
    }
    WriteNeedToExit(0);
    UpdateData(false);
    EndDialog(IDOK);
}

bool CAdminPasswordDlg::AcceptInstall() {
    if (m_strPassword != m_strConfirm) {
        MessageBoxById(IDS_PASSWORD_NOT_CONFIRMED, MB_OK | MB_ICONEXCLAMATION);
        m_strConfirm.clear();
        m_strPassword.clear();
        UpdateData(false);
        m_passwordEdit.SetFocus();
        return false;
    }
    if (CreateUser(kAdminName, m_strPassword.c_str(), USER_TYPE_SUPER_ADMIN) != 1) {
        MessageBoxById(IDS_INSTALLATION_FAILED, MB_OK | MB_ICONSTOP);
        // The installer must not go on as if the administrator existed.
        WriteNeedToExit(1);
        UpdateData(false);
        EndDialog(IDOK);
        return false;
    }
    return true;
}

bool CAdminPasswordDlg::AcceptUninstall() {
    if (ValidatePassword(kAdminName, m_strPassword.c_str()) != 1) {
        ShowPasswordRefusal(*this, IDS_INVALID_PASSWORD);
        m_passwordEdit.SetFocus();
        m_passwordEdit.SelectAll();
        return false;
    }
    // The password lets the uninstallation go on, nothing more: this process keeps no proof
    // while someone else may be logged in.
    EndProof();
    return true;
}

void CAdminPasswordDlg::OnCancel() {
    WriteNeedToExit(1);
    EndDialog(IDCANCEL);
}

bool CAdminPasswordDlg::WriteNeedToExit(DWORD dwValue) {
    const CRegKey key = CreateRegKey(HKEY_LOCAL_MACHINE, kProductKeyPath, KEY_ALL_ACCESS);
    if (!key) {
        return false;
    }
    return ::RegSetValueExA(key.Get(), "NeedToExit", 0, REG_DWORD,
                            reinterpret_cast<const BYTE*>(&dwValue),
                            sizeof dwValue) == ERROR_SUCCESS;
}
