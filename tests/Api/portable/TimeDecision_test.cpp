#include "Api/portable/TimeDecision.h"

#include <gtest/gtest.h>

#include <string>

namespace {

enum { kMon, kTue, kWed, kThu, kFri, kSat, kSun };

TimeRules Rules(const char* szText) {
    const TimeRulesParse parsed = ParseTimeRules(szText);
    EXPECT_TRUE(parsed.ok) << parsed.fault;
    return parsed.rules;
}

LocalMinute At(int iDay, int iHours, int iMinutes) {
    return {iDay, iHours * 60 + iMinutes};
}

// The reason shown at `now`, "" when allowed.
std::string Reason(const char* szRules, LocalMinute now, int iUsed = 0, TimeGrant grant = {}) {
    const TimeDecision decision = DecideTime(Rules(szRules), now, iUsed, grant);
    return TimeDecisionReason(decision, now);
}

}  // namespace

TEST(TimeDecision, PeriodsIncludeTheirStartAndExcludeTheirEnd) {
    const char* szRules = "allow mon-fri 07:00-08:00,16:00-20:30";
    EXPECT_EQ(Reason(szRules, At(kMon, 6, 59)), "Internet is allowed again at 07:00");
    EXPECT_EQ(Reason(szRules, At(kMon, 7, 0)), "");
    EXPECT_EQ(Reason(szRules, At(kMon, 7, 59)), "");
    EXPECT_EQ(Reason(szRules, At(kMon, 8, 0)), "Internet is allowed again at 16:00");
    EXPECT_EQ(Reason(szRules, At(kMon, 20, 30)), "Internet is allowed again at 07:00")
        << "tomorrow morning, within a day";
    EXPECT_EQ(Reason(szRules, At(kFri, 21, 0)), "Internet is allowed again at 00:00")
        << "saturday has no allow clause";
    EXPECT_EQ(Reason(szRules, At(kSat, 3, 0)), "") << "a day without allow is allowed all day";
}

TEST(TimeDecision, NoneAndTheNextAllowedDay) {
    const char* szRules = "allow mon-fri none; allow sat,sun 08:00-21:00";
    EXPECT_EQ(Reason(szRules, At(kMon, 12, 0)), "Internet is allowed again on Sat at 08:00");
    EXPECT_EQ(Reason(szRules, At(kFri, 12, 0)), "Internet is allowed again at 08:00");
    EXPECT_EQ(Reason(szRules, At(kSun, 21, 0)), "Internet is allowed again on Sat at 08:00")
        << "the week wraps";
    EXPECT_EQ(Reason("allow all none", At(kWed, 10, 0)), "Internet is not allowed on any day");
}

TEST(TimeDecision, MidnightEndsOneDayAndStartsTheNext) {
    const char* szRules = "allow fri 20:00-24:00; allow sat 00:00-01:00; allow sun none";
    EXPECT_EQ(Reason(szRules, At(kFri, 23, 59)), "");
    EXPECT_EQ(Reason(szRules, At(kSat, 0, 0)), "");
    EXPECT_EQ(Reason(szRules, At(kSat, 0, 59)), "");
    EXPECT_EQ(Reason(szRules, At(kSat, 1, 0)), "Internet is allowed again on Mon at 00:00");
}

TEST(TimeDecision, LimitsCountTheDaysMinutes) {
    const char* szRules = "limit mon-fri 60; limit sat 0";
    EXPECT_EQ(Reason(szRules, At(kMon, 12, 0), 59), "");
    EXPECT_EQ(Reason(szRules, At(kMon, 12, 0), 60),
              "Internet time is over for today: 60 of 60 minutes used");
    EXPECT_EQ(Reason(szRules, At(kSat, 12, 0), 0),
              "Internet time is over for today: 0 of 0 minutes used");
    EXPECT_EQ(Reason(szRules, At(kSun, 12, 0), 5000), "") << "no limit on sunday";

    const TimeDecision decision = DecideTime(Rules(szRules), At(kFri, 12, 0), 75, {});
    EXPECT_EQ(decision.verdict, TimeVerdict::kNoMinutesLeft);
    EXPECT_EQ(decision.iLeft, 0);
    EXPECT_EQ(decision.iNextDay, 2) << "saturday's limit of 0 allows nothing";
    EXPECT_EQ(decision.iNextMinute, 0);
    const TimeDecision left = DecideTime(Rules(szRules), At(kFri, 12, 0), 15, {});
    EXPECT_EQ(left.iLeft, 45);
    EXPECT_EQ(left.iAllowance, 60);
}

TEST(TimeDecision, MinutesLeftComeBeforeHours) {
    EXPECT_EQ(Reason("allow all 07:00-08:00; limit all 30", At(kTue, 22, 0), 30),
              "Internet time is over for today: 30 of 30 minutes used");
}

TEST(TimeDecision, GrantsAddMinutesAndOpenHoursUntilATime) {
    const char* szRules = "allow all 07:00-20:00; limit all 60";
    EXPECT_EQ(Reason(szRules, At(kWed, 12, 0), 60, {30, -1}), "");
    EXPECT_EQ(Reason(szRules, At(kWed, 12, 0), 90, {30, -1}),
              "Internet time is over for today: 90 of 90 minutes used");
    EXPECT_EQ(Reason(szRules, At(kWed, 20, 30), 10, {0, 21 * 60}), "");
    EXPECT_EQ(Reason(szRules, At(kWed, 21, 0), 10, {0, 21 * 60}),
              "Internet is allowed again at 07:00");
    EXPECT_EQ(Reason("allow all none", At(kWed, 9, 0), 0, {0, 10 * 60}), "");
}

TEST(TimeDecision, NoRulesAllowEverything) {
    const TimeDecision decision = DecideTime(TimeRules::None(), At(kSun, 23, 59), 100000, {});
    EXPECT_EQ(decision.verdict, TimeVerdict::kAllowed);
    EXPECT_EQ(decision.iLeft, -1);
}
