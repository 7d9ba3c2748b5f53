// What the Default profile blocks and allows, read from the library as stored: its blocked
// categories, its allowed and its blocked URL texts.
#pragma once

#include "gui/framework/Controls.h"
#include "gui/framework/Dialog.h"

class CViewDefaultProfileDlg : public CDialog {
public:
    explicit CViewDefaultProfileDlg(CWnd* pParent);

protected:
    BOOL OnInitDialog() override;

private:
    CListBox m_categories;
    CListBox m_allowed;
    CListBox m_blocked;
};
