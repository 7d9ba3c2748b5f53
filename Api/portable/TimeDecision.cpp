#include "Api/portable/TimeDecision.h"

namespace {

constexpr int kNever = -1;

bool InPeriods(const TimeRulesDay& day, int iMinute) noexcept {
    if (day.allow == TimeRulesDay::kAllDay) {
        return true;
    }
    if (day.allow == TimeRulesDay::kNone) {
        return false;
    }
    for (int i = 0; i < day.periodCount && i < TimeRulesDay::kMaxPeriods; ++i) {
        if (iMinute >= day.periods[i].start && iMinute < day.periods[i].end) {
            return true;
        }
    }
    return false;
}

// The first minute at or after iFrom that the day's hours allow; kNever when none. A day whose
// limit is 0 allows none.
int FirstAllowedFrom(const TimeRulesDay& day, int iFrom) noexcept {
    if (day.limit == 0 || day.allow == TimeRulesDay::kNone) {
        return kNever;
    }
    if (day.allow == TimeRulesDay::kAllDay) {
        return iFrom;
    }
    for (int i = 0; i < day.periodCount && i < TimeRulesDay::kMaxPeriods; ++i) {
        if (day.periods[i].end > iFrom) {
            return day.periods[i].start > iFrom ? day.periods[i].start : iFrom;
        }
    }
    return kNever;
}

// The next allowed minute after today's iMinute, from day iFirstOffset (0 today) on.
void FindNextAllowed(const TimeRules& rules, LocalMinute now, int iFirstOffset,
                     TimeDecision& decision) noexcept {
    for (int iOffset = iFirstOffset; iOffset <= TimeRules::kDays; ++iOffset) {
        const TimeRulesDay& day = rules.days[(now.iDay + iOffset) % TimeRules::kDays];
        const int iMinute = FirstAllowedFrom(day, iOffset == 0 ? now.iMinute + 1 : 0);
        if (iMinute != kNever && iMinute < 1440) {
            decision.iNextDay = iOffset;
            decision.iNextMinute = iMinute;
            return;
        }
    }
}

}  // namespace

TimeDecision DecideTime(const TimeRules& rules, LocalMinute now, int iUsedToday,
                        const TimeGrant& grant) noexcept {
    TimeDecision decision;
    decision.iUsed = iUsedToday;
    if (now.iDay < 0 || now.iDay >= TimeRules::kDays) {
        return decision;
    }
    const TimeRulesDay& today = rules.days[now.iDay];
    if (today.limit != TimeRulesDay::kNoLimit) {
        decision.iAllowance = today.limit + (grant.iExtraMinutes > 0 ? grant.iExtraMinutes : 0);
        decision.iLeft = decision.iAllowance > iUsedToday ? decision.iAllowance - iUsedToday : 0;
        if (decision.iLeft == 0) {
            decision.verdict = TimeVerdict::kNoMinutesLeft;
            FindNextAllowed(rules, now, 1, decision);
            return decision;
        }
    }
    if (!InPeriods(today, now.iMinute) && now.iMinute >= grant.iUntilMinute) {
        decision.verdict = TimeVerdict::kOutsideHours;
        FindNextAllowed(rules, now, 0, decision);
    }
    return decision;
}

std::string TimeDecisionReason(const TimeDecision& decision, LocalMinute now) {
    switch (decision.verdict) {
        case TimeVerdict::kAllowed:
            return "";
        case TimeVerdict::kNoMinutesLeft:
            return "Internet time is over for today: " + std::to_string(decision.iUsed) + " of " +
                   std::to_string(decision.iAllowance) + " minutes used";
        case TimeVerdict::kOutsideHours:
            break;
    }
    if (decision.iNextDay < 0) {
        return "Internet is not allowed on any day";
    }
    const bool bWithinADay =
        decision.iNextDay == 0 || (decision.iNextDay == 1 && decision.iNextMinute <= now.iMinute);
    if (bWithinADay) {
        return "Internet is allowed again at " + MinuteText(decision.iNextMinute);
    }
    std::string day(DayName((now.iDay + decision.iNextDay) % TimeRules::kDays));
    day[0] = static_cast<char>(day[0] - 'a' + 'A');
    return "Internet is allowed again on " + day + " at " + MinuteText(decision.iNextMinute);
}
