#include "gui/policy/CategoryPolicyDlg.h"

#include "gui/res/resource.h"

CCategoryPolicyDlg::CCategoryPolicyDlg(CWnd* pParent)
    : CWizardPageDialog(IDD_CATEGORIES_SETTINGS, pParent) {}
