// Create User: the first screen of the create-profile wizard.
#pragma once

#include "gui/controls/SkinDialog.h"

class CUserInfoDlg : public CSkinDialog {
public:
    explicit CUserInfoDlg(CWnd* pParent = nullptr);
};
