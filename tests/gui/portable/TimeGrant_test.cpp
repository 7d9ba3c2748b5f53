// What a parent's "more time" asks the library for, and the times it offers.
#include <gtest/gtest.h>

#include <vector>

#include "gui/portable/TimeGrant.h"

namespace {

TEST(TimeGrant, EachChoiceAsksForItsMinutesOrItsTime) {
    const struct {
        GrantChoice choice;
        int iUntil;
        int iNow;
        int iLeft;
        int iMinutes;  // -1: refused
        const char* szUntil;
    } kCases[] = {
        {GrantChoice::kMinutes15, 0, 600, 10, 15, ""},
        {GrantChoice::kMinutes30, 0, 600, -1, 30, ""},
        {GrantChoice::kMinutes60, 0, 600, 0, 60, ""},
        {GrantChoice::kUntil, 1260, 1200, -1, 0, "21:00"},   // no limit: the time alone
        {GrantChoice::kUntil, 1260, 1200, 0, 60, "21:00"},   // the minutes up to it
        {GrantChoice::kUntil, 1260, 1200, 20, 40, "21:00"},  // the minutes it lacks
        {GrantChoice::kUntil, 1260, 1200, 90, 0, "21:00"},   // enough minutes already
        {GrantChoice::kUntil, 1440, 1430, 0, 10, "24:00"},
        {GrantChoice::kUntil, 1260, 1260, 0, -1, ""},  // the time has come
        {GrantChoice::kUntil, 1260, 1300, 0, -1, ""},  // and gone
    };
    for (const auto& c : kCases) {
        const auto request = GrantFor(c.choice, c.iUntil, c.iNow, c.iLeft);
        if (c.iMinutes < 0) {
            EXPECT_FALSE(request) << c.iUntil << " at " << c.iNow;
            continue;
        }
        ASSERT_TRUE(request) << c.iUntil << " at " << c.iNow;
        EXPECT_EQ(request->iMinutes, c.iMinutes) << c.iUntil << " at " << c.iNow;
        EXPECT_EQ(request->strUntil, c.szUntil);
    }
}

TEST(TimeGrant, UntilOffersTheHalfHoursToMidnightAndStartsAt21) {
    EXPECT_EQ(UntilChoices(22 * 60 + 10), (std::vector<int>{1350, 1380, 1410, 1440}));
    EXPECT_EQ(UntilChoices(23 * 60 + 30), std::vector<int>{1440});
    EXPECT_EQ(UntilChoices(0).front(), 30);
    EXPECT_EQ(FirstUntilChoice(UntilChoices(8 * 60)), 21 * 60);
    EXPECT_EQ(FirstUntilChoice(UntilChoices(21 * 60)), 21 * 60 + 30);
    EXPECT_EQ(FirstUntilChoice(UntilChoices(23 * 60 + 59)), 1440);
}

}  // namespace
