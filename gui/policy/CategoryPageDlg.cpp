#include "gui/policy/CategoryPageDlg.h"

#include "gui/res/resource.h"

CCategoryPageDlg::CCategoryPageDlg(CWnd* pParent) : CSkinDialog(IDD_PAGE_CATEGORY, pParent) {}
