#include "gui/policy/URLPolicyDlg.h"

#include "gui/admin/Operations.h"
#include "gui/admin/ProfileEditState.h"
#include "gui/admin/ScreenResult.h"
#include "gui/app/GuiLog.h"
#include "gui/res/resource.h"

const CMessageEntry<CURLPolicyDlg> CURLPolicyDlg::kMessageMap[] = {
    MapCommand(IDC_URL_SAVE, &CURLPolicyDlg::OnSave),
    MapCommand(IDC_URL_BACK, &CURLPolicyDlg::OnBack),
};

CURLPolicyDlg::CURLPolicyDlg(CWnd* pParent)
    : CWizardPageDialog(IDD_ADVANCED_SETTINGS, IDB_ADVANCED_SETTINGS, pParent) {}

bool CURLPolicyDlg::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) {
    if (m_lists.OnCommand(uMsg, wParam)) {
        lResult = 0;
        return true;
    }
    return DispatchMessageMap(*this, kMessageMap, uMsg, wParam, lParam, lResult) ||
           CWizardPageDialog::HandleMessage(uMsg, wParam, lParam, lResult);
}

void CURLPolicyDlg::OnScreenInit() {
    CenterWindow();
    m_lists.Open();
}

void CURLPolicyDlg::OnSave() {
    gGuiLog.Write("CURLPolicyDlg::OnFinish()", 1);
    FillStringList(gProfileEditState.allowedURLs, m_lists.AllowedList());
    EndDialog(screens::kCategoriesSettings);
}

void CURLPolicyDlg::OnBack() {
    // Add and Remove have already changed the edit state: going back keeps them.
    gGuiLog.Write("CURLPolicyDlg::OnPrevious()", 1);
    EndDialog(screens::kCategoriesSettings);
}
