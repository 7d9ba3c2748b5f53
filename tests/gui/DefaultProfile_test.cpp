// Closing the login window while nobody is logged in: the warning that the Default profile
// applies, and the view of that profile.
#include <optional>

#include <gtest/gtest.h>

#include "Api/RegFile.h"
#include "gui/res/resource.h"
#include "tests/gui/support/GuiTest.h"
#include "tests/support/UrlWords.h"

namespace {

class DefaultProfileTest : public GuiTest {
protected:
    void Start() {
        m_program.emplace();
        m_hLogin = m_program->Dialog("Login");
        ASSERT_NE(m_hLogin, nullptr);
        ASSERT_TRUE(gui::WaitUntil([&] { return ::IsWindowVisible(m_hLogin) != FALSE; }));
    }
    // Closes the login window and returns the warning.
    HWND Warning() const {
        gui::Click(m_hLogin, IDCANCEL);
        return m_program->ShownDialog("Warning !!!");
    }
    HWND OpenView(HWND hWarning) const {
        const HWND hLink = ::GetDlgItem(hWarning, IDC_WARNING_LINK);
        ::PostMessageA(hLink, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        ::PostMessageA(hLink, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        return m_program->ShownDialog("View Default Profile");
    }
    bool Gone(HWND hWnd) const {
        return gui::WaitUntil([&] { return !::IsWindow(hWnd) || !::IsWindowVisible(hWnd); });
    }

    std::optional<CGuiProgram> m_program;
    HWND m_hLogin = nullptr;
};

TEST_F(DefaultProfileTest, NoKeepsTheLoginWindow) {
    Start();
    const HWND hWarning = Warning();
    ASSERT_NE(hWarning, nullptr);
    gui::Screenshot(hWarning, "warning");
    EXPECT_NE(gui::ItemText(hWarning, IDC_WARNING_HELP).find("Default should be the strictest"),
              std::string::npos);
    gui::Click(hWarning, IDC_WARNING_NO);
    ASSERT_TRUE(Gone(hWarning));
    EXPECT_TRUE(gui::BecomesVisible(m_hLogin));
}

TEST_F(DefaultProfileTest, YesAndEscapeHideTheLoginWindow) {
    Start();
    HWND hWarning = Warning();
    ASSERT_NE(hWarning, nullptr);
    gui::Click(hWarning, IDC_WARNING_YES);
    EXPECT_TRUE(Gone(m_hLogin));

    ::ShowWindow(m_hLogin, SW_SHOWNORMAL);
    hWarning = Warning();
    ASSERT_NE(hWarning, nullptr);
    ::PostMessageA(hWarning, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(Gone(m_hLogin));
    EXPECT_FALSE(m_program->HasEnded(0));
}

TEST_F(DefaultProfileTest, TheLinkShowsTheDefaultProfileAndTheWarningWaitsOn) {
    const std::string strLong(130, 'w');
    ASSERT_EQ(SetUrlWords("Default", 1, {"school", strLong.c_str()}), 1);
    ASSERT_EQ(SetUrlWords("Default", 0, {"poker", "casino"}), 1);
    char* categories[] = {const_cast<char*>("Gambling"), const_cast<char*>("Adult")};
    char** list = categories;
    int count = 2;
    ASSERT_EQ(SetCategoryList("Default", &list, &count), 1);
    Start();
    const HWND hWarning = Warning();
    ASSERT_NE(hWarning, nullptr);
    const HWND hView = OpenView(hWarning);
    ASSERT_NE(hView, nullptr);
    gui::Screenshot(hView, "default-profile");

    EXPECT_EQ(gui::ListEntries(hView, IDC_VIEW_CATEGORIES),
              (std::vector<std::string>{"Adult", "Gambling"}));
    EXPECT_EQ(gui::ListEntries(hView, IDC_VIEW_ALLOWED),
              (std::vector<std::string>{"school", strLong}));
    EXPECT_EQ(gui::ListEntries(hView, IDC_VIEW_BLOCKED),
              (std::vector<std::string>{"casino", "poker"}));
    EXPECT_EQ(gui::ListHorizontalExtent(hView, IDC_VIEW_CATEGORIES), 6 * 8 + 10);
    EXPECT_EQ(gui::ListHorizontalExtent(hView, IDC_VIEW_BLOCKED), 6 * 6 + 10);
    EXPECT_EQ(gui::ListHorizontalExtent(hView, IDC_VIEW_ALLOWED), 6 * 130 + 10);

    gui::Click(hView, IDOK);
    ASSERT_TRUE(Gone(hView));
    EXPECT_TRUE(gui::BecomesVisible(hWarning));
    gui::Click(hWarning, IDC_WARNING_NO);
    EXPECT_TRUE(Gone(hWarning));
    EXPECT_TRUE(gui::BecomesVisible(m_hLogin));
}

TEST_F(DefaultProfileTest, AnEmptyDefaultProfileShowsThreeEmptyLists) {
    Start();
    const HWND hView = OpenView(Warning());
    ASSERT_NE(hView, nullptr);
    for (const int nId : {IDC_VIEW_CATEGORIES, IDC_VIEW_ALLOWED, IDC_VIEW_BLOCKED}) {
        EXPECT_TRUE(gui::ListEntries(hView, nId).empty());
        EXPECT_EQ(gui::ListHorizontalExtent(hView, nId), 10);
    }
}

TEST_F(DefaultProfileTest, UnreadableSettingsEndTheProgram) {
    Start();
    const HWND hWarning = Warning();
    ASSERT_NE(hWarning, nullptr);
    ASSERT_EQ(::RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kContentKeyPath, kDigestValueName),
              ERROR_SUCCESS);
    const HWND hLink = ::GetDlgItem(hWarning, IDC_WARNING_LINK);
    ::PostMessageA(hLink, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    ::PostMessageA(hLink, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    const HWND hView = m_program->Dialog("View Default Profile");
    ASSERT_NE(hView, nullptr);
    const HWND hBox = m_program->MessageBoxOf(hView);
    ASSERT_NE(hBox, nullptr);
    EXPECT_EQ(gui::MessageBoxText(hBox),
              "Quillon Parental Control configuration is tempered.\n Please reinstall Parental "
              "Control");
    gui::Click(hBox, IDOK);
    ASSERT_TRUE(m_program->HasEnded());
    EXPECT_EQ(m_program->ExitCode(), 0u);
    EXPECT_TRUE(RunEntry().has_value());
}

}  // namespace
