#include "gui/users/UserInfoDlg.h"

#include "gui/res/resource.h"

CUserInfoDlg::CUserInfoDlg(CWnd* pParent) : CSkinDialog(IDD_CREATE_USER, pParent) {}
