// A screen of the settings program as every one is made: its background tiled under the
// banner, the program's push buttons and icon; its close box hides the program. A screen adds
// only what is its own: the values its controls show, what it does once open, its commands.
#pragma once

#include "gui/controls/SkinDialog.h"

class CSkinnedScreen : public CSkinDialog {
public:
    CSkinnedScreen(UINT nIdTemplate, UINT nIdBackground, CWnd* pParent)
        : CSkinDialog(nIdTemplate, pParent), m_nIdBackground(nIdBackground) {}

protected:
    BOOL OnInitDialog() final;
    bool HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

    // Before the data exchange fills the controls: the values they are to show.
    virtual void BeforeExchange() {}
    // Once the controls hold their values and wear the skin.
    virtual void OnScreenInit() {}
    // The close box (WM_CLOSE): the chain of screens ends and the program hides.
    virtual void OnCloseBox();

private:
    UINT m_nIdBackground;
};
