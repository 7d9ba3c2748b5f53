#include "gui/policy/TimePageDlg.h"

#include "gui/app/ProgramWindow.h"
#include "gui/res/resource.h"

CTimePageDlg::CTimePageDlg(CWnd* pParent) : CSkinDialog(IDD_PAGE_TIME, pParent) {}

bool CTimePageDlg::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) {
    if (m_editor.OnCommand(uMsg, wParam)) {
        lResult = 0;
        return true;
    }
    return CSkinDialog::HandleMessage(uMsg, wParam, lParam, lResult);
}

BOOL CTimePageDlg::OnInitDialog() {
    SetBackground(IDB_PAGE_ADVANCED, kTile);
    CSkinDialog::OnInitDialog();
    SkinPushButtons();
    ShowAsProgramWindow(*this);
    m_editor.Open();
    return TRUE;
}
