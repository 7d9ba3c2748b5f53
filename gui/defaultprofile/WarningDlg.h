// Asked when the login window closes while nobody is logged in: the Default profile will
// apply. Its link shows what that profile blocks and allows. Ends with IDC_WARNING_YES,
// IDC_WARNING_NO, or IDCANCEL (Escape, close box), which counts as yes.
#pragma once

#include "gui/controls/HyperLink.h"
#include "gui/framework/Dialog.h"
#include "gui/framework/MessageMap.h"

class CWarningDlg : public CDialog {
public:
    explicit CWarningDlg(CWnd* pParent);

protected:
    BOOL OnInitDialog() override;
    bool HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

private:
    static const CMessageEntry<CWarningDlg> kMessageMap[];
    static constexpr int kShiftRight = 50;

    void OnYes();
    void OnNo();
    LRESULT OnLinkClicked(WPARAM wParam, LPARAM lParam);

    CHyperLink m_link;
};
