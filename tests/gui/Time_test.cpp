// The Time page of the profile editor and the wizard's Time Settings, driven as a parent
// would: cells clicked and dragged, keys, minutes typed; what the library then stores.
#include <string>

#include <gtest/gtest.h>

#include "gui/portable/TimeGrid.h"
#include "tests/gui/support/AdminTest.h"

namespace {

// What the library stores for szUser.
std::string StoredTimeRules(const char* szUser) {
    std::string strText(TIME_RULES_TEXT_SIZE, '\0');
    EXPECT_EQ(GetTimeRules(szUser, strText.data(), static_cast<int>(strText.size())), 1);
    return strText.c_str();
}

// A school week: the internet 16:00-20:00 on weekdays, 09:00-12:00 and one more hour at the
// weekend; an hour and a half a day at school, two at the weekend.
constexpr char kSchoolWeek[] =
    "allow mon-fri 16:00-20:00; allow sat,sun 09:00-12:00,14:00-15:00; limit mon-fri 90; "
    "limit sat,sun 120";

class TimeTest : public AdminTest {
protected:
    TimeTest() {
        // The pointer of the desktop stays away from the grids, which read only the clicks
        // and drags the tests post.
        ::SetCursorPos(0, 0);
    }

    // The editor on szName's profile with its Time page shown; the page's grid.
    HWND OpenTimePage(const char* szName) {
        OpenSettingsAsAdmin();
        if (std::string(szName) == "Default") {
            gui::Click(Screen("Administration"), IDC_ADMIN_MODIFY_DEFAULT);
            m_hEditor = Screen("Modifying Default Profile");
        } else {
            m_hEditor = EditProfileOf(szName);
        }
        if (m_hEditor == nullptr) {
            return nullptr;
        }
        ::PostMessageA(gui::DescendantItem(m_hEditor, IDC_TAB_TIME), BM_CLICK, 0, 0);
        const HWND hGrid = gui::DescendantItem(m_hEditor, IDC_TIME_GRID);
        const bool bShown = gui::WaitUntil([&] { return ::IsWindowVisible(hGrid) != FALSE; });
        return bShown ? hGrid : nullptr;
    }
    static HWND Page(HWND hGrid) { return ::GetParent(hGrid); }
    static std::string RulesShown(HWND hGrid) {
        return gui::ItemText(Page(hGrid), IDC_TIME_RULES_TEXT);
    }
    // Waits until the page shows strText (its grid and fields have handled what was posted).
    static bool Shows(HWND hGrid, const std::string& strText) {
        return gui::WaitUntil([&] { return RulesShown(hGrid) == strText; });
    }

    // The centre of a cell in the grid's client pixels, as an lParam.
    static LPARAM CellPoint(HWND hGrid, int iDay, int iSlot) {
        RECT client;
        ::GetClientRect(hGrid, &client);
        const CTimeGridLayout layout = CTimeGridLayout::ForClient(client.right, client.bottom);
        return MAKELPARAM(layout.CellLeft(iSlot) + layout.iCellWidth / 2,
                          layout.RowTop(iDay) + layout.iRowHeight / 2);
    }
    // A press on one cell, the mouse moved to another and let go there.
    static void Drag(HWND hGrid, int iDay1, int iSlot1, int iDay2, int iSlot2) {
        ::PostMessageA(hGrid, WM_LBUTTONDOWN, MK_LBUTTON, CellPoint(hGrid, iDay1, iSlot1));
        ::PostMessageA(hGrid, WM_MOUSEMOVE, MK_LBUTTON, CellPoint(hGrid, iDay2, iSlot1));
        ::PostMessageA(hGrid, WM_MOUSEMOVE, MK_LBUTTON, CellPoint(hGrid, iDay2, iSlot2));
        ::PostMessageA(hGrid, WM_LBUTTONUP, 0, CellPoint(hGrid, iDay2, iSlot2));
    }
    static void ClickCell(HWND hGrid, int iDay, int iSlot) {
        Drag(hGrid, iDay, iSlot, iDay, iSlot);
    }
    static void Key(HWND hGrid, WPARAM vk) { ::PostMessageA(hGrid, WM_KEYDOWN, vk, 0); }

    // Sets a school week by clicks, drags and minutes, checking each step's text.
    static void SetSchoolWeek(HWND hGrid) {
        const HWND hPage = Page(hGrid);
        gui::Click(hPage, IDC_TIME_NONE);
        ASSERT_TRUE(Shows(hGrid, "allow all none"));
        Drag(hGrid, 0, 32, 0, 39);  // Monday 16:00-20:00
        gui::Click(hPage, IDC_TIME_COPY_MONDAY);
        ASSERT_TRUE(Shows(hGrid, "allow mon-fri 16:00-20:00; allow sat,sun none"));
        // Backwards over both weekend days, then an hour more on each with a click a cell.
        Drag(hGrid, 6, 23, 5, 18);
        for (const int iDay : {5, 6}) {
            ClickCell(hGrid, iDay, 28);
            ClickCell(hGrid, iDay, 29);
        }
        gui::TypeText(hPage, IDC_TIME_SCHOOL_DAYS, "90");
        gui::TypeText(hPage, IDC_TIME_WEEKEND, "120");
        ASSERT_TRUE(Shows(hGrid, kSchoolWeek));
        EXPECT_EQ(gui::ItemText(hPage, IDC_TIME_MINUTES_MON + 2), "90");
        EXPECT_EQ(gui::ItemText(hPage, IDC_TIME_MINUTES_MON + 6), "120");
    }

    HWND m_hEditor = nullptr;
};

TEST_F(TimeTest, ASchoolWeekSetByClicksAndDragsIsStoredByOneApply) {
    const HWND hGrid = OpenTimePage("kid");
    ASSERT_NE(hGrid, nullptr);
    EXPECT_EQ(RulesShown(hGrid), "");
    gui::Screenshot(m_hEditor, "editor-time-empty");
    SetSchoolWeek(hGrid);
    gui::Screenshot(m_hEditor, "editor-time-school-week");
    EXPECT_EQ(StoredTimeRules("kid"), "");  // nothing written before Apply

    gui::Click(m_hEditor, IDC_EDITOR_APPLY);
    EXPECT_EQ(TakeMessage(m_hEditor), "New Settings Saved Successfully");
    EXPECT_EQ(StoredTimeRules("kid"), kSchoolWeek);
    // Committed: a second Apply has nothing to write or tell.
    EXPECT_TRUE(gui::ClickNow(m_hEditor, IDC_EDITOR_APPLY));
    EXPECT_FALSE(HasMessage(m_hEditor));

    // The stored rules come back when the editor opens again; a blank day field lifts its
    // limit, and Done commits that too.
    gui::Click(m_hEditor, IDC_EDITOR_DONE);
    ASSERT_TRUE(Gone(m_hEditor));
    m_hEditor = EditProfileOf("kid");
    ASSERT_NE(m_hEditor, nullptr);
    const HWND hPage = ::GetParent(gui::DescendantItem(m_hEditor, IDC_TIME_GRID));
    EXPECT_EQ(gui::ItemText(hPage, IDC_TIME_RULES_TEXT), kSchoolWeek);
    EXPECT_EQ(gui::ItemText(hPage, IDC_TIME_MINUTES_MON), "90");
    gui::SetItemText(hPage, IDC_TIME_MINUTES_MON + 6, "");
    gui::Click(m_hEditor, IDC_EDITOR_DONE);
    EXPECT_EQ(TakeMessage(m_hEditor), "New Settings Saved Successfully");
    EXPECT_EQ(StoredTimeRules("kid"),
              "allow mon-fri 16:00-20:00; allow sat,sun 09:00-12:00,14:00-15:00; limit mon-fri 90; "
              "limit sat 120");
}

TEST_F(TimeTest, TheKeyboardMovesInTheGridAndSpaceToggles) {
    const HWND hGrid = OpenTimePage("kid");
    ASSERT_NE(hGrid, nullptr);
    const LRESULT code = ::SendMessageA(hGrid, WM_GETDLGCODE, 0, 0);
    EXPECT_NE(code & DLGC_WANTARROWS, 0);
    EXPECT_NE(::GetWindowLongA(hGrid, GWL_STYLE) & WS_TABSTOP, 0);
    // From Monday 00:00: right twice, down once, space; then End and space on Tuesday.
    for (const WPARAM vk : {VK_RIGHT, VK_RIGHT, VK_DOWN, VK_SPACE, VK_END, VK_SPACE}) {
        Key(hGrid, vk);
    }
    EXPECT_TRUE(Shows(hGrid, "allow tue 00:00-01:00,01:30-23:30"));
    // Up past the first row stays on it.
    for (const WPARAM vk : {VK_UP, VK_UP, VK_HOME, VK_SPACE}) {
        Key(hGrid, vk);
    }
    EXPECT_TRUE(Shows(hGrid, "allow mon 00:30-24:00; allow tue 00:00-01:00,01:30-23:30"));
    gui::Click(Page(hGrid), IDC_TIME_ALL_DAY);
    EXPECT_TRUE(Shows(hGrid, ""));
}

TEST_F(TimeTest, MinutesBeyondADayAreNamedAndTheirCommitFailsAsAnyOther) {
    const HWND hGrid = OpenTimePage("Default");
    ASSERT_NE(hGrid, nullptr);
    gui::TypeText(Page(hGrid), IDC_TIME_MINUTES_MON, "1500");
    EXPECT_TRUE(Shows(hGrid,
                      "Not valid: clause 1 (\"limit mon 1500\"): a limit of 1500 minutes is "
                      "more than a day (1440)"));
    gui::Click(m_hEditor, IDC_EDITOR_DONE);
    EXPECT_EQ(TakeMessage(m_hEditor).rfind("The new settings could not be saved.\n", 0), 0u);
    EXPECT_TRUE(gui::BecomesVisible(m_hEditor));
    EXPECT_EQ(StoredTimeRules("Default"), "");
    // Corrected, it is saved.
    gui::SetItemText(Page(hGrid), IDC_TIME_MINUTES_MON, "45");
    EXPECT_TRUE(Shows(hGrid, "limit mon 45"));
    gui::Click(m_hEditor, IDC_EDITOR_DONE);
    EXPECT_EQ(TakeMessage(m_hEditor), "New Settings Saved Successfully");
    EXPECT_EQ(StoredTimeRules("Default"), "limit mon 45");
}

TEST_F(TimeTest, TheWizardsTimeSettingsComeAfterCategoriesAndGoWithTheNewUser) {
    OpenSettingsAsAdmin();
    gui::Click(Screen("Administration"), IDC_ADMIN_CREATE_PROFILE);
    const HWND hCreate = Screen("Create User");
    ASSERT_NE(hCreate, nullptr);
    gui::SetItemText(hCreate, IDC_CREATE_NAME, "lily");
    gui::SetItemText(hCreate, IDC_CREATE_PASSWORD, "pass1");
    gui::SetItemText(hCreate, IDC_CREATE_CONFIRM, "pass1");
    gui::Click(hCreate, IDC_CREATE_NEXT);
    HWND hCategories = Screen("Categories Settings");
    ASSERT_NE(hCategories, nullptr);
    EXPECT_EQ(gui::ItemText(hCategories, IDC_CATEGORY_FINISH), "Next");
    gui::Click(hCategories, IDC_CATEGORY_FINISH);
    HWND hTime = Screen("Time Settings");
    ASSERT_NE(hTime, nullptr);
    const HWND hGrid = ::GetDlgItem(hTime, IDC_TIME_GRID);
    SetSchoolWeek(hGrid);
    gui::Screenshot(hTime, "wizard-time-settings");

    // Back and on again: the week is still there.
    gui::Click(hTime, IDC_TIME_BACK);
    hCategories = Screen("Categories Settings");
    ASSERT_NE(hCategories, nullptr);
    gui::Click(hCategories, IDC_CATEGORY_FINISH);
    hTime = Screen("Time Settings");
    ASSERT_NE(hTime, nullptr);
    EXPECT_EQ(gui::ItemText(hTime, IDC_TIME_RULES_TEXT), kSchoolWeek);
    gui::Click(hTime, IDC_TIME_FINISH);
    EXPECT_EQ(TakeMessage(m_hLogin), "New user lily has been created successfully");
    EXPECT_EQ(StoredTimeRules("lily"), kSchoolWeek);
}

}  // namespace
