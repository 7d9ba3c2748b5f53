// Every screen's resources: each dialog is made from its template with the controls the
// program drives by id, over its own background; a picture of each goes to the screenshots.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "gui/controls/CheckButtonList.h"
#include "gui/controls/SkinDialog.h"
#include "gui/res/resource.h"
#include "tests/gui/support/GuiDriver.h"
#include "tests/gui/support/HostWindow.h"

namespace {

struct CScreen {
    const char* szName;
    UINT nTemplate;
    UINT nBackground;  // 0: none
    bool bBanner;
    std::vector<int> ids;
};

const CScreen kScreens[] = {
    {"administration",
     IDD_ADMINISTRATION,
     IDB_ADMINISTRATION,
     true,
     {1005, 1010, 1006, 1056, 1057, 1033, 1009}},
    {"create-user",
     IDD_CREATE_USER,
     IDB_CREATE_USER,
     true,
     {1001, 1002, 1003, 1019, 1047, 1009, 1008}},
    {"advanced-settings",
     IDD_ADVANCED_SETTINGS,
     IDB_ADVANCED_SETTINGS,
     true,
     {1015, 1017, 1004, 1006, 1016, 1018, 1005, 1007, 1032, 1008}},
    {"personal-settings",
     IDD_PERSONAL_SETTINGS,
     IDB_PERSONAL_SETTINGS,
     true,
     {1001, 1036, 1037, 1003, 1064, 1062, 1063, 1009, 2}},
    {"categories-settings",
     IDD_CATEGORIES_SETTINGS,
     IDB_CATEGORIES_SETTINGS,
     true,
     {1030, 1008, 1032, 1065}},
    {"profile-editor", IDD_PROFILE_EDITOR, IDB_PROFILE_EDITOR, true, {1033, 1032, 2, 1076}},
    {"select-user", IDD_SELECT_USER, IDB_SELECT_USER, true, {1035, 1009, 1038, 1008}},
    {"page-advanced",
     IDD_PAGE_ADVANCED,
     IDB_PAGE_ADVANCED,
     false,
     {1015, 1017, 1004, 1006, 1016, 1018, 1005, 1007, 1032, 1008}},
    {"page-category", IDD_PAGE_CATEGORY, IDB_PAGE_CATEGORY, false, {1030, 1008, 1032, 1088}},
    {"page-user", IDD_PAGE_USER, IDB_PAGE_USER, false, {1037, 1003, 1068, 1062, 1063, 1069}},
    {"tab-container", IDD_TAB_CONTAINER, 0, false, {}},
    // The Time page and Time Settings: the grid, its buttons, the minutes, the rules text.
    {"page-time",
     IDD_PAGE_TIME,
     IDB_PAGE_ADVANCED,
     false,
     {1200, 1201, 1202, 1203, 1210, 1211, 1212, 1213, 1214, 1215, 1216, 1220, 1221, 1230}},
    {"time-settings",
     IDD_TIME_SETTINGS,
     IDB_ADVANCED_SETTINGS,
     true,
     {1200, 1201, 1202, 1203, 1210, 1216, 1220, 1221, 1230, 1240, 1241}},
};

// A screen as the program will show it: skinned, its push buttons drawn by the program,
// its category list filled.
class CPreview : public CSkinDialog {
public:
    explicit CPreview(const CScreen& screen) : CSkinDialog(screen.nTemplate), m_screen(screen) {}

protected:
    BOOL OnInitDialog() override {
        CSkinDialog::OnInitDialog();
        if (m_screen.nBackground != 0) {
            SetBackground(m_screen.nBackground, kTile);
        }
        if (m_screen.bBanner) {
            SetBanner(IDB_BANNER);
        }
        SkinPushButtons();
        if (::GetDlgItem(m_hWnd, IDC_CATEGORY_LIST) != nullptr) {
            const RECT bar = m_screen.nTemplate == IDD_CATEGORIES_SETTINGS
                                 ? RECT{252, 128, 264, 432}
                                 : RECT{260, 31, 272, 317};
            m_list.Attach(*this, IDC_CATEGORY_LIST, bar);
            for (const char* szCategory :
                 {"Adult", "Chat", "Dating", "Drugs", "Gambling", "Games", "Hacking", "News",
                  "Shopping", "Sports", "Violence", "Weapons"}) {
                m_list.SetCheck(m_list.AddItem(szCategory), szCategory[0] < 'H');
            }
        }
        return TRUE;
    }

private:
    const CScreen& m_screen;
    CCheckButtonList m_list;
};

TEST(Screens, EveryTemplateMakesItsScreenWithItsControls) {
    for (const CScreen& screen : kScreens) {
        SCOPED_TRACE(screen.szName);
        // Pages and the tab container are children, at the size the profile editor gives.
        const bool bChild = !screen.bBanner;
        const SIZE size = screen.nTemplate == IDD_TAB_CONTAINER ? SIZE{491, 379} : SIZE{463, 339};
        CHostWindow host(size.cx, size.cy);
        CWnd hostWnd;
        hostWnd.Attach(host.Get());
        CPreview preview(screen);
        ASSERT_TRUE(preview.Create(bChild ? &hostWnd : nullptr));
        if (bChild) {
            ::SetWindowPos(preview.GetSafeHwnd(), nullptr, 0, 0, size.cx, size.cy, SWP_NOZORDER);
        }
        for (const int nId : screen.ids) {
            EXPECT_NE(preview.GetDlgItem(nId), nullptr) << nId;
        }
        const HWND hShown = bChild ? host.Get() : preview.GetSafeHwnd();
        preview.ShowWindow(SW_SHOWNOACTIVATE);
        if (bChild) {
            host.Show();
        }
        ::UpdateWindow(hShown);
        PumpMessages();
        gui::Screenshot(hShown, std::string("preview-") + screen.szName);
    }
}

}  // namespace
