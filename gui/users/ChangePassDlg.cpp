#include "gui/users/ChangePassDlg.h"

#include "gui/res/resource.h"

CChangePassDlg::CChangePassDlg(CWnd* pParent) : CSkinDialog(IDD_PERSONAL_SETTINGS, pParent) {}
