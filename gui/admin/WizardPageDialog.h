// A screen of the create-profile wizard: Enter and Escape do not close it; only its own
// buttons and its close box move on.
#pragma once

#include "gui/controls/SkinDialog.h"

class CWizardPageDialog : public CSkinDialog {
public:
    using CSkinDialog::CSkinDialog;

protected:
    void OnOK() override {}
    void OnCancel() override {}
};
