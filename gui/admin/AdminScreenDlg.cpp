#include "gui/admin/AdminScreenDlg.h"

#include "Api/PolicyApi.h"
#include "gui/admin/Operations.h"
#include "gui/admin/ProfileEditState.h"
#include "gui/admin/ScreenResult.h"
#include "gui/app/GuiLog.h"
#include "gui/framework/DataExchange.h"
#include "gui/res/resource.h"

const CMessageEntry<CAdminScreenDlg> CAdminScreenDlg::kMessageMap[] = {
    MapCommand(IDC_ADMIN_CREATE_PROFILE, &CAdminScreenDlg::OnCreateProfile),
    MapCommand(IDC_ADMIN_MODIFY_DEFAULT, &CAdminScreenDlg::OnModifyDefaultProfile),
    MapCommand(IDC_ADMIN_MODIFY_USER, &CAdminScreenDlg::OnModifyUserProfile),
    MapCommand(IDC_ADMIN_FILTER_ON, &CAdminScreenDlg::OnFilterChoice),
    MapCommand(IDC_ADMIN_FILTER_OFF, &CAdminScreenDlg::OnFilterChoice),
    MapCommand(IDC_ADMIN_APPLY, &CAdminScreenDlg::OnApply),
    MapCommand(IDC_ADMIN_CLOSE, &CAdminScreenDlg::OnCloseButton),
};

CAdminScreenDlg::CAdminScreenDlg(CWnd* pParent)
    : CSkinnedScreen(IDD_ADMINISTRATION, IDB_ADMINISTRATION, pParent) {}

bool CAdminScreenDlg::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) {
    return DispatchMessageMap(*this, kMessageMap, uMsg, wParam, lParam, lResult) ||
           CSkinnedScreen::HandleMessage(uMsg, wParam, lParam, lResult);
}

void CAdminScreenDlg::DoDataExchange(CDataExchange& dx) {
    dx.Check(IDC_ADMIN_FILTER_OFF, m_iFilterOff);
}

void CAdminScreenDlg::BeforeExchange() {
    m_iFilterOff = GetFilterOff() != 0 ? BST_CHECKED : BST_UNCHECKED;
    ::CheckRadioButton(m_hWnd, IDC_ADMIN_FILTER_ON, IDC_ADMIN_FILTER_OFF,
                       m_iFilterOff == BST_CHECKED ? IDC_ADMIN_FILTER_OFF : IDC_ADMIN_FILTER_ON);
}

void CAdminScreenDlg::OnCreateProfile() {
    EndDialog(screens::kCreateUser);
}

void CAdminScreenDlg::OnModifyDefaultProfile() {
    CopyToField(gProfileEditState.profileName, "Default");
    ReadProfile(gProfileEditState);
    EndDialog(screens::kProfileEditor);
}

void CAdminScreenDlg::OnModifyUserProfile() {
    EndDialog(screens::kSelectUser);
}

void CAdminScreenDlg::OnFilterChoice() {
    m_bChanged = true;
}

void CAdminScreenDlg::OnApply() {
    gGuiLog.Write("GUI::CAdminScreenDlg::OnApply", 1);
    UpdateData(true);
    if (!m_bChanged) {
        return;
    }
    SetFilterOff(m_iFilterOff == BST_CHECKED ? 1 : 0);
    m_bChanged = false;
    MessageBoxById(IDS_SETTINGS_SAVED, MB_OK | MB_ICONINFORMATION);
}

void CAdminScreenDlg::OnCloseButton() {
    EndDialog(screens::kHide);
}

void CAdminScreenDlg::OnOK() {
    // Enter presses the default button, "Close".
    OnCloseButton();
}

void CAdminScreenDlg::OnCancel() {
    EndDialog(screens::kShowLogin);
}
