// What the tray says of a profile's internet time: the end of the hours, the tooltip, and the
// notices as the end nears, on looks the test makes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/portable/TimeTray.h"

namespace {

constexpr int kMonday = 0;

int At(int iHours, int iMinutes = 0) {
    return iHours * 60 + iMinutes;
}

TimeRules Rules(const char* szText) {
    const TimeRulesParse parsed = ParseTimeRules(szText);
    EXPECT_TRUE(parsed.ok) << parsed.fault;
    return parsed.rules;
}

TEST(TimeTray, TheHoursEndWherePeriodsAndTheGrantStopAllowing) {
    const struct {
        const char* szRules;
        int iDay;
        int iMinute;
        int iUntil;
        int iEnd;
    } kCases[] = {
        {"", kMonday, At(12), -1, -1},                               // no rules
        {"allow mon 16:00-20:00", kMonday, At(19, 45), -1, At(20)},  // in a period
        {"allow mon 16:00-20:00", kMonday, At(20), -1, -1},          // its end excluded
        {"allow mon 16:00-20:00", kMonday, At(15), -1, -1},          // not allowed now
        {"allow mon 16:00-20:00", kMonday, At(19), At(21), At(21)},  // a grant beyond it
        {"allow mon 16:00-20:00", kMonday, At(15), At(16), At(20)},  // a grant up to it
        {"allow mon 16:00-20:00,21:00-22:00", kMonday, At(19), At(21), At(22)},  // a bridge
        {"allow mon 16:00-20:00", kMonday, At(19), At(18), At(20)},              // a grant gone by
        {"allow mon 20:00-24:00; allow tue none", kMonday, At(23), -1, 1440},  // stops at midnight
        {"allow mon 20:00-24:00; allow tue 00:00-01:00", kMonday, At(23), -1, -1},  // goes on
        {"allow mon 20:00-24:00; limit tue 0", kMonday, At(23), -1, 1440},  // no minutes Tuesday
        {"allow sun 20:00-24:00; allow mon 07:00-08:00", 6, At(23), -1, 1440},  // Sunday to Monday
        {"limit all 60", kMonday, At(12), -1, -1},                              // all day
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(HoursEnd(Rules(c.szRules), c.iDay, c.iMinute, c.iUntil), c.iEnd)
            << c.szRules << " at " << c.iMinute << " until " << c.iUntil;
    }
}

TimeLook Allowed(int iLeft, int iHoursEnd = -1, int iMinute = At(19)) {
    TimeLook look;
    look.strProfile = "sam";
    look.bHasRules = true;
    look.iAllowance = iLeft < 0 ? -1 : 60;
    look.iLeft = iLeft;
    look.iMinute = iMinute;
    look.iHoursEnd = iHoursEnd;
    return look;
}

TimeLook Blocked(bool bNoMinutesLeft, int iNextDay, int iNextMinute, const char* szReason) {
    TimeLook look = Allowed(bNoMinutesLeft ? 0 : -1);
    look.bAllowed = false;
    look.bNoMinutesLeft = bNoMinutesLeft;
    look.strReason = szReason;
    look.iNextDay = iNextDay;
    look.iNextMinute = iNextMinute;
    return look;
}

TEST(TimeTray, TheTooltipNamesTheProfileAndItsTimeLeft) {
    TimeLook none;
    none.strProfile = "Default";
    const struct {
        TimeLook look;
        const char* szTip;
    } kCases[] = {
        {none, "Default: no time limits"},
        {Allowed(25), "sam: 25 minutes left today"},
        {Allowed(1), "sam: 1 minute left today"},
        {Allowed(-1, At(20)), "sam: internet until 20:00"},
        {Allowed(25, At(20)), "sam: 25 minutes left today, until 20:00"},
        {Allowed(-1), "sam: no time limit today"},
        {Blocked(false, 0, At(7), "Internet is allowed again at 07:00"),
         "sam: Internet is allowed again at 07:00"},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(TimeTooltip(c.look), c.szTip);
    }
}

// The notices given as the looks come, each as "title | text".
std::vector<std::string> Told(CTimeNotices& notices, const std::vector<TimeLook>& looks) {
    std::vector<std::string> told;
    for (const TimeLook& look : looks) {
        if (const auto notice = notices.Next(look)) {
            told.push_back(notice->strTitle + " | " + notice->strText);
        }
    }
    return told;
}

TEST(TimeTray, TheDaysMinutesAreWarnedOf15And5MinutesBeforeAndTheirEndOnce) {
    CTimeNotices notices;
    const TimeLook over =
        Blocked(true, 1, 0, "Internet time is over for today: 60 of 60 minutes used");
    EXPECT_EQ(Told(notices, {Allowed(40), Allowed(16), Allowed(15), Allowed(15), Allowed(12),
                             Allowed(5), Allowed(3), Allowed(1), over, over}),
              (std::vector<std::string>{
                  "15 minutes of internet time left today | Profile: sam",
                  "5 minutes of internet time left today | Profile: sam",
                  "Internet time is over for today | Internet time is over for today: 60 of 60 "
                  "minutes used\nProfile: sam"}));
}

TEST(TimeTray, AGrantThatMovesTheEndMakesItsNoticesDueAgain) {
    CTimeNotices notices;
    TimeLook granted = Allowed(14);
    granted.iAllowance = 90;
    const TimeLook over = Blocked(true, 1, 0, "over");
    TimeLook overAgain = over;
    overAgain.iAllowance = 90;
    EXPECT_EQ(Told(notices, {Allowed(10), over, granted, granted, overAgain}),
              (std::vector<std::string>{"10 minutes of internet time left today | Profile: sam",
                                        "Internet time is over for today | over\nProfile: sam",
                                        "14 minutes of internet time left today | Profile: sam",
                                        "Internet time is over for today | over\nProfile: sam"}));
}

TEST(TimeTray, AnAllowedPeriodsEndIsWarnedOfWhenItComesFirst) {
    CTimeNotices notices;
    EXPECT_EQ(Told(notices, {Allowed(40, At(20), At(19, 40)), Allowed(40, At(20), At(19, 45)),
                             Allowed(40, At(20), At(19, 50)), Allowed(40, At(20), At(19, 56)),
                             Blocked(false, 0, At(21), "Internet is allowed again at 21:00")}),
              (std::vector<std::string>{
                  "Internet time ends at 20:00 | 15 minutes left\nProfile: sam",
                  "Internet time ends at 20:00 | 4 minutes left\nProfile: sam",
                  "Internet time is over until 21:00 | Internet is allowed again at 21:00\n"
                  "Profile: sam"}));
    // The minutes run out before the period's end: they are what is warned of.
    CTimeNotices other;
    EXPECT_EQ(Told(other, {Allowed(10, At(20), At(19))}),
              std::vector<std::string>{"10 minutes of internet time left today | Profile: sam"});
}

TEST(TimeTray, EachProfileAndEachDayIsToldForItself) {
    CTimeNotices notices;
    TimeLook sam = Allowed(10);
    sam.iDay = 3;
    TimeLook kid = sam;
    kid.strProfile = "kid";
    TimeLook tomorrow = sam;
    tomorrow.iDay = 4;
    TimeLook none;  // a profile without rules: a name and nothing else
    none.strProfile = "Default";
    EXPECT_EQ(Told(notices, {none, sam, kid, none, sam, tomorrow}).size(), 3u);
}

}  // namespace
