// What the tray says of the internet time of the profile in force: its tooltip, and which
// notice is due as the end of the day's minutes or of an allowed period comes near, given
// what was already told. The program looks every few seconds; each notice is told once.
#pragma once

#include <optional>
#include <set>
#include <string>

#include "Api/portable/TimeRules.h"

// A profile's time as the tray looked at it (the library's state, and the end of the hours);
// without rules, only its name.
struct TimeLook {
    std::string strProfile;
    bool bHasRules = false;
    bool bAllowed = true;
    bool bNoMinutesLeft = false;  // blocked for the day's minutes (else, when blocked, the hours)
    std::string strReason;        // when blocked, as the block page names it
    int iAllowance = -1;          // today's, grants in; -1 for no limit
    int iLeft = -1;               // minutes left today; -1 for no limit
    int iDay = 0;                 // 0 Monday .. 6 Sunday
    int iMinute = 0;              // now, since local midnight
    int iHoursEnd = -1;           // when allowed: the minute today the hours stop it; -1 none
    int iNextDay = -1;            // when blocked: days until the next allowed minute; -1 never
    int iNextMinute = 0;
};

// The minute of today at which the hours (and a parent's "until" grant, iUntilMinute, -1 for
// none) stop allowing the internet, from iMinute on; -1 when they allow it from now until a
// day that goes on allowed past midnight, or do not allow it now.
int HoursEnd(const TimeRules& rules, int iDay, int iMinute, int iUntilMinute) noexcept;

// "sam: 25 minutes left today", "sam: internet until 20:00", "sam: no time limits", or, when
// blocked, the reason: "sam: Internet is allowed again at 07:00".
std::string TimeTooltip(const TimeLook& look);

struct TimeNotice {
    std::string strTitle;
    std::string strText;
};

// The notices of internet time: 15 and 5 minutes before the day's minutes or an allowed
// period end, and when the internet stops. Each once: a grant that moves the end makes a new
// one due; a new day forgets what was told.
class CTimeNotices {
public:
    static constexpr int kFirstWarning = 15;
    static constexpr int kLastWarning = 5;

    std::optional<TimeNotice> Next(const TimeLook& look);

private:
    std::optional<TimeNotice> Stopped(const TimeLook& look);
    std::optional<TimeNotice> Ending(const TimeLook& look);
    // True the first time strKey is seen today.
    bool FirstTime(const std::string& strKey);

    int m_iDay = -1;
    std::set<std::string> m_told;
};
