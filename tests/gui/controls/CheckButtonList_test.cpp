// The category list: ten items to a view, the skinned scroll bar that reaches the rest, and
// the toggles its owner hears of.
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "gui/controls/CheckButtonList.h"
#include "gui/framework/Dialog.h"
#include "gui/res/resource.h"
#include "tests/gui/support/HostWindow.h"

namespace {

// The Categories Settings screen's list and scroll bar, as that screen places them.
class CheckButtonListTest : public ::testing::Test {
protected:
    CheckButtonListTest() {
        EXPECT_TRUE(m_dialog.Create(nullptr));
        EXPECT_TRUE(m_list.Attach(m_dialog, IDC_CATEGORY_LIST, RECT{252, 128, 264, 432}));
        m_list.SetToggleHandler([this](int i, bool b) { m_toggles.emplace_back(i, b); });
        for (int i = 1; i <= 11; ++i) {
            m_list.AddItem("Category " + std::to_string(i));
        }
        m_dialog.ShowWindow(SW_SHOWNOACTIVATE);
        PumpMessages();
    }

    RECT ButtonRect(int nIndex) const {
        RECT rect = {};
        ::GetWindowRect(m_list.ItemButton(nIndex), &rect);
        ::MapWindowPoints(nullptr, m_list.GetSafeHwnd(), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
    bool FullyShown(int nIndex) const {
        const RECT rect = ButtonRect(nIndex);
        return ::IsWindowVisible(m_list.ItemButton(nIndex)) && rect.top >= 0 &&
               rect.bottom <= m_list.GetClientRect().bottom;
    }
    void PressScrollBar(int y) {
        const HWND hBar = m_list.ScrollBar().GetSafeHwnd();
        ::SendMessageA(hBar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, y));
        ::SendMessageA(hBar, WM_LBUTTONUP, 0, MAKELPARAM(5, y));
        PumpMessages();
    }

    CDialog m_dialog{IDD_CATEGORIES_SETTINGS};
    CCheckButtonList m_list;
    std::vector<std::pair<int, bool>> m_toggles;
};

TEST_F(CheckButtonListTest, TenItemsShowAndTheScrollBarReachesTheEleventh) {
    EXPECT_EQ(m_list.GetItemHeight(), m_list.GetClientRect().bottom / 10);
    for (int i = 0; i < 10; ++i) {
        EXPECT_TRUE(FullyShown(i)) << i;
    }
    EXPECT_FALSE(FullyShown(10));
    const RECT thumb = m_list.ScrollBar().ThumbRect();
    EXPECT_GT(thumb.bottom, thumb.top);

    PressScrollBar(300);  // the down arrow at the bar's foot
    EXPECT_EQ(m_list.GetTopIndex(), 1);
    EXPECT_TRUE(FullyShown(10));
    EXPECT_FALSE(::IsWindowVisible(m_list.ItemButton(0)));
    EXPECT_EQ(ButtonRect(1).top, 0);
    EXPECT_GT(m_list.ScrollBar().ThumbRect().top, thumb.top);

    PressScrollBar(3);  // the up arrow
    EXPECT_EQ(m_list.GetTopIndex(), 0);
    EXPECT_TRUE(FullyShown(0));
}

TEST_F(CheckButtonListTest, TheWheelScrollsTheItemsAndTheBar) {
    const RECT thumb = m_list.ScrollBar().ThumbRect();
    ::SendMessageA(m_list.GetSafeHwnd(), WM_MOUSEWHEEL,
                   MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    PumpMessages();
    EXPECT_EQ(m_list.GetTopIndex(), 1);
    EXPECT_TRUE(FullyShown(10));
    EXPECT_GT(m_list.ScrollBar().ThumbRect().top, thumb.top);
}

TEST_F(CheckButtonListTest, AClickTogglesTheItemAndTellsTheOwner) {
    ::SendMessageA(m_list.ItemButton(2), BM_CLICK, 0, 0);
    PumpMessages();
    EXPECT_TRUE(m_list.GetCheck(2));
    ::SendMessageA(m_list.ItemButton(2), BM_CLICK, 0, 0);
    PumpMessages();
    EXPECT_FALSE(m_list.GetCheck(2));
    EXPECT_EQ(m_toggles, (std::vector<std::pair<int, bool>>{{2, true}, {2, false}}));
    EXPECT_EQ(m_list.GetText(2), "Category 3");
}

TEST_F(CheckButtonListTest, ItemButtonsAreNumberedAcrossTheRun) {
    const int nFirst = ::GetDlgCtrlID(m_list.ItemButton(0));
    EXPECT_GE(nFirst, 1002);
    EXPECT_EQ(::GetDlgCtrlID(m_list.ItemButton(10)), nFirst + 10);
}

}  // namespace
