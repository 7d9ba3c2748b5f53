#include "gui/policy/URLPolicyDlg.h"

#include "gui/res/resource.h"

CURLPolicyDlg::CURLPolicyDlg(CWnd* pParent) : CWizardPageDialog(IDD_ADVANCED_SETTINGS, pParent) {}
