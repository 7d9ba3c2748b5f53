// The profile editor: its tabs, and what Apply and Done commit.
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "Api/RegFile.h"

#include "tests/gui/support/AdminTest.h"

namespace {

class EditorTest : public AdminTest {
protected:
    // The editor on the Default profile, from the Administration screen.
    HWND OpenDefaultProfile() {
        OpenSettingsAsAdmin();
        const HWND hAdmin = Screen("Administration");
        if (hAdmin == nullptr) {
            return nullptr;
        }
        gui::Click(hAdmin, IDC_ADMIN_MODIFY_DEFAULT);
        return Screen("Modifying Default Profile");
    }
    // The editor's Advanced page (shown or not).
    static HWND AdvancedPage(HWND hEditor) {
        return ::GetParent(gui::DescendantItem(hEditor, IDC_URL_ALLOWED_EDIT));
    }
    std::string GuiLog() const {
        std::ifstream in(m_install.Folder() + "GuiLogFile.Log", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static bool IsTabShown(HWND hEditor, int nTab) {
        const HWND hTab = gui::DescendantItem(hEditor, nTab);
        return hTab != nullptr && ::IsWindowVisible(hTab) != FALSE;
    }
};

TEST_F(EditorTest, TheDefaultProfileHasThreeTabsAndApplyWithoutAChangeSaysNothing) {
    const HWND hEditor = OpenDefaultProfile();
    ASSERT_NE(hEditor, nullptr);
    EXPECT_TRUE(IsTabShown(hEditor, IDC_TAB_CATEGORY));
    EXPECT_TRUE(IsTabShown(hEditor, IDC_TAB_ADVANCED));
    EXPECT_TRUE(IsTabShown(hEditor, IDC_TAB_TIME));
    EXPECT_EQ(gui::DescendantItem(hEditor, IDC_TAB_USER), nullptr);
    SeenElsewhere("update");  // the login's own
    gui::Screenshot(hEditor, "editor-default-profile");

    EXPECT_TRUE(gui::ClickNow(hEditor, IDC_EDITOR_APPLY));
    EXPECT_FALSE(HasMessage(hEditor));
    gui::Click(hEditor, IDC_EDITOR_DONE);
    ASSERT_TRUE(Gone(hEditor));
    EXPECT_NE(Screen("Administration"), nullptr);
    EXPECT_FALSE(HasMessage(hEditor));
    EXPECT_EQ(SeenElsewhere("update"), "update 0");
}

TEST_F(EditorTest, EscapeGoesBackAndTheCloseBoxHidesEverything) {
    HWND hEditor = OpenDefaultProfile();
    ASSERT_NE(hEditor, nullptr);
    Escape(hEditor);
    const HWND hAdmin = Screen("Administration");
    ASSERT_NE(hAdmin, nullptr);
    gui::Click(hAdmin, IDC_ADMIN_MODIFY_DEFAULT);
    hEditor = Screen("Modifying Default Profile");
    ASSERT_NE(hEditor, nullptr);
    CloseBox(hEditor);
    ASSERT_TRUE(Gone(hEditor));
    EXPECT_EQ(m_program->Dialog("Administration", 500), nullptr);
    EXPECT_TRUE(gui::BecomesHidden(m_hLogin));
}

TEST_F(EditorTest, ASecondStartBringsBackTheEditorNotOneOfItsPages) {
    const HWND hEditor = OpenDefaultProfile();
    ASSERT_NE(hEditor, nullptr);
    ::ShowWindow(hEditor, SW_MINIMIZE);
    ASSERT_TRUE(gui::WaitUntil([&] { return ::IsIconic(hEditor) != FALSE; }));
    CGuiProgram second;
    ASSERT_TRUE(second.HasEnded());
    EXPECT_TRUE(gui::WaitUntil([&] { return ::IsIconic(hEditor) == FALSE; }));
}

TEST_F(EditorTest, OnlyCommittingTheLoggedInUsersOwnProfileMakesTheFilterReload) {
    OpenSettingsAsAdmin();
    HWND hEditor = EditProfileOf("kid");
    ASSERT_NE(hEditor, nullptr);
    EXPECT_TRUE(IsTabShown(hEditor, IDC_TAB_USER));
    SeenElsewhere("update");  // the login's own
    AddEntry(AdvancedPage(hEditor), IDC_URL_ALLOWED_EDIT, IDC_URL_ALLOWED_ADD, "chess.example");
    gui::Click(hEditor, IDC_EDITOR_APPLY);
    EXPECT_EQ(TakeMessage(hEditor), "New Settings Saved Successfully");
    EXPECT_EQ(StoredURLs("kid", 1), Texts{"chess.example"});
    EXPECT_EQ(SeenElsewhere("update"), "update 0");
    EXPECT_NE(GuiLog().find("index=0 Length=13 Value=chess.example"), std::string::npos);
    // Committed already: Done has nothing to write or tell.
    gui::Click(hEditor, IDC_EDITOR_DONE);
    ASSERT_TRUE(Gone(hEditor));
    EXPECT_FALSE(HasMessage(hEditor));

    hEditor = EditProfileOf("admin");
    ASSERT_NE(hEditor, nullptr);
    AddEntry(AdvancedPage(hEditor), IDC_URL_BLOCKED_EDIT, IDC_URL_BLOCKED_ADD, "poker");
    gui::Click(hEditor, IDC_EDITOR_DONE);
    EXPECT_EQ(TakeMessage(hEditor), "New Settings Saved Successfully");
    EXPECT_NE(Screen("Administration"), nullptr);
    EXPECT_EQ(StoredURLs("admin", 0), Texts{"poker"});
    EXPECT_EQ(SeenElsewhere("update"), "update 1");
}

// No screen shows a profile's IP lists or its words (a family's tool sets them): a commit
// gives them back as they were stored.
TEST_F(EditorTest, ACommitKeepsTheListsNoScreenShows) {
    const auto set = [](auto write, std::vector<const char*> entries) {
        char** list = const_cast<char**>(entries.data());
        int count = static_cast<int>(entries.size());
        return write(&list, &count);
    };
    ASSERT_EQ(set([](char*** l, int* c) { return SetWordList("kid", l, c); }, {"fight", "poker"}),
              1);
    ASSERT_EQ(set([](char*** l, int* c) { return SetIPList("kid", 1, l, c); }, {"10.0.0.7"}), 1);
    ASSERT_EQ(set([](char*** l, int* c) { return SetIPList("kid", 0, l, c); }, {"10.0.0.9"}), 1);
    const auto stored = [](auto read) {
        char** list = nullptr;
        int count = 0;
        EXPECT_EQ(read(&list, &count), 1);
        Texts texts(list, list + count);
        FreeListMemory(&list, &count);
        return texts;
    };

    OpenSettingsAsAdmin();
    const HWND hEditor = EditProfileOf("kid");
    ASSERT_NE(hEditor, nullptr);
    AddEntry(AdvancedPage(hEditor), IDC_URL_ALLOWED_EDIT, IDC_URL_ALLOWED_ADD, "chess.example");
    gui::Click(hEditor, IDC_EDITOR_APPLY);
    EXPECT_EQ(TakeMessage(hEditor), "New Settings Saved Successfully");
    EXPECT_EQ(stored([](char*** l, int* c) { return GetWordList("kid", l, c); }),
              (Texts{"fight", "poker"}));
    EXPECT_EQ(stored([](char*** l, int* c) { return GetIPList("kid", 1, l, c); }),
              Texts{"10.0.0.7"});
    EXPECT_EQ(stored([](char*** l, int* c) { return GetIPList("kid", 0, l, c); }),
              Texts{"10.0.0.9"});
}

TEST_F(EditorTest, AFailedCommitIsNotToldAsSavedAndTheEditorStays) {
    const HWND hEditor = OpenDefaultProfile();
    ASSERT_NE(hEditor, nullptr);
    AddEntry(AdvancedPage(hEditor), IDC_URL_ALLOWED_EDIT, IDC_URL_ALLOWED_ADD, "a.example");
    // Without its digest the settings file is not trusted: every write is refused.
    ASSERT_EQ(::RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kContentKeyPath, kDigestValueName),
              ERROR_SUCCESS);
    gui::Click(hEditor, IDC_EDITOR_DONE);
    EXPECT_EQ(TakeMessage(hEditor).rfind("The new settings could not be saved.\n", 0), 0u);
    EXPECT_TRUE(gui::BecomesVisible(hEditor));
    const std::string strLog = GuiLog();
    EXPECT_NE(strLog.find("Operations :: SetIPList TRUE Failed"), std::string::npos);
    EXPECT_NE(strLog.find("SetURLList TRUE Failed"), std::string::npos);
    // Still unsaved: the next Apply tries again.
    gui::Click(hEditor, IDC_EDITOR_APPLY);
    EXPECT_EQ(TakeMessage(hEditor).rfind("The new settings could not be saved.\n", 0), 0u);
}

}  // namespace
