// The tray menu's items as it opens, logged in and logged out.
#include <gtest/gtest.h>

#include "gui/login/LoginDlg.h"
#include "gui/res/resource.h"
#include "win/GdiHandle.h"

namespace {

bool Greyed(HMENU hMenu, UINT uId) {
    return (::GetMenuState(hMenu, uId, MF_BYCOMMAND) & MF_GRAYED) != 0;
}

TEST(TrayMenu, GreysWhatCannotBeDoneNow) {
    const CMenuHandle menu(
        ::LoadMenuA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_TRAY_MENU)));
    ASSERT_TRUE(menu);
    const HMENU hPopup = ::GetSubMenu(menu.Get(), 0);
    ASSERT_EQ(::GetMenuItemCount(hPopup), 7);

    GreyTrayMenu(hPopup, false);
    EXPECT_FALSE(Greyed(hPopup, ID_TRAY_LOGIN));
    EXPECT_TRUE(Greyed(hPopup, ID_TRAY_LOGOUT));
    EXPECT_TRUE(Greyed(hPopup, ID_TRAY_SETTINGS));
    EXPECT_FALSE(Greyed(hPopup, ID_TRAY_EXIT));
    EXPECT_FALSE(Greyed(hPopup, ID_TRAY_GIVE_TIME));

    GreyTrayMenu(hPopup, true);
    EXPECT_TRUE(Greyed(hPopup, ID_TRAY_LOGIN));
    EXPECT_FALSE(Greyed(hPopup, ID_TRAY_LOGOUT));
    EXPECT_FALSE(Greyed(hPopup, ID_TRAY_SETTINGS));
    EXPECT_FALSE(Greyed(hPopup, ID_TRAY_EXIT));
    EXPECT_FALSE(Greyed(hPopup, ID_TRAY_GIVE_TIME));
}

}  // namespace
