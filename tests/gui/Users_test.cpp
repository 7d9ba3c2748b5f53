// The user screens as a parent meets them: Create User's checks, Select User's rows and
// delete rules, Personal Settings, and the profile editor's User page.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/gui/support/AdminTest.h"
#include "tests/gui/support/RemoteListView.h"

namespace {

class UserDialogs : public AdminTest {
protected:
    // From the Administration screen through Select User to the editor's User page of
    // szName: the editor and the page; nullptrs when a screen does not show up.
    std::pair<HWND, HWND> OpenUserPage(const char* szName);
};

bool HasFocus(HWND hScreen, int nId) {
    return gui::FocusedItemOf(hScreen) == ::GetDlgItem(hScreen, nId);
}

// The group controls of the User page, all shown or all hidden.
constexpr int kGroupControls[] = {IDC_USERPAGE_GROUP_FRAME,       IDC_USERPAGE_GROUP_USER,
                                  IDC_USERPAGE_GROUP_USER_LABEL,  IDC_USERPAGE_GROUP_ADMIN,
                                  IDC_USERPAGE_GROUP_ADMIN_LABEL, IDC_USERPAGE_CHANGE_GROUP};

int VisibleGroupControls(HWND hPage) {
    int n = 0;
    for (const int nId : kGroupControls) {
        n += gui::IsItemVisible(hPage, nId) ? 1 : 0;
    }
    return n;
}

std::pair<HWND, HWND> UserDialogs::OpenUserPage(const char* szName) {
    const HWND hEditor = EditProfileOf(szName);
    if (hEditor == nullptr) {
        return {};
    }
    ::PostMessageA(gui::DescendantItem(hEditor, IDC_TAB_USER), BM_CLICK, 0, 0);
    const HWND hPage = ::GetParent(gui::DescendantItem(hEditor, IDC_USERPAGE_CHANGE_PASSWORD));
    return gui::WaitUntil([&] { return ::IsWindowVisible(hPage) != FALSE; })
               ? std::make_pair(hEditor, hPage)
               : std::pair<HWND, HWND>();
}

TEST_F(UserDialogs, CreateUserRefusesBadNamesAndPasswordsThenGoesToCategories) {
    OpenSettingsAsAdmin();
    HWND hAdmin = Screen("Administration");
    ASSERT_NE(hAdmin, nullptr);
    gui::Click(hAdmin, IDC_ADMIN_CREATE_PROFILE);
    HWND hCreate = Screen("Create User");
    ASSERT_NE(hCreate, nullptr);
    gui::Screenshot(hCreate, "create-user");
    EXPECT_EQ(::IsDlgButtonChecked(hCreate, IDC_CREATE_GROUP_USER), BST_CHECKED);

    // Cancelled, the wizard starts over from nothing.
    gui::TypeText(hCreate, IDC_CREATE_NAME, "ann");
    Escape(hCreate);
    ASSERT_TRUE(Gone(hCreate));
    hAdmin = Screen("Administration");
    ASSERT_NE(hAdmin, nullptr);
    gui::Click(hAdmin, IDC_ADMIN_CREATE_PROFILE);
    hCreate = Screen("Create User");
    ASSERT_NE(hCreate, nullptr);
    EXPECT_EQ(gui::ItemText(hCreate, IDC_CREATE_NAME), "");

    gui::Click(hCreate, IDC_CREATE_NEXT);
    EXPECT_EQ(TakeMessage(hCreate), "Please enter use name");
    EXPECT_TRUE(HasFocus(hCreate, IDC_CREATE_NAME));

    for (const char* szBad : {"1234", "an na"}) {
        gui::SetItemText(hCreate, IDC_CREATE_NAME, szBad);
        gui::Click(hCreate, IDC_CREATE_NEXT);
        EXPECT_EQ(TakeMessage(hCreate), "Invalid user name. Please enter valid user name.")
            << szBad;
        EXPECT_TRUE(HasFocus(hCreate, IDC_CREATE_NAME)) << szBad;
        EXPECT_EQ(gui::EditSelection(hCreate, IDC_CREATE_NAME),
                  std::make_pair(0, static_cast<int>(std::string(szBad).size())));
    }
    // Names are one account whatever their case.
    gui::SetItemText(hCreate, IDC_CREATE_NAME, "KID");
    gui::Click(hCreate, IDC_CREATE_NEXT);
    EXPECT_EQ(TakeMessage(hCreate), "This user already there. Please enter some different name.");
    EXPECT_EQ(gui::EditSelection(hCreate, IDC_CREATE_NAME), std::make_pair(0, 3));

    gui::SetItemText(hCreate, IDC_CREATE_NAME, "a1");
    gui::Click(hCreate, IDC_CREATE_NEXT);
    EXPECT_EQ(TakeMessage(hCreate), "Please enter password");
    EXPECT_TRUE(HasFocus(hCreate, IDC_CREATE_PASSWORD));

    gui::TypeText(hCreate, IDC_CREATE_PASSWORD, "rook");
    gui::TypeText(hCreate, IDC_CREATE_CONFIRM, "Rook");
    gui::Click(hCreate, IDC_CREATE_NEXT);
    EXPECT_EQ(TakeMessage(hCreate),
              "The password was not correctly confirmed. Please ensure that the password and "
              "confirmation match exactly.");
    EXPECT_EQ(gui::ItemText(hCreate, IDC_CREATE_PASSWORD), "");
    EXPECT_EQ(gui::ItemText(hCreate, IDC_CREATE_CONFIRM), "");
    EXPECT_TRUE(HasFocus(hCreate, IDC_CREATE_PASSWORD));

    // The keyboard stops at 15 characters; a longer text set from outside is refused.
    gui::TypeText(hCreate, IDC_CREATE_PASSWORD, "abcdefghijklmnopq");
    EXPECT_EQ(gui::ItemText(hCreate, IDC_CREATE_PASSWORD), "abcdefghijklmno");
    gui::SetItemText(hCreate, IDC_CREATE_PASSWORD, "abcdefghijklmnop");
    gui::SetItemText(hCreate, IDC_CREATE_CONFIRM, "abcdefghijklmnop");
    gui::Click(hCreate, IDC_CREATE_NEXT);
    EXPECT_EQ(TakeMessage(hCreate), "Invalid Password. Please enter valid password");

    gui::TypeText(hCreate, IDC_CREATE_PASSWORD, "rook");
    gui::TypeText(hCreate, IDC_CREATE_CONFIRM, "rook");
    gui::Click(hCreate, IDC_CREATE_GROUP_ADMIN);
    gui::Click(hCreate, IDC_CREATE_NEXT);
    ASSERT_TRUE(Gone(hCreate));
    EXPECT_NE(Screen("Categories Settings"), nullptr);
    // Created only when the wizard finishes.
    EXPECT_EQ(IsUserExists("a1"), 0);
}

TEST_F(UserDialogs, SelectUserListsAllButTheFirstUserAndGuardsDeletes) {
    // The Default profile somewhere other than first: a stranger takes its id.
    ASSERT_EQ(DeleteUser("Default"), 1);
    ASSERT_EQ(CreateUser("stranger", "x", USER_TYPE_USER), 1);
    ASSERT_EQ(CreateUser("Default", "", USER_TYPE_USER), 1);
    const std::string strLong = "abcdefghijklmnopqrstu";
    ASSERT_EQ(CreateUser(strLong.c_str(), "x", USER_TYPE_USER), 1);

    OpenSettingsAs("mum", "garden");
    const HWND hAdmin = Screen("Administration");
    ASSERT_NE(hAdmin, nullptr);
    gui::Click(hAdmin, IDC_ADMIN_MODIFY_USER);
    const HWND hSelect = Screen("Select User");
    ASSERT_NE(hSelect, nullptr);
    gui::Screenshot(hSelect, "select-user");
    const CRemoteListView list(::GetDlgItem(hSelect, IDC_SELECT_LIST));
    EXPECT_EQ(list.Rows(), (std::vector<std::string>{
                               "admin: Super Administrator", "kid: User", "mum: Administrator",
                               "Default: Settings when no user is logged into parental control",
                               strLong + ": User"}));
    EXPECT_EQ(list.Selected(), 0);

    gui::Click(hSelect, IDC_SELECT_DELETE);
    EXPECT_EQ(TakeMessage(hSelect), "This is a super user. \n This user can not be deleted.");
    list.Select(2);
    gui::Click(hSelect, IDC_SELECT_DELETE);
    EXPECT_EQ(TakeMessage(hSelect), "You are currently logged in.\n You can not delete yourself.");

    list.Select(3);
    gui::Click(hSelect, IDC_SELECT_DELETE);
    EXPECT_EQ(TakeMessage(hSelect, IDNO), "Do you want to delete user Default?");
    EXPECT_EQ(list.Count(), 5);
    EXPECT_EQ(IsUserExists("Default"), 1);
    gui::Click(hSelect, IDC_SELECT_DELETE);
    EXPECT_EQ(TakeMessage(hSelect, IDYES), "Do you want to delete user Default?");
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(IsUserExists("Default"), 0);

    // Removed by someone else meanwhile: the row goes without a complaint.
    ASSERT_EQ(DeleteUser("kid"), 1);
    list.Select(1);
    gui::Click(hSelect, IDC_SELECT_DELETE);
    EXPECT_EQ(TakeMessage(hSelect, IDYES), "Do you want to delete user kid?");
    ::SendMessageA(hSelect, WM_NULL, 0, 0);
    EXPECT_FALSE(HasMessage(hSelect));
    EXPECT_EQ(list.Count(), 3);

    list.Select(-1);
    gui::Click(hSelect, IDC_SELECT_EDIT);
    EXPECT_EQ(TakeMessage(hSelect), "Please select user.");

    {
        // The settings file held by someone else cannot be checked: the account stays, and so
        // does its row.
        const CHandle settings(::CreateFileA(m_install.SettingsFile().c_str(), GENERIC_READ, 0,
                                             nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(settings);
        list.Select(2);
        gui::Click(hSelect, IDC_SELECT_DELETE);
        EXPECT_EQ(TakeMessage(hSelect, IDYES), "Do you want to delete user " + strLong + "?");
        EXPECT_EQ(TakeMessage(hSelect), "Parental Control Settings is corrupted");
        EXPECT_EQ(list.Count(), 3);
    }
    EXPECT_EQ(IsUserExists(strLong.c_str()), 1);

    // A name longer than a profile name would be edited as another.
    list.Select(2);
    gui::Click(hSelect, IDC_SELECT_EDIT);
    EXPECT_EQ(TakeMessage(hSelect), "Invalid user name. Please enter valid user name.");

    // An administrator sets passwords but no groups, whoever's profile it is.
    list.Select(0);
    gui::Click(hSelect, IDC_SELECT_EDIT);
    EXPECT_TRUE(Gone(hSelect));
    const HWND hEditor = Screen("Modifying Profile of admin");
    ASSERT_NE(hEditor, nullptr);
    const HWND hPage = ::GetParent(gui::DescendantItem(hEditor, IDC_USERPAGE_CHANGE_PASSWORD));
    EXPECT_EQ(VisibleGroupControls(hPage), 0);
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(hPage, IDC_USERPAGE_CHANGE_PASSWORD)));
}

TEST_F(UserDialogs, PersonalSettingsChangesOnlyWithTheOldPasswordAndAMatchingNewOne) {
    OpenSettingsAs("kid", "chess");
    HWND hPersonal = Screen("Personal Settings");
    ASSERT_NE(hPersonal, nullptr);
    gui::Screenshot(hPersonal, "personal-settings");
    EXPECT_EQ(gui::ItemText(hPersonal, IDC_PERSONAL_NAME), "kid");
    EXPECT_FALSE(gui::IsItemEnabled(hPersonal, IDC_PERSONAL_NAME));
    EXPECT_FALSE(gui::IsItemVisible(hPersonal, IDC_PERSONAL_GROUP_USER));

    // Nothing typed: it closes without a word.
    gui::Click(hPersonal, IDC_PERSONAL_OK);
    ASSERT_TRUE(Gone(hPersonal));
    EXPECT_TRUE(gui::BecomesVisible(m_hLogin));

    gui::Click(m_hLogin, IDC_LOGIN_SETTINGS);
    hPersonal = Screen("Personal Settings");
    ASSERT_NE(hPersonal, nullptr);
    gui::TypeText(hPersonal, IDC_PERSONAL_OLD_PASSWORD, "Chess");
    gui::Click(hPersonal, IDC_PERSONAL_OK);
    EXPECT_EQ(TakeMessage(hPersonal), "Old Password is not correct");
    EXPECT_TRUE(HasFocus(hPersonal, IDC_PERSONAL_OLD_PASSWORD));
    EXPECT_EQ(gui::EditSelection(hPersonal, IDC_PERSONAL_OLD_PASSWORD), std::make_pair(0, 5));

    gui::TypeText(hPersonal, IDC_PERSONAL_OLD_PASSWORD, "chess");
    gui::Click(hPersonal, IDC_PERSONAL_OK);
    EXPECT_EQ(TakeMessage(hPersonal), "Please enter New Password");
    EXPECT_TRUE(HasFocus(hPersonal, IDC_PERSONAL_NEW_PASSWORD));

    gui::TypeText(hPersonal, IDC_PERSONAL_NEW_PASSWORD, "knight");
    gui::TypeText(hPersonal, IDC_PERSONAL_CONFIRM, "bishop");
    gui::Click(hPersonal, IDC_PERSONAL_OK);
    EXPECT_EQ(TakeMessage(hPersonal),
              "The password was not correctly confirmed. Please ensure that the password and "
              "confirmation match exactly.");
    EXPECT_EQ(gui::ItemText(hPersonal, IDC_PERSONAL_NEW_PASSWORD), "");
    EXPECT_EQ(gui::ItemText(hPersonal, IDC_PERSONAL_CONFIRM), "");
    EXPECT_TRUE(HasFocus(hPersonal, IDC_PERSONAL_NEW_PASSWORD));
    EXPECT_EQ(ValidatePassword("kid", "chess"), 1);

    gui::TypeText(hPersonal, IDC_PERSONAL_NEW_PASSWORD, "knight");
    gui::TypeText(hPersonal, IDC_PERSONAL_CONFIRM, "knight");
    gui::Click(hPersonal, IDC_PERSONAL_OK);
    EXPECT_EQ(TakeMessage(hPersonal), "The password has been changed.");
    EXPECT_TRUE(Gone(hPersonal));
    EXPECT_EQ(ValidatePassword("kid", "knight"), 1);
    EXPECT_TRUE(gui::BecomesVisible(m_hLogin));
}

TEST_F(UserDialogs, UserPageSetsTheEditedUsersPasswordAndForTheSuperAdministratorHisGroup) {
    OpenSettingsAsAdmin();
    auto [hEditor, hPage] = OpenUserPage("admin");
    ASSERT_NE(hPage, nullptr);
    // Not his own group.
    EXPECT_EQ(VisibleGroupControls(hPage), 0);
    Escape(hEditor);
    ASSERT_TRUE(Gone(hEditor));

    std::tie(hEditor, hPage) = OpenUserPage("kid");
    ASSERT_NE(hPage, nullptr);
    gui::Screenshot(hEditor, "editor-user-tab");
    EXPECT_EQ(VisibleGroupControls(hPage), 6);
    EXPECT_EQ(::IsDlgButtonChecked(hPage, IDC_USERPAGE_GROUP_USER), BST_CHECKED);
    EXPECT_EQ(::IsDlgButtonChecked(hPage, IDC_USERPAGE_GROUP_ADMIN), BST_UNCHECKED);

    // Enter and Escape in a page end nothing.
    ::PostMessageA(hPage, WM_COMMAND, IDOK, 0);
    ::PostMessageA(hPage, WM_COMMAND, IDCANCEL, 0);
    gui::Click(hPage, IDC_USERPAGE_CHANGE_PASSWORD);
    EXPECT_EQ(TakeMessage(hEditor), "Please enter New Password");
    EXPECT_TRUE(HasFocus(hPage, IDC_USERPAGE_NEW_PASSWORD));
    gui::TypeText(hPage, IDC_USERPAGE_NEW_PASSWORD, "queen");
    gui::TypeText(hPage, IDC_USERPAGE_CONFIRM, "queens");
    gui::Click(hPage, IDC_USERPAGE_CHANGE_PASSWORD);
    EXPECT_EQ(TakeMessage(hEditor),
              "The password was not correctly confirmed. Please ensure that the password and "
              "confirmation match exactly.");
    EXPECT_EQ(gui::ItemText(hPage, IDC_USERPAGE_NEW_PASSWORD), "");
    EXPECT_EQ(gui::ItemText(hPage, IDC_USERPAGE_CONFIRM), "");
    EXPECT_TRUE(HasFocus(hPage, IDC_USERPAGE_NEW_PASSWORD));
    gui::TypeText(hPage, IDC_USERPAGE_NEW_PASSWORD, "queen");
    gui::TypeText(hPage, IDC_USERPAGE_CONFIRM, "queen");
    gui::Click(hPage, IDC_USERPAGE_CHANGE_PASSWORD);
    EXPECT_EQ(TakeMessage(hEditor), "The password has been changed.");
    EXPECT_EQ(ValidatePassword("kid", "queen"), 1);

    gui::Click(hPage, IDC_USERPAGE_GROUP_ADMIN);
    {
        // The settings file held by someone else: it cannot be checked, so the group is not
        // saved, and not said to be.
        const CHandle settings(::CreateFileA(m_install.SettingsFile().c_str(), GENERIC_READ, 0,
                                             nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(settings);
        gui::Click(hPage, IDC_USERPAGE_CHANGE_GROUP);
        EXPECT_EQ(TakeMessage(hEditor), "Parental Control Settings is corrupted");
    }
    EXPECT_EQ(IsAdmin("kid"), 0);
    gui::Click(hPage, IDC_USERPAGE_CHANGE_GROUP);
    EXPECT_EQ(TakeMessage(hEditor), "The group is saved");
    EXPECT_EQ(IsAdmin("kid"), 1);
    EXPECT_TRUE(gui::BecomesVisible(hPage));
}

}  // namespace
