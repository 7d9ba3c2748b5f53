#include "gui/policy/CategoryPolicyDlg.h"

#include "gui/admin/ProfileEditState.h"
#include "gui/admin/ScreenResult.h"
#include "gui/app/GuiLog.h"
#include "gui/framework/Dpi.h"
#include "gui/res/resource.h"

namespace {

// Where the category list's scroll bar stands, in the screen's pixels.
constexpr RECT kScrollBar = {252, 128, 252 + 12, 128 + 304};

}  // namespace

const CMessageEntry<CCategoryPolicyDlg> CCategoryPolicyDlg::kMessageMap[] = {
    MapCommand(IDC_CATEGORY_ADVANCED, &CCategoryPolicyDlg::OnAdvancedSettings),
    MapCommand(IDC_CATEGORY_FINISH, &CCategoryPolicyDlg::OnNext),
};

CCategoryPolicyDlg::CCategoryPolicyDlg(CWnd* pParent)
    : CWizardPageDialog(IDD_CATEGORIES_SETTINGS, IDB_CATEGORIES_SETTINGS, pParent) {}

bool CCategoryPolicyDlg::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) {
    return DispatchMessageMap(*this, kMessageMap, uMsg, wParam, lParam, lResult) ||
           CWizardPageDialog::HandleMessage(uMsg, wParam, lParam, lResult);
}

void CCategoryPolicyDlg::OnScreenInit() {
    CenterWindow();
    const bool bDefault = _stricmp(gProfileEditState.profileName, "Default") == 0;
    ::ShowWindow(GetDlgItem(IDC_CATEGORY_NOTE), bDefault ? SW_SHOW : SW_HIDE);
    m_checks.Open(*this, ScaleForDpiKeepingWidth(kScrollBar));
}

void CCategoryPolicyDlg::OnAdvancedSettings() {
    m_checks.StoreChecks();
    gGuiLog.Write("CCategoryPolicyDlg::OnPrevious()", 1);
    EndDialog(screens::kAdvancedSettings);
}

void CCategoryPolicyDlg::OnNext() {
    m_checks.StoreChecks();
    EndDialog(screens::kTimeSettings);
}
