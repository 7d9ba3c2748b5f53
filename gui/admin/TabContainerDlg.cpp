#include "gui/admin/TabContainerDlg.h"

#include "gui/framework/Dpi.h"
#include "gui/res/resource.h"

CTabContainerDlg::CTabContainerDlg(CWnd* pParent) : CDialog(IDD_TAB_CONTAINER, pParent) {}

void CTabContainerDlg::Add(CDialog& page, CXPButton& button) {
    m_tabs.push_back({&page, &button});
}

void CTabContainerDlg::Arrange() {
    for (size_t i = 0; i < m_tabs.size(); ++i) {
        CXPButton& button = *m_tabs[i].pButton;
        const RECT rect = button.GetRectInParent();
        button.MoveWindow(ScaleForDpi(kFirstTab.x + kTabWidth * static_cast<int>(i)),
                          ScaleForDpi(kFirstTab.y), rect.right - rect.left, rect.bottom - rect.top);
        m_tabs[i].pPage->MoveWindow(ScaleForDpi(kPageRect));
        m_tabs[i].pPage->ShowWindow(i == 0 ? SW_SHOW : SW_HIDE);
    }
}

void CTabContainerDlg::Select(size_t nTab) {
    if (m_tabs[nTab].pButton->IsSelectedTab()) {
        return;
    }
    for (const CTab& tab : m_tabs) {
        tab.pPage->ShowWindow(SW_HIDE);
    }
    m_tabs[nTab].pPage->ShowWindow(SW_SHOW);
    for (size_t i = 0; i < m_tabs.size(); ++i) {
        m_tabs[i].pButton->SetSelectedTab(i == nTab);
        m_tabs[i].pButton->UpdateWindow();
    }
}

bool CTabContainerDlg::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) {
    if (uMsg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        for (size_t i = 0; i < m_tabs.size(); ++i) {
            if (m_tabs[i].pButton->GetSafeHwnd() == reinterpret_cast<HWND>(lParam)) {
                Select(i);
                lResult = 0;
                return true;
            }
        }
    }
    return CDialog::HandleMessage(uMsg, wParam, lParam, lResult);
}
