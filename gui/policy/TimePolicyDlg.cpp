#include "gui/policy/TimePolicyDlg.h"

#include "gui/admin/ScreenResult.h"
#include "gui/res/resource.h"

const CMessageEntry<CTimePolicyDlg> CTimePolicyDlg::kMessageMap[] = {
    MapCommand(IDC_TIME_BACK, &CTimePolicyDlg::OnBack),
    MapCommand(IDC_TIME_FINISH, &CTimePolicyDlg::OnFinish),
};

CTimePolicyDlg::CTimePolicyDlg(CWnd* pParent)
    : CWizardPageDialog(IDD_TIME_SETTINGS, IDB_ADVANCED_SETTINGS, pParent) {}

bool CTimePolicyDlg::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) {
    if (m_editor.OnCommand(uMsg, wParam)) {
        lResult = 0;
        return true;
    }
    return DispatchMessageMap(*this, kMessageMap, uMsg, wParam, lParam, lResult) ||
           CWizardPageDialog::HandleMessage(uMsg, wParam, lParam, lResult);
}

void CTimePolicyDlg::OnScreenInit() {
    CenterWindow();
    m_editor.Open();
}

// Every change is in the edit state already: going back keeps it.
void CTimePolicyDlg::OnBack() {
    EndDialog(screens::kCategoriesSettings);
}

void CTimePolicyDlg::OnFinish() {
    EndDialog(screens::kCreateTheUser);
}
