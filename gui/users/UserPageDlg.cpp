#include "gui/users/UserPageDlg.h"

#include "Api/PolicyApi.h"
#include "gui/admin/ProfileEditState.h"
#include "gui/app/GuiLog.h"
#include "gui/framework/DataExchange.h"
#include "gui/res/resource.h"
#include "gui/users/UserChecks.h"

namespace {

// Only the Super Administrator changes groups, and not his own.
bool MayChangeGroup(const CProfileEditState& state) {
    if (state.loggedInGroup == 2) {
        return false;
    }
    return !(state.loggedInGroup == 1 && ::lstrcmpiA(state.loggedInUser, state.profileName) == 0);
}

}  // namespace

const CMessageEntry<CUserPageDlg> CUserPageDlg::kMessageMap[] = {
    MapCommand(IDC_USERPAGE_CHANGE_PASSWORD, &CUserPageDlg::OnChangePassword),
    MapCommand(IDC_USERPAGE_CHANGE_GROUP, &CUserPageDlg::OnChangeGroup),
};

CUserPageDlg::CUserPageDlg(CWnd* pParent) : CSkinDialog(IDD_PAGE_USER, pParent) {}

bool CUserPageDlg::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) {
    return DispatchMessageMap(*this, kMessageMap, uMsg, wParam, lParam, lResult) ||
           CSkinDialog::HandleMessage(uMsg, wParam, lParam, lResult);
}

void CUserPageDlg::DoDataExchange(CDataExchange& dx) {
    dx.Control(IDC_USERPAGE_NEW_PASSWORD, m_newEdit);
    dx.Control(IDC_USERPAGE_CONFIRM, m_confirmEdit);
    dx.Text(IDC_USERPAGE_NEW_PASSWORD, m_strNew, kUserPasswordMax);
    dx.Text(IDC_USERPAGE_CONFIRM, m_strConfirm, kUserPasswordMax);
}

BOOL CUserPageDlg::OnInitDialog() {
    CSkinDialog::OnInitDialog();
    SkinPushButtons();
    const CProfileEditState& state = gProfileEditState;
    if (MayChangeGroup(state)) {
        ::CheckRadioButton(
            m_hWnd, IDC_USERPAGE_GROUP_USER, IDC_USERPAGE_GROUP_ADMIN,
            IsAdmin(state.profileName) == 1 ? IDC_USERPAGE_GROUP_ADMIN : IDC_USERPAGE_GROUP_USER);
    } else {
        for (const int nId : {IDC_USERPAGE_GROUP_FRAME, IDC_USERPAGE_GROUP_USER,
                              IDC_USERPAGE_GROUP_USER_LABEL, IDC_USERPAGE_GROUP_ADMIN,
                              IDC_USERPAGE_GROUP_ADMIN_LABEL, IDC_USERPAGE_CHANGE_GROUP}) {
            ::ShowWindow(GetDlgItem(nId), SW_HIDE);
        }
    }
    // The editor decides where the focus goes; a page shown later must not take it now.
    return FALSE;
}

void CUserPageDlg::OnChangePassword() {
    UpdateData(true);
    if (!CheckNewPassword(*this, m_newEdit, m_confirmEdit, m_strNew, m_strConfirm,
                          IDS_ENTER_NEW_PASSWORD)) {
        return;
    }
    if (ChangePassword(gProfileEditState.profileName, m_strNew.c_str()) == 1) {
        MessageBoxById(IDS_PASSWORD_CHANGED, MB_OK | MB_ICONINFORMATION);
    } else {
        gGuiLog.Write(std::string("CUserPageDlg :: ChangePassword Failed ") + GetLastErrorMessage(),
                      1);
        MessageBoxById(IDS_PASSWORD_NOT_CHANGED, MB_OK | MB_ICONEXCLAMATION);
    }
}

void CUserPageDlg::OnChangeGroup() {
    const int iGroup = ::IsDlgButtonChecked(m_hWnd, IDC_USERPAGE_GROUP_USER) == BST_CHECKED ? 3 : 2;
    if (SetGroup(gProfileEditState.profileName, iGroup) == 1) {
        MessageBoxById(IDS_GROUP_SAVED, MB_OK | MB_ICONINFORMATION);
        return;
    }
    // Not saved: say why, in the library's words, rather than claim it was.
    const std::string strError = GetLastErrorMessage();
    gGuiLog.Write("CUserPageDlg :: SetGroup Failed " + strError, 1);
    MessageBox(strError, MB_OK | MB_ICONEXCLAMATION);
}
