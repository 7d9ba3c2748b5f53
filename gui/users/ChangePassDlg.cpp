#include "gui/users/ChangePassDlg.h"

#include "Api/PolicyApi.h"
#include "gui/admin/ProfileEditState.h"
#include "gui/admin/ScreenResult.h"
#include "gui/app/GuiLog.h"
#include "gui/framework/DataExchange.h"
#include "gui/framework/Dpi.h"
#include "gui/login/PasswordRefusal.h"
#include "gui/res/resource.h"
#include "gui/users/UserChecks.h"

namespace {

// The height, in pixels, of the group controls' row that this screen does without.
constexpr int kGroupRowHeight = 50;

}  // namespace

const CMessageEntry<CChangePassDlg> CChangePassDlg::kMessageMap[] = {
    MapCommand(IDC_PERSONAL_OK, &CChangePassDlg::OnChangePassword),
};

CChangePassDlg::CChangePassDlg(CWnd* pParent)
    : CSkinnedScreen(IDD_PERSONAL_SETTINGS, IDB_PERSONAL_SETTINGS, pParent) {}

bool CChangePassDlg::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) {
    return DispatchMessageMap(*this, kMessageMap, uMsg, wParam, lParam, lResult) ||
           CSkinnedScreen::HandleMessage(uMsg, wParam, lParam, lResult);
}

void CChangePassDlg::DoDataExchange(CDataExchange& dx) {
    dx.Control(IDC_PERSONAL_OLD_PASSWORD, m_oldEdit);
    dx.Control(IDC_PERSONAL_NEW_PASSWORD, m_newEdit);
    dx.Control(IDC_PERSONAL_CONFIRM, m_confirmEdit);
    dx.Text(IDC_PERSONAL_NAME, m_strName);
    dx.Text(IDC_PERSONAL_OLD_PASSWORD, m_strOld, kUserPasswordMax);
    dx.Text(IDC_PERSONAL_NEW_PASSWORD, m_strNew, kUserPasswordMax);
    dx.Text(IDC_PERSONAL_CONFIRM, m_strConfirm, kUserPasswordMax);
}

void CChangePassDlg::BeforeExchange() {
    m_strName = gProfileEditState.loggedInUser;
}

void CChangePassDlg::OnScreenInit() {
    HideGroup();
}

void CChangePassDlg::HideGroup() {
    for (const int nId :
         {IDC_PERSONAL_GROUP_LABEL, IDC_PERSONAL_GROUP_USER, IDC_PERSONAL_GROUP_ADMIN}) {
        ::ShowWindow(GetDlgItem(nId), SW_HIDE);
    }
    for (const int nId : {IDC_PERSONAL_OK, IDCANCEL}) {
        CWnd button;
        button.Attach(GetDlgItem(nId));
        RECT rect = button.GetRectInParent();
        ::OffsetRect(&rect, 0, -ScaleForDpi(kGroupRowHeight));
        button.MoveWindow(rect);
    }
    const RECT window = GetWindowRect();
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, window.right - window.left,
                   window.bottom - window.top - ScaleForDpi(kGroupRowHeight),
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CChangePassDlg::OnChangePassword() {
    gGuiLog.Write("CChangePassDlg::OnNext() ", 1);
    UpdateData(true);
    // Nothing typed: nothing to change.
    if (m_strOld.empty()) {
        EndDialog(screens::kAdministration);
        return;
    }
    const char* szUser = gProfileEditState.loggedInUser;
    if (ValidatePassword(szUser, m_strOld.c_str()) != 1) {
        ShowPasswordRefusal(*this, IDS_OLD_PASSWORD_WRONG);
        m_oldEdit.FocusForCorrection();
        return;
    }
    if (!CheckNewPassword(*this, m_newEdit, m_confirmEdit, m_strNew, m_strConfirm,
                          IDS_ENTER_NEW_PASSWORD)) {
        return;
    }
    if (ChangePassword(szUser, m_strNew.c_str()) == 1) {
        MessageBoxById(IDS_PASSWORD_CHANGED, MB_OK | MB_ICONINFORMATION);
    } else {
        gGuiLog.Write(
            std::string("CChangePassDlg :: ChangePassword Failed ") + GetLastErrorMessage(), 1);
        MessageBoxById(IDS_PASSWORD_NOT_CHANGED, MB_OK | MB_ICONEXCLAMATION);
    }
    EndDialog(screens::kAdministration);
}

void CChangePassDlg::OnOK() {
    // Enter changes the password, as "OK" does.
    OnChangePassword();
}

void CChangePassDlg::OnCancel() {
    EndDialog(screens::kAdministration);
}
