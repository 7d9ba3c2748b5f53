// The Category page of the profile editor: the blocked categories. The editor commits what
// it changes.
#pragma once

#include "gui/controls/SkinDialog.h"
#include "gui/policy/CategoryChecks.h"

class CCategoryPageDlg : public CSkinDialog {
public:
    explicit CCategoryPageDlg(CWnd* pParent = nullptr);

protected:
    BOOL OnInitDialog() override;
    // Enter and Escape inside a page end nothing.
    void OnOK() override {}
    void OnCancel() override {}

private:
    CCategoryChecks m_checks;
};
