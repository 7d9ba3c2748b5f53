#include "gui/users/UserPageDlg.h"

#include "gui/res/resource.h"

CUserPageDlg::CUserPageDlg(CWnd* pParent) : CSkinDialog(IDD_PAGE_USER, pParent) {}
