// The profile editor: the Category, Advanced and (for a user) User pages of the profile in
// the edit state, committed by Apply and Done.
#pragma once

#include "gui/controls/SkinDialog.h"

class CModifyProfileDlg : public CSkinDialog {
public:
    explicit CModifyProfileDlg(CWnd* pParent = nullptr);
};
