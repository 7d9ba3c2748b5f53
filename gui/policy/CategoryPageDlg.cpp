#include "gui/policy/CategoryPageDlg.h"

#include "gui/admin/ProfileEditState.h"
#include "gui/app/ProgramWindow.h"
#include "gui/framework/Dpi.h"
#include "gui/res/resource.h"

namespace {

// Where the category list's scroll bar stands, in the page's pixels.
constexpr RECT kScrollBar = {260, 31, 260 + 12, 31 + 286};

}  // namespace

CCategoryPageDlg::CCategoryPageDlg(CWnd* pParent) : CSkinDialog(IDD_PAGE_CATEGORY, pParent) {}

BOOL CCategoryPageDlg::OnInitDialog() {
    const bool bDefault = _stricmp(gProfileEditState.profileName, "Default") == 0;
    SetBackground(bDefault ? IDB_PAGE_CATEGORY_DEFAULT : IDB_PAGE_CATEGORY, kTile);
    CSkinDialog::OnInitDialog();
    SkinPushButtons();
    ShowAsProgramWindow(*this);
    m_checks.Open(*this, ScaleForDpiKeepingWidth(kScrollBar));
    return TRUE;
}
