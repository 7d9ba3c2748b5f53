// Internet time through the library's exports: what the filter and the settings program
// record, a parent's grants, the state the settings program shows, and what the settings file
// keeps when every process has ended.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Api/PolicyApi.h"
#include "Api/SharedState.h"
#include "Api/portable/ErrorCodes.h"
#include "tests/support/FreshInstallation.h"

namespace {

TimeState StateOf(const char* szUser) {
    TimeState state{};
    EXPECT_EQ(GetTimeState(szUser, &state), 1) << GetLastErrorMessage();
    return state;
}

// The shared block as the next process after the last one starts it: empty.
void ForgetSharedCounts() {
    SharedPolicyState().timeUsage = {};
}

}  // namespace

TEST(TimeUsage, RequestsCountWhileNobodyRecordsInputAndTheCountIsKept) {
    CFreshInstallation install;
    ForgetSharedCounts();
    ASSERT_EQ(SetTimeRules("Default", "limit all 1"), 1);
    EXPECT_EQ(StateOf("Default").iAllowed, 1);

    TimeUsageNow now{};
    ASSERT_EQ(CountInternetMinute("Default", 1, &now), 1);
    EXPECT_EQ(now.iUsed, 1);
    ASSERT_EQ(CountInternetMinute("default", 1, &now), 1);
    EXPECT_LE(now.iUsed, 2) << "at most once a minute";

    ForgetSharedCounts();  // every process ended; the settings file kept the count
    const TimeState state = StateOf("Default");
    EXPECT_GE(state.iUsed, 1);
    EXPECT_EQ(state.iAllowed, 0);
    EXPECT_EQ(state.iReason, 1);
    EXPECT_EQ(std::string(state.szReason).rfind("Internet time is over for today: ", 0), 0u)
        << state.szReason;
    EXPECT_EQ(CountInternetMinute("nobody", 1, &now), 0);
}

TEST(TimeUsage, TheSettingsProgramsInputCountsAndSaves) {
    CFreshInstallation install;
    ForgetSharedCounts();
    ASSERT_EQ(CreateUser("sam", "apple7", USER_TYPE_USER), 1);
    // Input and a request in one minute; a minute boundary between them spoils an attempt,
    // never two in a row.
    TimeUsageNow now{};
    for (int iAttempt = 0; iAttempt < 3 && now.iUsed == 0; ++iAttempt) {
        ASSERT_EQ(RecordUserInput(0), 1);
        ASSERT_EQ(CountInternetMinute("sam", 1, &now), 1);
        ASSERT_EQ(RecordUserInput(0), 1);
        ASSERT_EQ(CountInternetMinute("sam", 1, &now), 1);
    }
    EXPECT_GE(now.iUsed, 1);
    ForgetSharedCounts();
    EXPECT_EQ(StateOf("sam").iUsed, now.iUsed) << "saved by the settings program's record";
}

TEST(TimeUsage, GrantsNeedAParentAndAddUp) {
    CFreshInstallation install;
    ForgetSharedCounts();
    ASSERT_EQ(SetTimeRules("Default", "allow all none; limit all 0"), 1);
    EXPECT_EQ(StateOf("Default").iAllowed, 0);

    ASSERT_EQ(GrantTime("Default", 30, nullptr), 1);
    ASSERT_EQ(GrantTime("Default", 15, "24:00"), 1);
    const TimeState state = StateOf("Default");
    EXPECT_EQ(state.iExtraMinutes, 45);
    EXPECT_EQ(state.iUntilMinute, 1440);
    EXPECT_EQ(state.iAllowance, 45);
    EXPECT_EQ(state.iAllowed, 1) << state.szReason;

    for (const char* szBad : {"25:00", "7", "07:00x", "ab:cd", "24:01"}) {
        EXPECT_EQ(GrantTime("Default", 5, szBad), 0) << szBad;
    }
    EXPECT_EQ(GrantTime("Default", -5, nullptr), 0);
    EXPECT_EQ(GrantTime("nobody", 5, nullptr), 0);
    EXPECT_EQ(GetLastErrorCode(), ERR_USER_NOT_FOUND);

    ForgetSharedCounts();
    EXPECT_EQ(StateOf("Default").iExtraMinutes, 45) << "grants are kept with the count";
}

TEST(TimeUsage, GrantRefusedWithoutAnAdministratorsProof) {
    CFreshInstallation install("secret", true, CFreshInstallation::Proof::kNone);
    ForgetSharedCounts();
    EXPECT_EQ(GrantTime("Default", 30, nullptr), 0);
    EXPECT_EQ(GetLastErrorCode(), ERR_NOT_ALLOWED);
    EXPECT_EQ(StateOf("Default").iExtraMinutes, 0);
}

TEST(TimeUsage, AWallClockJumpGoesInTheJournalAsAnEvent) {
    CFreshInstallation install;
    ForgetSharedCounts();
    StateOf("Default");
    // As if the clock had read three hours later at the last look.
    SharedPolicyState().timeUsage.llWallOffset += 3 * 60 * 60000;
    StateOf("Default");
    StateOf("Default");

    std::vector<BlockJournalEntry> entries(256);
    int nCount = 0;
    ASSERT_EQ(ReadBlockJournal(0, entries.data(), 256, &nCount), 1);
    int nEvents = 0;
    for (int i = 0; i < nCount; ++i) {
        if (entries[static_cast<std::size_t>(i)].iPolicy == BLOCK_EVENT_CLOCK_CHANGED) {
            ++nEvents;
            EXPECT_STREQ(entries[static_cast<std::size_t>(i)].szMatch,
                         "The system clock was set back by 180 minutes");
        }
    }
    EXPECT_EQ(nEvents, 1);
}
