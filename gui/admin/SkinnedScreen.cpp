#include "gui/admin/SkinnedScreen.h"

#include "gui/admin/ScreenResult.h"
#include "gui/app/ProgramWindow.h"
#include "gui/res/resource.h"

BOOL CSkinnedScreen::OnInitDialog() {
    SetBackground(m_nIdBackground, kTile);
    SetBanner(IDB_BANNER);
    BeforeExchange();
    CSkinDialog::OnInitDialog();
    SkinPushButtons();
    ShowAsProgramWindow(*this);
    OnScreenInit();
    return TRUE;
}

bool CSkinnedScreen::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) {
    if (uMsg == WM_CLOSE) {
        OnCloseBox();
        lResult = 0;
        return true;
    }
    return CSkinDialog::HandleMessage(uMsg, wParam, lParam, lResult);
}

void CSkinnedScreen::OnCloseBox() {
    EndDialog(screens::kHide);
}
