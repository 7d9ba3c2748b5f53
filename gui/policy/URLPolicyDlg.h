// Advanced Settings: the wizard's allowed and blocked URL lists.
#pragma once

#include "gui/admin/WizardPageDialog.h"

class CURLPolicyDlg : public CWizardPageDialog {
public:
    explicit CURLPolicyDlg(CWnd* pParent = nullptr);
};
