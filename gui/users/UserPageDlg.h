// The User page of the profile editor: the edited user's password and group.
#pragma once

#include "gui/controls/SkinDialog.h"

class CUserPageDlg : public CSkinDialog {
public:
    explicit CUserPageDlg(CWnd* pParent = nullptr);
};
