#include "gui/admin/ModifyProfileDlg.h"

#include "Api/PolicyApi.h"
#include "gui/admin/Operations.h"
#include "gui/admin/ProfileEditState.h"
#include "gui/admin/ScreenResult.h"
#include "gui/app/GuiLog.h"
#include "gui/framework/Dpi.h"
#include "gui/framework/MessageBox.h"
#include "gui/res/resource.h"

namespace {

bool IsDefaultProfile() {
    return _stricmp(gProfileEditState.profileName, "Default") == 0;
}

}  // namespace

const CMessageEntry<CModifyProfileDlg> CModifyProfileDlg::kMessageMap[] = {
    MapCommand(IDC_EDITOR_APPLY, &CModifyProfileDlg::OnApply),
    MapCommand(IDC_EDITOR_DONE, &CModifyProfileDlg::OnDone),
};

CModifyProfileDlg::CModifyProfileDlg(CWnd* pParent)
    : CSkinnedScreen(IDD_PROFILE_EDITOR, IDB_PROFILE_EDITOR, pParent) {}

bool CModifyProfileDlg::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) {
    return DispatchMessageMap(*this, kMessageMap, uMsg, wParam, lParam, lResult) ||
           CSkinnedScreen::HandleMessage(uMsg, wParam, lParam, lResult);
}

void CModifyProfileDlg::OnScreenInit() {
    SetWindowText(IsDefaultProfile()
                      ? LoadResourceString(IDS_MODIFYING_DEFAULT)
                      : FormatResourceString(IDS_MODIFYING_PROFILE, gProfileEditState.profileName));
    listsChanged = 0;
    CreateTabs();
}

void CModifyProfileDlg::CreateTabs() {
    if (!m_container.Create(this)) {
        gGuiLog.Write("CModifyProfileDlg :: the tab container could not be created", 1);
        return;
    }
    m_container.MoveWindow(ScaleForDpi(kContainerRect));
    m_container.ShowWindow(SW_SHOW);
    m_advancedPage.SetBackground(IDB_PAGE_ADVANCED, kTile);
    m_userPage.SetBackground(
        _stricmp(gProfileEditState.profileName, "Admin") == 0 ? IDB_PAGE_USER_ADMIN : IDB_PAGE_USER,
        kTile);
    // A page that cannot be made leaves out its tab and those after it.
    const bool bAll = AddTab(m_categoryPage, m_categoryTab, "Category", IDC_TAB_CATEGORY) &&
                      AddTab(m_advancedPage, m_advancedTab, "Advanced", IDC_TAB_ADVANCED) &&
                      AddTab(m_timePage, m_timeTab, "Time", IDC_TAB_TIME) &&
                      (IsDefaultProfile() || AddTab(m_userPage, m_userTab, "User", IDC_TAB_USER));
    if (!bAll) {
        gGuiLog.Write("CModifyProfileDlg :: a page could not be created", 1);
    }
    m_categoryTab.SetSelectedTab(true);
    m_container.Arrange();
}

bool CModifyProfileDlg::AddTab(CDialog& page, CXPButton& button, const char* szCaption, int nId) {
    if (!page.Create(&m_container)) {
        return false;
    }
    const RECT rect =
        ScaleForDpi(RECT{0, 0, CTabContainerDlg::kTabWidth, CTabContainerDlg::kTabHeight});
    button.SetTabMode(true);
    if (!button.Create(szCaption, rect, m_container.GetSafeHwnd(), nId)) {
        page.DestroyWindow();
        return false;
    }
    m_container.Add(page, button);
    return true;
}

void CModifyProfileDlg::OnApply() {
    Commit();
}

bool CModifyProfileDlg::Commit() {
    gGuiLog.Write("OnApply", 1);
    if (listsChanged != 1) {
        return true;
    }
    CProfileEditState& state = gProfileEditState;
    // Failures are logged by the writes themselves.
    const bool bSaved = WriteProfileLists(state, true);
    // The filter reloads only the rules of the user now logged in.
    if (_stricmp(state.loggedInUser, state.profileName) == 0) {
        UpdateRequire(1);
    }
    if (!bSaved) {
        // Not told as saved, and still to be saved by the next Apply.
        MessageBox(FormatResourceString(IDS_SETTINGS_NOT_SAVED, GetLastErrorMessage()),
                   MB_OK | MB_ICONSTOP);
        return false;
    }
    MessageBoxById(IDS_SETTINGS_SAVED, MB_OK | MB_ICONINFORMATION);
    listsChanged = 0;
    return true;
}

void CModifyProfileDlg::OnDone() {
    if (Commit()) {
        EndDialog(screens::kAdministration);
    }
}

void CModifyProfileDlg::OnOK() {
    // Enter in a page's edit must not close the editor or commit.
}

void CModifyProfileDlg::OnCancel() {
    EndDialog(screens::kAdministration);
}
