#include "gui/defaultprofile/WarningDlg.h"

#include "gui/defaultprofile/ViewDefaultProfileDlg.h"
#include "gui/framework/Dpi.h"
#include "gui/res/resource.h"

const CMessageEntry<CWarningDlg> CWarningDlg::kMessageMap[] = {
    MapCommand(IDC_WARNING_YES, &CWarningDlg::OnYes),
    MapCommand(IDC_WARNING_NO, &CWarningDlg::OnNo),
    MapRegisteredMessage(WM_XHYPERLINK_CLICKED, &CWarningDlg::OnLinkClicked),
};

CWarningDlg::CWarningDlg(CWnd* pParent) : CDialog(IDD_WARNING, pParent) {}

bool CWarningDlg::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) {
    return DispatchMessageMap(*this, kMessageMap, uMsg, wParam, lParam, lResult) ||
           CDialog::HandleMessage(uMsg, wParam, lParam, lResult);
}

BOOL CWarningDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    const RECT rect = GetWindowRect();
    ::SetWindowPos(m_hWnd, nullptr, rect.left + ScaleForDpi(kShiftRight), rect.top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The link opens nothing itself: the dialog shows the profile.
    m_link.EnableOpen(false);
    m_link.EnableTooltip(false);
    m_link.EnableNotify(true);
    m_link.AttachDlgItem(IDC_WARNING_LINK, *this);
    return TRUE;
}

void CWarningDlg::OnYes() {
    EndDialog(IDC_WARNING_YES);
}

void CWarningDlg::OnNo() {
    EndDialog(IDC_WARNING_NO);
}

LRESULT CWarningDlg::OnLinkClicked(WPARAM, LPARAM) {
    CViewDefaultProfileDlg view(this);
    view.DoModal();
    return 0;
}
