// Time rules as the library stores them: canonical, split over several values, refused
// without a parent's proof or when they cannot be read.
#include <gtest/gtest.h>

#include <string>

#include "Api/PolicyApi.h"
#include "Api/portable/ErrorCodes.h"
#include "Api/portable/TimeRules.h"
#include "tests/support/FreshInstallation.h"

namespace {

std::string StoredRules(const char* szUser) {
    char szRules[TIME_RULES_TEXT_SIZE] = "unchanged";
    EXPECT_EQ(GetTimeRules(szUser, szRules, sizeof szRules), 1) << GetLastErrorMessage();
    return szRules;
}

// Every day its own 48 periods (a quarter of an hour every half hour, shifted a minute a day)
// and its own limit: the longest canonical text there is.
std::string WorstCaseRules() {
    std::string text;
    for (int iDay = 0; iDay < TimeRules::kDays; ++iDay) {
        text += "allow " + std::string(DayName(iDay)) + " ";
        for (int i = 0; i < TimeRulesDay::kMaxPeriods; ++i) {
            const int iStart = i * 30 + iDay;
            text += (i ? "," : "") + MinuteText(iStart) + "-" + MinuteText(iStart + 15);
        }
        text += "; ";
    }
    for (int iDay = 0; iDay < TimeRules::kDays; ++iDay) {
        text += "limit " + std::string(DayName(iDay)) + " " + std::to_string(1000 + iDay) +
                (iDay + 1 < TimeRules::kDays ? "; " : "");
    }
    return text;
}

}  // namespace

TEST(TimeRulesStore, KeptInCanonicalFormPerProfile) {
    CFreshInstallation install;
    ASSERT_EQ(CreateUser("sam", "apple7", USER_TYPE_USER), 1);
    EXPECT_EQ(StoredRules("sam"), "") << "settings without rules have none";

    ASSERT_EQ(SetTimeRules("sam", "LIMIT mon-fri 60\nallow all 7:00-21:00"), 1);
    EXPECT_EQ(StoredRules("SAM"), "allow all 07:00-21:00; limit mon-fri 60");
    EXPECT_EQ(StoredRules("Default"), "");
    EXPECT_EQ(IsUpdateRequire(), 1) << "the filter reloads the rules";

    ASSERT_EQ(SetTimeRules("sam", ""), 1);
    EXPECT_EQ(StoredRules("sam"), "");
}

TEST(TimeRulesStore, WorstCaseIsAcceptedAndReadBackWhole) {
    CFreshInstallation install;
    const std::string strRules = WorstCaseRules();
    ASSERT_GT(strRules.size(), 4000u);
    ASSERT_LT(strRules.size(), static_cast<std::size_t>(TIME_RULES_TEXT_SIZE));
    ASSERT_EQ(SetTimeRules("Default", strRules.c_str()), 1) << GetLastErrorMessage();
    EXPECT_EQ(StoredRules("Default"), strRules);

    // Shorter rules after longer ones read back alone: the count names the pieces that hold.
    ASSERT_EQ(SetTimeRules("Default", "limit sun 5"), 1);
    EXPECT_EQ(StoredRules("Default"), "limit sun 5");

    char szSmall[16] = "unchanged";
    ASSERT_EQ(SetTimeRules("Default", strRules.c_str()), 1);
    EXPECT_EQ(GetTimeRules("Default", szSmall, sizeof szSmall), 0);
    EXPECT_STREQ(szSmall, "");
}

TEST(TimeRulesStore, RefusedTextsChangeNothing) {
    CFreshInstallation install;
    ASSERT_EQ(SetTimeRules("Default", "limit all 30"), 1);

    EXPECT_EQ(SetTimeRules("Default", "limit all 30; allow sat 22:00-02:00"), 0);
    EXPECT_EQ(GetLastErrorCode(), ERR_TIME_RULES);
    EXPECT_EQ(StoredRules("Default"), "limit all 30");

    char szFault[256] = {};
    EXPECT_EQ(CheckTimeRules("limit all 30; allow sat 22:00-02:00", szFault, sizeof szFault), 0);
    EXPECT_EQ(GetLastErrorCode(), ERR_TIME_RULES);
    EXPECT_EQ(std::string(szFault).rfind("clause 2 (\"allow sat 22:00-02:00\"): the period", 0), 0u)
        << szFault;
    EXPECT_EQ(CheckTimeRules("allow SAT 8:00-9:00", szFault, sizeof szFault), 1);
    EXPECT_STREQ(szFault, "allow sat 08:00-09:00");

    EXPECT_EQ(SetTimeRules("nobody", "limit all 30"), 0);
    EXPECT_EQ(GetLastErrorCode(), ERR_USER_NOT_FOUND);
}

TEST(TimeRulesStore, RefusedWithoutAnAdministratorsProof) {
    CFreshInstallation install("secret", true, CFreshInstallation::Proof::kNone);
    EXPECT_EQ(SetTimeRules("Default", "limit all 30"), 0);
    EXPECT_EQ(GetLastErrorCode(), ERR_NOT_ALLOWED);
    EXPECT_EQ(StoredRules("Default"), "");
}
