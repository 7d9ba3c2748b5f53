// Tray notices of the blocks other processes record, and the Recent blocks list a click on
// one opens, as an administrator, a user and nobody see it.
#include <winsock2.h>
#include <windows.h>
#include <shellapi.h>

#include <cstring>

#include <gtest/gtest.h>

#include "tests/gui/support/GiveTime.h"
#include "tests/gui/support/LoginTest.h"
#include "tests/gui/support/RemoteListView.h"
#include "tests/gui/support/TrayNotices.h"
#include "tests/support/PlainWebServer.h"
#include "tests/support/ScopedCatalog.h"
#include "tests/support/UrlWords.h"

namespace {

// Notices come a poll (a second) after the block, five seconds apart.
constexpr DWORD kNoticeWaitMs = 30000;

class RecentBlocksTest : public LoginTest {
protected:
    // A block as a filter in another process records it.
    static void Record(const char* szProfile, const char* szHost, int iPolicy,
                       const char* szMatch) {
        BlockJournalEntry entry = {};
        entry.iPolicy = iPolicy;
        entry.iScheme = BLOCK_SCHEME_HTTPS;
        std::strncpy(entry.szProfile, szProfile, sizeof entry.szProfile - 1);
        std::strncpy(entry.szHost, szHost, sizeof entry.szHost - 1);
        std::strncpy(entry.szMatch, szMatch, sizeof entry.szMatch - 1);
        ASSERT_EQ(AppendBlockJournal(&entry), 1);
    }

    // The program's log line of each notice, from "Blocked:" on.
    std::vector<std::string> Notices() const { return TrayNotices(m_install.Folder()); }
    std::vector<std::string> WaitForNotices(size_t nCount) const {
        gui::WaitUntil([&] { return Notices().size() >= nCount; }, kNoticeWaitMs);
        return Notices();
    }

    // Recent blocks, opened by a click on the notice.
    HWND OpenRecentBlocks() const {
        TrayEvent(NIN_BALLOONUSERCLICK);
        return m_program->ShownDialog("Recent blocks");
    }
    // "profile site reason connection program" of the list's first rows.
    static std::vector<std::string> Rows(HWND hDialog, int nMax = 256) {
        const CRemoteListView list(::GetDlgItem(hDialog, IDC_BLOCKS_LIST));
        std::vector<std::string> rows;
        for (int i = 0; i < list.Count() && i < nMax; ++i) {
            std::string strRow = list.Text(i, 1);
            for (int nColumn = 2; nColumn < 6; ++nColumn) {
                strRow += " | " + list.Text(i, nColumn);
            }
            rows.push_back(strRow);
        }
        return rows;
    }
    static std::string CloseRecentBlocks(HWND hDialog) {
        gui::Click(hDialog, IDOK);
        return gui::WaitUntil([&] { return ::IsWindow(hDialog) == FALSE; }) ? "closed" : "open";
    }
};

TEST_F(RecentBlocksTest, ManyBlocksOfOneSiteGiveOneNoticeAndThreeSitesThree) {
    Start();
    for (int i = 0; i < 20; ++i) {
        Record("Default", "one.example", 3, "poker");
    }
    // The next site's notice comes five seconds after the first: none for one.example between.
    ASSERT_EQ(WaitForNotices(1).size(), 1u);
    Record("Default", "two.example", 4, "Gambling");
    Record("Default", "three.example", 5, "");
    Record("Default", "four.example", 4, "News");
    EXPECT_EQ(WaitForNotices(4),
              (std::vector<std::string>{
                  "Blocked: one.example; URL Word: poker; Profile: Default; and 19 more",
                  "Blocked: two.example; Category: Gambling; Profile: Default",
                  "Blocked: three.example; settings corrupted; Profile: Default",
                  "Blocked: four.example; Category: News; Profile: Default"}));
    // The shell draws the last notice a moment later.
    const HWND hBalloon = ShownBalloon();
    ASSERT_NE(hBalloon, nullptr);
    gui::Screenshot(hBalloon, "block-notice");
}

TEST_F(RecentBlocksTest, AClockSetIsNoBlockToTellOf) {
    Start();
    Record("Default", "", BLOCK_EVENT_CLOCK_CHANGED,
           "The system clock was set back by 180 minutes");
    Record("Default", "late.example", 6, "Internet is allowed again at 07:00");
    EXPECT_EQ(WaitForNotices(1),
              std::vector<std::string>{"Blocked: late.example; Time: Internet is allowed again "
                                       "at 07:00; Profile: Default"});
}

TEST_F(RecentBlocksTest, NobodyAndAUserSeeTheirProfileAndAnAdministratorEveryone) {
    Record("Default", "default-old.example", 3, "poker");
    Record("kid", "kid.example", 4, "Gambling");
    Record("Default", "default-new.example", 4, "Adult");
    Start();

    HWND hDialog = OpenRecentBlocks();
    ASSERT_NE(hDialog, nullptr);
    gui::Screenshot(hDialog, "recent-blocks");
    std::vector<std::string> rows = Rows(hDialog);
    ASSERT_GE(rows.size(), 2u);
    EXPECT_EQ(rows[0], "Default | default-new.example | Category: Adult | https | gui_tests.exe");
    EXPECT_EQ(rows[1], "Default | default-old.example | URL Word: poker | https | gui_tests.exe");
    for (const std::string& strRow : rows) {
        EXPECT_EQ(strRow.rfind("Default |", 0), 0u) << strRow;
    }
    EXPECT_EQ(CloseRecentBlocks(hDialog), "closed");

    LogIn("kid", "chess");
    ASSERT_TRUE(LoginHidden());
    hDialog = OpenRecentBlocks();
    ASSERT_NE(hDialog, nullptr);
    rows = Rows(hDialog);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0], "kid | kid.example | Category: Gambling | https | gui_tests.exe");
    for (const std::string& strRow : rows) {
        EXPECT_EQ(strRow.rfind("kid |", 0), 0u) << strRow;
    }
    EXPECT_EQ(CloseRecentBlocks(hDialog), "closed");

    gui::PostCommand(m_hLogin, ID_TRAY_LOGOUT);
    ASSERT_TRUE(LoginShown());
    LogIn("mum", "garden");
    ASSERT_TRUE(LoginHidden());
    hDialog = OpenRecentBlocks();
    ASSERT_NE(hDialog, nullptr);
    EXPECT_EQ(Rows(hDialog, 3),
              (std::vector<std::string>{
                  "Default | default-new.example | Category: Adult | https | gui_tests.exe",
                  "kid | kid.example | Category: Gambling | https | gui_tests.exe",
                  "Default | default-old.example | URL Word: poker | https | gui_tests.exe"}));
    EXPECT_EQ(CloseRecentBlocks(hDialog), "closed");
}

// A block the strict filter makes in a browser-like process through the layer.
class BlockThroughTheFilterTest : public RecentBlocksTest {
protected:
    BlockThroughTheFilterTest() {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
        const CRegKey key = OpenProductKey(KEY_SET_VALUE);
        const DWORD dwStrict = 1;
        EXPECT_EQ(::RegSetValueExA(key.Get(), "StrictFilter", 0, REG_DWORD,
                                   reinterpret_cast<const BYTE*>(&dwStrict), sizeof dwStrict),
                  ERROR_SUCCESS);
        EXPECT_EQ(SetUrlWords("Default", 0, {"poker"}), 1);
    }
    ~BlockThroughTheFilterTest() override { ::WSACleanup(); }

    CScopedCatalog m_catalog{CScopedCatalog::Layer::kChains};
};

TEST_F(BlockThroughTheFilterTest, IsToldInANoticeAndListed) {
    CLoopbackPeer web = PlainWebServer(1);
    Start();
    const std::string strOutput = m_install.Folder() + "browse.txt";
    CChildProcess child(CChildProcess::Beside("filter_child.exe"),
                        "\"" + strOutput + "\" browse:" + std::to_string(web.Port()) + ":/poker");
    EXPECT_EQ(child.Wait(), 0u);
    EXPECT_EQ(ReadLines(strOutput), std::vector<std::string>{"blocked"});
    EXPECT_EQ(WaitForNotices(1), std::vector<std::string>{
                                     "Blocked: games.example; URL Word: poker; Profile: Default"});

    const HWND hDialog = OpenRecentBlocks();
    ASSERT_NE(hDialog, nullptr);
    EXPECT_EQ(Rows(hDialog, 1),
              std::vector<std::string>{"Default | games.example | URL Word: poker | http | "
                                       "filter_child.exe"});
    EXPECT_EQ(CloseRecentBlocks(hDialog), "closed");
}

// A time block through the filter, its row, and a parent's "more time" from it: the wrong
// password gives nothing, the right one lets the same request through at once.
TEST_F(BlockThroughTheFilterTest, ATimeBlocksRowGivesItsProfileMoreTime) {
    CLoopbackPeer web = PlainWebServer(2);
    const int iUsed = TimeSeenElsewhere("Default").iUsed;
    ASSERT_EQ(SetTimeRules("Default", ("limit all " + std::to_string(iUsed)).c_str()), 1);
    Start();
    const std::string strOutput = m_install.Folder() + "browse.txt";
    const std::string strBrowse = "browse:" + std::to_string(web.Port()) + ":/chess";
    {
        CChildProcess child(CChildProcess::Beside("filter_child.exe"),
                            "\"" + strOutput + "\" " + strBrowse);
        EXPECT_EQ(child.Wait(), 0u);
    }
    EXPECT_EQ(ReadLines(strOutput), std::vector<std::string>{"blocked"});

    const HWND hBlocks = OpenRecentBlocks();
    ASSERT_NE(hBlocks, nullptr);
    const std::string strReason =
        "Time: Internet time is over for today: " + std::to_string(iUsed) + " of " +
        std::to_string(iUsed) + " minutes used";
    EXPECT_EQ(Rows(hBlocks, 1), std::vector<std::string>{"Default | games.example | " + strReason +
                                                         " | http | "
                                                         "filter_child.exe"});
    EXPECT_FALSE(gui::IsItemEnabled(hBlocks, IDC_BLOCKS_GIVE_TIME)) << "no row chosen yet";
    CRemoteListView(::GetDlgItem(hBlocks, IDC_BLOCKS_LIST)).Select(0);
    EXPECT_TRUE(gui::WaitUntil([&] { return gui::IsItemEnabled(hBlocks, IDC_BLOCKS_GIVE_TIME); }));
    EXPECT_EQ(gui::ItemText(hBlocks, IDC_BLOCKS_REASON), strReason) << "whole, below the list";
    gui::Screenshot(hBlocks, "recent-blocks-time");
    gui::Click(hBlocks, IDC_BLOCKS_GIVE_TIME);
    const HWND hGive = m_program->ShownDialog("Give more time");
    ASSERT_NE(hGive, nullptr);
    EXPECT_EQ(gui::ItemText(hGive, IDC_GIVE_PROFILE), "Default");

    EXPECT_EQ(GiveTime(*m_program, hGive, IDC_GIVE_30, "wrong"),
              "Invalid Password. Please enter valid password");
    EXPECT_EQ(TimeSeenElsewhere("Default").iExtraMinutes, 0);
    EXPECT_EQ(GiveTime(*m_program, hGive, IDC_GIVE_30, kAdminPassword)
                  .rfind("More time given.\nDefault: ", 0),
              0u);
    EXPECT_EQ(TimeSeenElsewhere("Default").iExtraMinutes, 30);

    ::DeleteFileA(strOutput.c_str());
    CChildProcess again(CChildProcess::Beside("filter_child.exe"),
                        "\"" + strOutput + "\" " + strBrowse);
    EXPECT_EQ(again.Wait(), 0u);
    EXPECT_EQ(ReadLines(strOutput), std::vector<std::string>{"passed"});
    EXPECT_EQ(CloseRecentBlocks(hBlocks), "closed");
}

}  // namespace
