// Select User: opens the profile editor on a user, and deletes users.
#pragma once

#include "gui/controls/SkinDialog.h"

class CSelectUserDlg : public CSkinDialog {
public:
    explicit CSelectUserDlg(CWnd* pParent = nullptr);
};
