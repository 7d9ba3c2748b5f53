#include "gui/users/SelectUserDlg.h"

#include "gui/res/resource.h"

CSelectUserDlg::CSelectUserDlg(CWnd* pParent) : CSkinDialog(IDD_SELECT_USER, pParent) {}
