// The Category page of the profile editor: the blocked categories.
#pragma once

#include "gui/controls/SkinDialog.h"

class CCategoryPageDlg : public CSkinDialog {
public:
    explicit CCategoryPageDlg(CWnd* pParent = nullptr);
};
