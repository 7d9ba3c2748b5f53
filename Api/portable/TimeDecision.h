// Whether a profile's time rules let the internet be used now: on a local time and a count of
// minutes the caller gives, so that it is the same in the filter, the library's state reader
// and the tests. Costs no allocation; only the reason's text does.
#pragma once

#include <cstdint>
#include <string>

#include "Api/portable/TimeRules.h"

// A local time of the week.
struct LocalMinute {
    int iDay;     // 0 Monday .. 6 Sunday
    int iMinute;  // 0 .. 1439 since midnight
};

// A parent's grants for today: minutes added to the day's allowance, and the internet allowed
// until a time whatever the periods say (-1: no such grant).
struct TimeGrant {
    int iExtraMinutes = 0;
    int iUntilMinute = -1;
};

enum class TimeVerdict : std::uint8_t { kAllowed, kNoMinutesLeft, kOutsideHours };

struct TimeDecision {
    TimeVerdict verdict = TimeVerdict::kAllowed;
    int iUsed = 0;
    int iAllowance = -1;  // today's limit with the grant's minutes; -1 for none
    int iLeft = -1;       // minutes left today; -1 for no limit
    // When blocked: the next allowed minute, iNextDay days from today (-1: on no day).
    int iNextDay = -1;
    int iNextMinute = 0;
};

// Minutes left are checked first: over the day's allowance, the reason is that, whatever the
// hours say. A period includes its start and excludes its end.
TimeDecision DecideTime(const TimeRules& rules, LocalMinute now, int iUsedToday,
                        const TimeGrant& grant) noexcept;

// The reason a blocked request is shown: "Internet time is over for today: 60 of 60 minutes
// used", "Internet is allowed again at 07:00" (within a day), "... again on Sat at 08:00",
// "Internet is not allowed on any day". "" when allowed.
std::string TimeDecisionReason(const TimeDecision& decision, LocalMinute now);
