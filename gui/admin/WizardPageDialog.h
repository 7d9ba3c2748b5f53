// A screen of the create-profile wizard: Enter and Escape do not close it; only its own
// buttons and its close box move on, and the close box abandons the profile being made.
#pragma once

#include "gui/admin/ProfileEditState.h"
#include "gui/admin/SkinnedScreen.h"

class CWizardPageDialog : public CSkinnedScreen {
public:
    using CSkinnedScreen::CSkinnedScreen;

protected:
    void OnOK() override {}
    void OnCancel() override {}
    void OnCloseBox() override {
        createInProgress = 0;
        CSkinnedScreen::OnCloseBox();
    }
};
