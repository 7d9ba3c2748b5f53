// Categories Settings: the wizard's blocked categories.
#pragma once

#include "gui/admin/WizardPageDialog.h"

class CCategoryPolicyDlg : public CWizardPageDialog {
public:
    explicit CCategoryPolicyDlg(CWnd* pParent = nullptr);
};
