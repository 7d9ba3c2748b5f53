// Internet time in the tray: the tooltip and the notices as a profile's allowance or hours
// run out (rules and usage set through the library from outside), and a parent's "Give more
// time" from the tray menu.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/gui/support/GiveTime.h"
#include "tests/gui/support/LoginTest.h"
#include "tests/gui/support/TrayNotices.h"

namespace {

// Looks come every five seconds, notices five seconds apart.
constexpr DWORD kNoticeWaitMs = 30000;

std::string Clock(int iMinute) {
    char szText[8] = {};
    std::snprintf(szText, sizeof szText, "%02d:%02d", iMinute / 60, iMinute % 60);
    return szText;
}

class TimeTrayTest : public LoginTest {
protected:
    // A minute of use, as the filter and the settings program count it (input and a request)
    // in another process; today's count then.
    int UseAMinute(const std::string& strProfile) const {
        const int iBefore = TimeSeenElsewhere(strProfile).iUsed;
        int iUsed = iBefore;
        // A minute boundary between the two spoils an attempt, never two in a row.
        for (int iAttempt = 0; iAttempt < 3 && iUsed <= iBefore; ++iAttempt) {
            std::sscanf(SeenElsewhere(("use:" + strProfile).c_str()).c_str(), "used %d", &iUsed);
        }
        EXPECT_GT(iUsed, iBefore);
        return iUsed;
    }
    // The local minute of the day now.
    static int MinuteNow() {
        TimeState state{};
        GetTimeState("Default", &state);
        return state.iMinute;
    }
    static void SetRules(const char* szProfile, const std::string& strRules) {
        ASSERT_EQ(SetTimeRules(szProfile, strRules.c_str()), 1) << GetLastErrorMessage();
    }

    std::vector<std::string> Notices() const { return TrayNotices(m_install.Folder()); }
    std::vector<std::string> WaitForNotices(size_t nCount) const {
        gui::WaitUntil([&] { return Notices().size() >= nCount; }, kNoticeWaitMs);
        return Notices();
    }
    std::vector<std::string> Tooltips() const {
        return LogLinesAfter(m_install.Folder() + "GuiLogFile.Log", "CTimeTray :: tooltip ");
    }
    // The tooltip once it says strTip; the last one said when it does not come.
    std::string WaitForTooltip(const std::string& strTip) const {
        gui::WaitUntil([&] { return !Tooltips().empty() && Tooltips().back() == strTip; },
                       kNoticeWaitMs);
        return Tooltips().empty() ? "(none)" : Tooltips().back();
    }
};

TEST_F(TimeTrayTest, TheTooltipAndTheNoticesFollowTheAllowanceOfTheProfileInForce) {
    Start();
    LogIn("kid", "chess");
    ASSERT_TRUE(LoginHidden());
    EXPECT_EQ(WaitForTooltip("kid: no time limits"), "kid: no time limits");

    const int iUsed = UseAMinute("kid");
    SetRules("kid", "limit all " + std::to_string(iUsed + 15));
    EXPECT_EQ(WaitForTooltip("kid: 15 minutes left today"), "kid: 15 minutes left today");
    ASSERT_EQ(WaitForNotices(1),
              std::vector<std::string>{"15 minutes of internet time left today; Profile: kid"});
    const HWND hBalloon = ShownBalloon();
    ASSERT_NE(hBalloon, nullptr);
    gui::Screenshot(hBalloon, "time-notice");

    SetRules("kid", "limit all " + std::to_string(iUsed + 5));
    EXPECT_EQ(WaitForTooltip("kid: 5 minutes left today"), "kid: 5 minutes left today");
    SetRules("kid", "limit all " + std::to_string(iUsed));
    const std::string strOver = "Internet time is over for today: " + std::to_string(iUsed) +
                                " of " + std::to_string(iUsed) + " minutes used";
    EXPECT_EQ(WaitForTooltip("kid: " + strOver), "kid: " + strOver);
    EXPECT_EQ(WaitForNotices(3),
              (std::vector<std::string>{
                  "15 minutes of internet time left today; Profile: kid",
                  "5 minutes of internet time left today; Profile: kid",
                  "Internet time is over for today; " + strOver + "; Profile: kid"}));

    // Nobody logged in: Default's time, and nothing told again of the kid's.
    gui::PostCommand(m_hLogin, ID_TRAY_LOGOUT);
    ASSERT_TRUE(LoginShown());
    EXPECT_EQ(WaitForTooltip("Default: no time limits"), "Default: no time limits");
    EXPECT_EQ(Notices().size(), 3u);
}

TEST_F(TimeTrayTest, TheEndOfAnAllowedPeriodIsToldBeforeItComes) {
    const int iNow = MinuteNow();
    if (iNow > 23 * 60) {
        GTEST_SKIP() << "the period would end after midnight";
    }
    const std::string strEnd = Clock(iNow + 10);
    SetRules("Default", "allow all 00:00-" + strEnd);
    Start();
    EXPECT_EQ(WaitForTooltip("Default: internet until " + strEnd),
              "Default: internet until " + strEnd);
    const std::vector<std::string> notices = WaitForNotices(1);
    ASSERT_EQ(notices.size(), 1u);
    // Ten minutes before, or nine when the minute turned meanwhile.
    EXPECT_EQ(notices[0].rfind("Internet time ends at " + strEnd + "; ", 0), 0u) << notices[0];
    EXPECT_NE(notices[0].find(" minutes left; Profile: Default"), std::string::npos) << notices[0];
}

TEST_F(TimeTrayTest, AParentGivesAChosenProfileMoreTimeFromTheTrayMenu) {
    SetRules("kid", "allow all none");
    Start();
    gui::PostCommand(m_hLogin, ID_TRAY_GIVE_TIME);
    const HWND hDialog = m_program->ShownDialog("Give more time");
    ASSERT_NE(hDialog, nullptr);
    EXPECT_EQ(gui::ItemText(hDialog, IDC_GIVE_PROFILE), "Default") << "the profile in force";
    EXPECT_EQ(gui::ItemText(hDialog, IDC_GIVE_STATE), "no time limits");
    EXPECT_EQ(gui::ItemText(hDialog, IDC_GIVE_ADMIN), "admin");

    // The kid chosen, as a parent picks him from the list.
    ::SendMessageA(::GetDlgItem(hDialog, IDC_GIVE_PROFILE), CB_SELECTSTRING,
                   static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("kid"));
    ::SendMessageA(hDialog, WM_COMMAND, MAKEWPARAM(IDC_GIVE_PROFILE, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(::GetDlgItem(hDialog, IDC_GIVE_PROFILE)));
    EXPECT_EQ(gui::ItemText(hDialog, IDC_GIVE_STATE).rfind("Internet is not allowed", 0), 0u)
        << gui::ItemText(hDialog, IDC_GIVE_STATE);
    const std::string strUntil = gui::ItemText(hDialog, IDC_GIVE_UNTIL_TIME);
    gui::Screenshot(hDialog, "give-more-time");

    EXPECT_EQ(GiveTime(*m_program, hDialog, IDC_GIVE_UNTIL, "wrong"),
              "Invalid Password. Please enter valid password");
    EXPECT_EQ(TimeSeenElsewhere("kid").iUntilMinute, -1);
    const std::string strGiven = GiveTime(*m_program, hDialog, IDC_GIVE_UNTIL, kAdminPassword);
    EXPECT_EQ(strGiven, "More time given.\nkid: internet until " + strUntil);
    EXPECT_TRUE(gui::WaitUntil([&] { return ::IsWindow(hDialog) == FALSE; }));
    const TimeState state = TimeSeenElsewhere("kid");
    EXPECT_EQ(state.iAllowed, 1) << state.szReason;
    EXPECT_EQ(Clock(state.iUntilMinute), strUntil);
    // Nobody is logged in: the program keeps no administrator's proof.
    EXPECT_GE(m_install.CountInApiLog("API :: EndProof"), 1);
    EXPECT_TRUE(::IsWindow(m_hLogin));
}

TEST_F(TimeTrayTest, ALoggedInParentGivesWithHerOwnPasswordAndKeepsHerProof) {
    Start();
    LogIn("mum", "garden");
    ASSERT_TRUE(LoginHidden());
    gui::PostCommand(m_hLogin, ID_TRAY_GIVE_TIME);
    const HWND hDialog = m_program->ShownDialog("Give more time");
    ASSERT_NE(hDialog, nullptr);
    EXPECT_EQ(gui::ItemText(hDialog, IDC_GIVE_PROFILE), "mum");
    EXPECT_EQ(gui::ItemText(hDialog, IDC_GIVE_ADMIN), "mum");
    EXPECT_FALSE(gui::IsItemEnabled(hDialog, IDC_GIVE_ADMIN));
    EXPECT_EQ(gui::FocusedItemOf(hDialog), ::GetDlgItem(hDialog, IDC_GIVE_PASSWORD));
    EXPECT_EQ(GiveTime(*m_program, hDialog, IDC_GIVE_60, "garden"),
              "More time given.\nmum: no time limits");
    EXPECT_EQ(TimeSeenElsewhere("mum").iExtraMinutes, 60);
    EXPECT_EQ(m_install.CountInApiLog("API :: EndProof"), 0);
}

}  // namespace
