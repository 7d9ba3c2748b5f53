#include "gui/policy/PageTwoDlg.h"

#include "gui/res/resource.h"

CPageTwoDlg::CPageTwoDlg(CWnd* pParent) : CSkinDialog(IDD_PAGE_ADVANCED, pParent) {}
