// Personal Settings: a plain user changes his own password.
#pragma once

#include "gui/controls/SkinDialog.h"

class CChangePassDlg : public CSkinDialog {
public:
    explicit CChangePassDlg(CWnd* pParent = nullptr);
};
