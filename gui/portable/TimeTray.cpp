#include "gui/portable/TimeTray.h"

namespace {

constexpr int kDayMinutes = 1440;

bool InPeriod(const TimePeriod& period, int iMinute) noexcept {
    return iMinute >= period.start && iMinute < period.end;
}

// The end of what allows minute iMinute (a period or the "until" grant); iMinute when nothing
// does.
int CoverEnd(const TimeRulesDay& day, int iMinute, int iUntilMinute) noexcept {
    int iEnd = iMinute < iUntilMinute ? iUntilMinute : iMinute;
    if (day.allow == TimeRulesDay::kAllDay) {
        return kDayMinutes;
    }
    if (day.allow == TimeRulesDay::kPeriods) {
        for (int i = 0; i < day.periodCount && i < TimeRulesDay::kMaxPeriods; ++i) {
            if (InPeriod(day.periods[i], iMinute) && day.periods[i].end > iEnd) {
                iEnd = day.periods[i].end;
            }
        }
    }
    return iEnd;
}

bool AllowedFromMidnight(const TimeRulesDay& day) noexcept {
    if (day.limit == 0 || day.allow == TimeRulesDay::kNone) {
        return false;
    }
    return day.allow == TimeRulesDay::kAllDay || (day.periodCount > 0 && day.periods[0].start == 0);
}

std::string Minutes(int iMinutes) {
    return std::to_string(iMinutes) + (iMinutes == 1 ? " minute" : " minutes");
}

}  // namespace

int HoursEnd(const TimeRules& rules, int iDay, int iMinute, int iUntilMinute) noexcept {
    if (iDay < 0 || iDay >= TimeRules::kDays || iMinute < 0 || iMinute >= kDayMinutes) {
        return -1;
    }
    const TimeRulesDay& day = rules.days[iDay];
    int iEnd = iMinute;
    // Periods and the grant may touch or overlap: follow them while one goes on.
    for (int iNext = CoverEnd(day, iEnd, iUntilMinute); iNext > iEnd && iEnd < kDayMinutes;
         iNext = CoverEnd(day, iEnd, iUntilMinute)) {
        iEnd = iNext;
    }
    if (iEnd == iMinute) {
        return -1;
    }
    if (iEnd >= kDayMinutes) {
        return AllowedFromMidnight(rules.days[(iDay + 1) % TimeRules::kDays]) ? -1 : kDayMinutes;
    }
    return iEnd;
}

std::string TimeTooltip(const TimeLook& look) {
    const std::string strPrefix = look.strProfile + ": ";
    if (!look.bHasRules) {
        return strPrefix + "no time limits";
    }
    if (!look.bAllowed) {
        return strPrefix + look.strReason;
    }
    if (look.iLeft >= 0 && look.iHoursEnd >= 0) {
        return strPrefix + Minutes(look.iLeft) + " left today, until " + MinuteText(look.iHoursEnd);
    }
    if (look.iLeft >= 0) {
        return strPrefix + Minutes(look.iLeft) + " left today";
    }
    if (look.iHoursEnd >= 0) {
        return strPrefix + "internet until " + MinuteText(look.iHoursEnd);
    }
    return strPrefix + "no time limit today";
}

std::optional<TimeNotice> CTimeNotices::Next(const TimeLook& look) {
    // A look without rules has no day of its own to go by.
    if (!look.bHasRules) {
        return std::nullopt;
    }
    if (look.iDay != m_iDay) {
        m_iDay = look.iDay;
        m_told.clear();
    }
    return look.bAllowed ? Ending(look) : Stopped(look);
}

std::optional<TimeNotice> CTimeNotices::Stopped(const TimeLook& look) {
    const std::string strWhy = look.bNoMinutesLeft ? "minutes " + std::to_string(look.iAllowance)
                                                   : "hours " + std::to_string(look.iNextDay) +
                                                         " " + std::to_string(look.iNextMinute);
    if (!FirstTime("stop " + look.strProfile + " " + strWhy)) {
        return std::nullopt;
    }
    const bool bLaterToday = !look.bNoMinutesLeft && look.iNextDay == 0;
    return TimeNotice{bLaterToday ? "Internet time is over until " + MinuteText(look.iNextMinute)
                                  : std::string("Internet time is over for today"),
                      look.strReason + "\nProfile: " + look.strProfile};
}

std::optional<TimeNotice> CTimeNotices::Ending(const TimeLook& look) {
    const int iByHours = look.iHoursEnd >= 0 ? look.iHoursEnd - look.iMinute : -1;
    const bool bHours = iByHours >= 0 && (look.iLeft < 0 || iByHours <= look.iLeft);
    const int iRemaining = bHours ? iByHours : look.iLeft;
    if (iRemaining < 0 || iRemaining > kFirstWarning) {
        return std::nullopt;
    }
    const int iWarning = iRemaining <= kLastWarning ? kLastWarning : kFirstWarning;
    // Keyed by the end it warns of: a grant that moves it makes its warnings due again.
    const std::string strEnd = bHours ? "hours " + std::to_string(look.iHoursEnd)
                                      : "minutes " + std::to_string(look.iAllowance);
    if (!FirstTime("end " + look.strProfile + " " + strEnd + " " + std::to_string(iWarning))) {
        return std::nullopt;
    }
    const std::string strProfile = "Profile: " + look.strProfile;
    if (bHours) {
        return TimeNotice{"Internet time ends at " + MinuteText(look.iHoursEnd),
                          Minutes(iRemaining) + " left\n" + strProfile};
    }
    return TimeNotice{Minutes(iRemaining) + " of internet time left today", strProfile};
}

bool CTimeNotices::FirstTime(const std::string& strKey) {
    return m_told.insert(strKey).second;
}
