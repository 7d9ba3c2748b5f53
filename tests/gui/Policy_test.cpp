// The policy list screens: Categories Settings and Advanced Settings in the create-profile
// wizard, driven as a parent would, and what the new user ends up with in the library.
#include <algorithm>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "Api/RegFile.h"
#include "tests/gui/support/AdminTest.h"

namespace {

// The item buttons of a category list.
std::vector<HWND> ItemButtons(HWND hScreen) {
    std::vector<HWND> buttons;
    for (HWND hChild = ::GetWindow(::GetDlgItem(hScreen, IDC_CATEGORY_LIST), GW_CHILD);
         hChild != nullptr; hChild = ::GetWindow(hChild, GW_HWNDNEXT)) {
        buttons.push_back(hChild);
    }
    return buttons;
}

class PolicyDialogsTest : public AdminTest {
protected:
    // From the Administration screen through Create User to Categories Settings.
    HWND StartWizard(const char* szName) {
        const HWND hAdmin = Screen("Administration");
        EXPECT_NE(hAdmin, nullptr);
        gui::Click(hAdmin, IDC_ADMIN_CREATE_PROFILE);
        const HWND hCreate = Screen("Create User");
        EXPECT_NE(hCreate, nullptr);
        gui::SetItemText(hCreate, IDC_CREATE_NAME, szName);
        gui::SetItemText(hCreate, IDC_CREATE_PASSWORD, "pass1");
        gui::SetItemText(hCreate, IDC_CREATE_CONFIRM, "pass1");
        gui::Click(hCreate, IDC_CREATE_NEXT);
        return Screen("Categories Settings");
    }
    // Next to Time Settings, and its Finish.
    void Finish(HWND hCategories, const std::string& strName) {
        gui::Click(hCategories, IDC_CATEGORY_FINISH);
        const HWND hTime = Screen("Time Settings");
        ASSERT_NE(hTime, nullptr);
        gui::Click(hTime, IDC_TIME_FINISH);
        EXPECT_EQ(TakeMessage(m_hLogin), "New user " + strName + " has been created successfully");
    }
    // Enter and Escape leave the screen where it is.
    static void ExpectEnterAndEscapeIgnored(HWND hScreen) {
        ::SendMessageA(hScreen, WM_COMMAND, IDOK, 0);
        ::SendMessageA(hScreen, WM_COMMAND, IDCANCEL, 0);
        EXPECT_TRUE(gui::BecomesVisible(hScreen));
    }
    // An Add or Remove that is expected to warn or ask: the message's text. A page's
    // messages belong to the editor window.
    std::string Press(HWND hScreen, int nButton, int nAnswer = IDOK) const {
        gui::Click(hScreen, nButton);
        return TakeMessage(::GetAncestor(hScreen, GA_ROOT), nAnswer);
    }
};

TEST_F(PolicyDialogsTest, EveryCategoryStartsBlockedAndUncheckingAllBlocksNone) {
    OpenSettingsAsAdmin();
    HWND hCategories = StartWizard("lily");
    ASSERT_NE(hCategories, nullptr);
    EXPECT_FALSE(gui::IsItemVisible(hCategories, IDC_CATEGORY_NOTE));
    ExpectEnterAndEscapeIgnored(hCategories);
    gui::Screenshot(hCategories, "categories-settings");
    Finish(hCategories, "lily");
    EXPECT_EQ(StoredCategories("lily"), (Texts{"Adult", "Gambling", "News", "Sports"}));

    hCategories = StartWizard("rose");
    ASSERT_NE(hCategories, nullptr);
    const std::vector<HWND> buttons = ItemButtons(hCategories);
    ASSERT_EQ(buttons.size(), 4u);
    // Each click has posted its toggle by the time it returns: "Finish" comes after them.
    for (HWND hButton : buttons) {
        ::SendMessageA(hButton, BM_CLICK, 0, 0);
    }
    Finish(hCategories, "rose");
    EXPECT_EQ(StoredCategories("rose"), Texts{});
}

TEST_F(PolicyDialogsTest, AddRefusesEmptyTooLongAndDuplicateEntries) {
    OpenSettingsAsAdmin();
    const HWND hCategories = StartWizard("lily");
    ASSERT_NE(hCategories, nullptr);
    gui::Click(hCategories, IDC_CATEGORY_ADVANCED);
    const HWND hAdvanced = Screen("Advanced Settings");
    ASSERT_NE(hAdvanced, nullptr);
    ExpectEnterAndEscapeIgnored(hAdvanced);
    const HWND hAllowedEdit = ::GetDlgItem(hAdvanced, IDC_URL_ALLOWED_EDIT);

    EXPECT_EQ(Press(hAdvanced, IDC_URL_ALLOWED_ADD), "Please enter URL");
    EXPECT_EQ(gui::FocusedItemOf(hAdvanced), hAllowedEdit);

    gui::SetItemText(hAdvanced, IDC_URL_ALLOWED_EDIT, std::string(1025, 'x'));
    EXPECT_EQ(Press(hAdvanced, IDC_URL_ALLOWED_ADD), "Maximum length of word is exceeded.");
    EXPECT_EQ(gui::FocusedItemOf(hAdvanced), hAllowedEdit);
    EXPECT_EQ(gui::EditSelection(hAdvanced, IDC_URL_ALLOWED_EDIT), std::make_pair(0, 1025));
    EXPECT_EQ(gui::ListEntries(hAdvanced, IDC_URL_ALLOWED_LIST), Texts{});

    AddEntry(hAdvanced, IDC_URL_ALLOWED_EDIT, IDC_URL_ALLOWED_ADD, std::string(1024, 'x'));
    EXPECT_EQ(gui::ItemText(hAdvanced, IDC_URL_ALLOWED_EDIT), "");
    EXPECT_EQ(gui::ListHorizontalExtent(hAdvanced, IDC_URL_ALLOWED_LIST), 6 * 1024 + 10);

    // Letter case and a leading blank make different entries.
    for (const char* szText : {"kids.org", "Kids.org", " kids.org"}) {
        AddEntry(hAdvanced, IDC_URL_ALLOWED_EDIT, IDC_URL_ALLOWED_ADD, szText);
    }
    EXPECT_EQ(gui::ListEntries(hAdvanced, IDC_URL_ALLOWED_LIST).size(), 4u);

    gui::SetItemText(hAdvanced, IDC_URL_ALLOWED_EDIT, "Kids.org");
    EXPECT_EQ(Press(hAdvanced, IDC_URL_ALLOWED_ADD), "This URL already there in this list.");
    EXPECT_EQ(gui::EditSelection(hAdvanced, IDC_URL_ALLOWED_EDIT), std::make_pair(0, 8));
    gui::SetItemText(hAdvanced, IDC_URL_BLOCKED_EDIT, " kids.org");
    EXPECT_EQ(Press(hAdvanced, IDC_URL_BLOCKED_ADD),
              "This URL is already there in other list. To add in this list please remove it "
              "from other list.");
    EXPECT_EQ(gui::FocusedItemOf(hAdvanced), ::GetDlgItem(hAdvanced, IDC_URL_BLOCKED_EDIT));
    EXPECT_EQ(gui::ListEntries(hAdvanced, IDC_URL_BLOCKED_LIST), Texts{});

    // The close box ends the wizard without creating anyone.
    CloseBox(hAdvanced);
    ASSERT_TRUE(Gone(hAdvanced));
    EXPECT_TRUE(gui::BecomesHidden(m_hLogin));
    EXPECT_EQ(m_program->Dialog("Administration", 0), nullptr);
    EXPECT_EQ(IsUserExists("lily"), 0);
}

TEST_F(PolicyDialogsTest, RemoveAsksOnceAndBackKeepsTheListsForTheNewUser) {
    OpenSettingsAsAdmin();
    const HWND hCategories = StartWizard("lily");
    ASSERT_NE(hCategories, nullptr);
    gui::Click(hCategories, IDC_CATEGORY_ADVANCED);
    HWND hAdvanced = Screen("Advanced Settings");
    ASSERT_NE(hAdvanced, nullptr);
    for (const char* szText : {"casino", "bet", "poker,"}) {
        AddEntry(hAdvanced, IDC_URL_BLOCKED_EDIT, IDC_URL_BLOCKED_ADD, szText);
    }
    AddEntry(hAdvanced, IDC_URL_ALLOWED_EDIT, IDC_URL_ALLOWED_ADD, "school.example");
    EXPECT_EQ(gui::ListHorizontalExtent(hAdvanced, IDC_URL_BLOCKED_LIST), 6 * 6 + 10);
    gui::Screenshot(hAdvanced, "advanced-settings");

    EXPECT_EQ(Press(hAdvanced, IDC_URL_BLOCKED_REMOVE), "Please select atlease one item.");
    const HWND hBlocked = ::GetDlgItem(hAdvanced, IDC_URL_BLOCKED_LIST);
    ::SendMessageA(hBlocked, LB_SETSEL, TRUE, -1);
    // An entry ending in a comma keeps it in the question.
    EXPECT_EQ(Press(hAdvanced, IDC_URL_BLOCKED_REMOVE, IDNO),
              "Do you want to delete URL(s): bet,casino,poker,?");
    EXPECT_EQ(gui::ListEntries(hAdvanced, IDC_URL_BLOCKED_LIST),
              (Texts{"bet", "casino", "poker,"}));
    ::SendMessageA(hBlocked, LB_SETSEL, FALSE, -1);
    ::SendMessageA(hBlocked, LB_SELITEMRANGE, TRUE, MAKELPARAM(1, 2));
    EXPECT_EQ(Press(hAdvanced, IDC_URL_BLOCKED_REMOVE, IDYES),
              "Do you want to delete URL(s): casino,poker,?");
    EXPECT_EQ(gui::ListEntries(hAdvanced, IDC_URL_BLOCKED_LIST), Texts{"bet"});
    EXPECT_EQ(gui::ListHorizontalExtent(hAdvanced, IDC_URL_BLOCKED_LIST), 6 * 3 + 10);

    // "Back" keeps what Add and Remove did; so does the screen opened again.
    gui::Click(hAdvanced, IDC_URL_BACK);
    ASSERT_TRUE(Gone(hAdvanced));
    gui::Click(Screen("Categories Settings"), IDC_CATEGORY_ADVANCED);
    hAdvanced = Screen("Advanced Settings");
    ASSERT_NE(hAdvanced, nullptr);
    EXPECT_EQ(gui::ListEntries(hAdvanced, IDC_URL_BLOCKED_LIST), Texts{"bet"});
    EXPECT_EQ(gui::ListHorizontalExtent(hAdvanced, IDC_URL_ALLOWED_LIST), 6 * 14 + 10);
    ::SendMessageA(::GetDlgItem(hAdvanced, IDC_URL_ALLOWED_LIST), LB_SETSEL, TRUE, 0);
    Press(hAdvanced, IDC_URL_ALLOWED_REMOVE, IDYES);
    EXPECT_EQ(gui::ListHorizontalExtent(hAdvanced, IDC_URL_ALLOWED_LIST), 10);
    AddEntry(hAdvanced, IDC_URL_ALLOWED_EDIT, IDC_URL_ALLOWED_ADD, "library.example");
    gui::Click(hAdvanced, IDC_URL_SAVE);
    ASSERT_TRUE(Gone(hAdvanced));

    Finish(Screen("Categories Settings"), "lily");
    EXPECT_EQ(StoredURLs("lily", 1), Texts{"library.example"});
    EXPECT_EQ(StoredURLs("lily", 0), Texts{"bet"});
    EXPECT_EQ(StoredCategories("lily"), (Texts{"Adult", "Gambling", "News", "Sports"}));
}

TEST_F(PolicyDialogsTest, EditorPagesChangeTheProfileThatApplyCommits) {
    OpenSettingsAsAdmin();
    const HWND hAdmin = Screen("Administration");
    ASSERT_NE(hAdmin, nullptr);
    gui::Click(hAdmin, IDC_ADMIN_MODIFY_DEFAULT);
    const HWND hEditor = Screen("Modifying Default Profile");
    ASSERT_NE(hEditor, nullptr);
    const HWND hCategoryPage = ::GetParent(gui::DescendantItem(hEditor, IDC_CATEGORY_LIST));
    const HWND hUrlPage = ::GetParent(gui::DescendantItem(hEditor, IDC_URL_ALLOWED_LIST));
    ASSERT_TRUE(hCategoryPage != hEditor && hUrlPage != hEditor);
    EXPECT_FALSE(gui::IsItemVisible(hCategoryPage, IDC_CATEGORY_PAGE_NOTE));
    EXPECT_FALSE(gui::IsItemVisible(hCategoryPage, IDC_CATEGORY_FINISH));
    gui::Screenshot(hEditor, "editor-category-tab");

    // "Adult" changes sides.
    Texts expected = StoredCategories("Default");
    const auto adult = std::find(expected.begin(), expected.end(), "Adult");
    adult != expected.end() ? void(expected.erase(adult)) : expected.push_back("Adult");
    for (HWND hButton : ItemButtons(hCategoryPage)) {
        if (gui::WindowText(hButton) == "Adult") {
            ::SendMessageA(hButton, BM_CLICK, 0, 0);
        }
    }
    // Enter and Escape inside a page end neither the page nor the editor.
    for (HWND hPage : {hCategoryPage, hUrlPage}) {
        ::SendMessageA(hPage, WM_COMMAND, IDOK, 0);
        ::SendMessageA(hPage, WM_COMMAND, IDCANCEL, 0);
    }
    EXPECT_TRUE(gui::BecomesVisible(hEditor));
    EXPECT_TRUE(gui::BecomesVisible(hCategoryPage));

    ::PostMessageA(gui::DescendantItem(hEditor, IDC_TAB_ADVANCED), BM_CLICK, 0, 0);
    ASSERT_TRUE(gui::WaitUntil([&] { return ::IsWindowVisible(hUrlPage) != FALSE; }));
    EXPECT_FALSE(gui::IsItemVisible(hUrlPage, IDC_URL_SAVE));
    AddEntry(hUrlPage, IDC_URL_ALLOWED_EDIT, IDC_URL_ALLOWED_ADD, "homework.example");
    gui::SetItemText(hUrlPage, IDC_URL_BLOCKED_EDIT, "homework.example");
    EXPECT_EQ(Press(hUrlPage, IDC_URL_BLOCKED_ADD),
              "This URL is already there in other list. To add in this list please remove it "
              "from other list.");
    gui::Screenshot(hEditor, "editor-advanced-tab");

    gui::Click(hEditor, IDC_EDITOR_APPLY);
    EXPECT_EQ(TakeMessage(hEditor), "New Settings Saved Successfully");
    EXPECT_EQ(StoredURLs("Default", 1), Texts{"homework.example"});
    EXPECT_THAT(StoredCategories("Default"), ::testing::UnorderedElementsAreArray(expected));
}

TEST_F(PolicyDialogsTest, AFailedCreationIsToldOnceAndLeadsBackToAdministration) {
    OpenSettingsAsAdmin();
    const HWND hCategories = StartWizard("iris");
    ASSERT_NE(hCategories, nullptr);
    // Without its digest the settings file is not trusted: the account cannot be made.
    ASSERT_EQ(::RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kContentKeyPath, kDigestValueName),
              ERROR_SUCCESS);
    gui::Click(hCategories, IDC_CATEGORY_FINISH);
    gui::Click(Screen("Time Settings"), IDC_TIME_FINISH);
    EXPECT_EQ(TakeMessage(m_hLogin), "Failed to create user");
    EXPECT_NE(Screen("Administration"), nullptr);
    EXPECT_FALSE(HasMessage(m_hLogin));
}

}  // namespace
