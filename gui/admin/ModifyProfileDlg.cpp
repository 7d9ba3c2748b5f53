#include "gui/admin/ModifyProfileDlg.h"

#include "gui/res/resource.h"

CModifyProfileDlg::CModifyProfileDlg(CWnd* pParent) : CSkinDialog(IDD_PROFILE_EDITOR, pParent) {}
