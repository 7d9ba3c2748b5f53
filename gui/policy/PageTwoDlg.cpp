#include "gui/policy/PageTwoDlg.h"

#include "gui/app/ProgramWindow.h"
#include "gui/res/resource.h"

CPageTwoDlg::CPageTwoDlg(CWnd* pParent) : CSkinDialog(IDD_PAGE_ADVANCED, pParent) {}

bool CPageTwoDlg::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) {
    // The hidden "Finish" and "Cancel" buttons have no action here.
    if (m_lists.OnCommand(uMsg, wParam)) {
        lResult = 0;
        return true;
    }
    return CSkinDialog::HandleMessage(uMsg, wParam, lParam, lResult);
}

BOOL CPageTwoDlg::OnInitDialog() {
    CSkinDialog::OnInitDialog();
    SkinPushButtons();
    ShowAsProgramWindow(*this);
    m_lists.Open();
    return TRUE;
}
