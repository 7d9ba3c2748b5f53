// The Advanced page of the profile editor: the allowed and blocked URL lists.
#pragma once

#include "gui/controls/SkinDialog.h"

class CPageTwoDlg : public CSkinDialog {
public:
    explicit CPageTwoDlg(CWnd* pParent = nullptr);
};
