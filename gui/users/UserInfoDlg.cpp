#include "gui/users/UserInfoDlg.h"

#include <algorithm>

#include "Api/PolicyApi.h"
#include "gui/admin/Operations.h"
#include "gui/admin/ProfileEditState.h"
#include "gui/admin/ScreenResult.h"
#include "gui/app/GuiLog.h"
#include "gui/framework/DataExchange.h"
#include "gui/res/resource.h"
#include "gui/users/UserChecks.h"

namespace {

// A new profile from nothing: no lists, no name, no password, the group User.
void ResetEditState(CProfileEditState& state) {
    state.selectedCategories.clear();
    state.allCategories.clear();
    state.words.clear();
    state.allowedIPs.clear();
    state.blockedIPs.clear();
    state.allowedURLs.clear();
    state.blockedURLs.clear();
    state.selectedWordKeys.clear();
    state.timeRules.clear();
    state.timeRulesChanged = false;
    nextWordKey = 1;
    state.newUserGroup = 3;
    CopyToField(state.newPassword, "");
    CopyToField(state.profileName, "");
    createInProgress = 1;
}

}  // namespace

const CMessageEntry<CUserInfoDlg> CUserInfoDlg::kMessageMap[] = {
    MapCommand(IDC_CREATE_NEXT, &CUserInfoDlg::OnNext),
    MapCommand(IDC_CREATE_CANCEL, &CUserInfoDlg::OnPrevious),
};

CUserInfoDlg::CUserInfoDlg(CWnd* pParent)
    : CWizardPageDialog(IDD_CREATE_USER, IDB_CREATE_USER, pParent) {}

bool CUserInfoDlg::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) {
    return DispatchMessageMap(*this, kMessageMap, uMsg, wParam, lParam, lResult) ||
           CWizardPageDialog::HandleMessage(uMsg, wParam, lParam, lResult);
}

void CUserInfoDlg::DoDataExchange(CDataExchange& dx) {
    dx.Control(IDC_CREATE_NAME, m_nameEdit);
    dx.Control(IDC_CREATE_PASSWORD, m_passwordEdit);
    dx.Control(IDC_CREATE_CONFIRM, m_confirmEdit);
    dx.Text(IDC_CREATE_NAME, m_strName, kUserNameMax);
    dx.Text(IDC_CREATE_PASSWORD, m_strPassword, kUserPasswordMax);
    dx.Text(IDC_CREATE_CONFIRM, m_strConfirm, kUserPasswordMax);
    dx.Check(IDC_CREATE_GROUP_USER, m_iGroupUser);
}

void CUserInfoDlg::BeforeExchange() {
    CProfileEditState& state = gProfileEditState;
    // Still set when the wizard comes back here without having created the user: what was
    // typed and chosen then stays.
    if (createInProgress == 0) {
        ResetEditState(state);
    }
    m_strName = state.profileName;
    m_strPassword = state.newPassword;
    m_strConfirm = state.newPassword;
    m_iGroupUser = state.newUserGroup == 3 ? BST_CHECKED : BST_UNCHECKED;
}

void CUserInfoDlg::OnScreenInit() {
    CProfileEditState& state = gProfileEditState;
    ::CheckRadioButton(m_hWnd, IDC_CREATE_GROUP_USER, IDC_CREATE_GROUP_ADMIN,
                       state.newUserGroup == 3 ? IDC_CREATE_GROUP_USER : IDC_CREATE_GROUP_ADMIN);

    // A new profile blocks every category. Categories already chosen in an earlier pass of
    // the wizard are not listed twice.
    ReadCategories(state);
    for (const std::string& strCategory : state.allCategories) {
        if (std::find(state.selectedCategories.begin(), state.selectedCategories.end(),
                      strCategory) == state.selectedCategories.end()) {
            state.selectedCategories.push_back(strCategory);
        }
    }
}

void CUserInfoDlg::OnNext() {
    gGuiLog.Write("CUserInfoDlg::OnNext() ", 1);
    UpdateData(true);
    if (m_strName.empty()) {
        MessageBoxById(IDS_ENTER_USER_NAME, MB_OK | MB_ICONEXCLAMATION);
        m_nameEdit.SetFocus();
        return;
    }
    if (!IsValidUserName(m_strName)) {
        MessageBoxById(IDS_INVALID_USER_NAME, MB_OK | MB_ICONEXCLAMATION);
        m_nameEdit.FocusForCorrection();
        return;
    }
    if (IsUserExists(m_strName.c_str()) != 0) {
        MessageBoxById(IDS_USER_EXISTS, MB_OK | MB_ICONEXCLAMATION);
        m_nameEdit.FocusForCorrection();
        return;
    }
    if (!CheckNewPassword(*this, m_passwordEdit, m_confirmEdit, m_strPassword, m_strConfirm,
                          IDS_ENTER_PASSWORD)) {
        return;
    }
    CProfileEditState& state = gProfileEditState;
    CopyToField(state.profileName, m_strName);
    CopyToField(state.newPassword, m_strPassword);
    state.newUserGroup = m_iGroupUser == BST_CHECKED ? 3 : 2;
    EndDialog(screens::kCategoriesSettings);
}

void CUserInfoDlg::OnPrevious() {
    gGuiLog.Write("CUserInfoDlg::OnPrevious()", 1);
    createInProgress = 0;
    EndDialog(screens::kAdministration);
}

void CUserInfoDlg::OnOK() {
    // Enter goes on as "Next" does.
    OnNext();
}

void CUserInfoDlg::OnCancel() {
    OnPrevious();
}
