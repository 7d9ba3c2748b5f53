// Internet time: what the filter and the settings program record, a parent's grants, and the
// state of a profile now.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "Api/ChangeGuard.h"
#include "Api/Library.h"
#include "Api/PolicyApi.h"
#include "Api/TimeAccounting.h"
#include "Api/portable/ErrorCodes.h"
#include "Api/portable/TimeDecision.h"
#include "log/portable/Format.h"

namespace {

// "HH:MM" (00:00 to 24:00) as minutes; -1 for none or "", -2 for anything else.
int UntilMinute(const char* szUntil) {
    if (szUntil == nullptr || szUntil[0] == '\0') {
        return -1;
    }
    int iHours = 0;
    int iMinutes = 0;
    char cEnd = '\0';
    if (std::strlen(szUntil) > 5 ||
        std::sscanf(szUntil, "%2d:%2d%c", &iHours, &iMinutes, &cEnd) != 2 || iHours < 0 ||
        iHours > 24 || iMinutes < 0 || iMinutes > 59 || (iHours == 24 && iMinutes != 0)) {
        return -2;
    }
    return iHours * 60 + iMinutes;
}

// The profile's rules as the settings file holds them; none when they cannot be read.
TimeRules StoredRules(const char* szProfile) {
    const int iId = LookUpUser(szProfile);
    std::string strText;
    if (iId == 0 || !Store()->ReadSplitText(iId, "TimeRules", strText)) {
        return TimeRules::None();
    }
    const TimeRulesParse parsed = ParseTimeRules(strText);
    return parsed.ok ? parsed.rules : TimeRules::None();
}

void FillState(TimeState& state, const TimeRules& rules, const TimeUsageDay& day,
               const TimeClock& clock) {
    const TimeDecision decision = DecideTime(rules, clock.local, day.iUsed, day.grant);
    state = {};
    state.iAllowed = decision.verdict == TimeVerdict::kAllowed ? 1 : 0;
    state.iReason = static_cast<int>(decision.verdict);
    std::snprintf(state.szReason, sizeof state.szReason, "%s",
                  TimeDecisionReason(decision, clock.local).c_str());
    state.iHasRules = rules.Empty() ? 0 : 1;
    state.iUsed = day.iUsed;
    state.iAllowance = decision.iAllowance;
    state.iLeft = decision.iLeft;
    state.iExtraMinutes = day.grant.iExtraMinutes;
    state.iUntilMinute = day.grant.iUntilMinute;
    state.iNextDay = decision.iNextDay;
    state.iNextMinute = decision.iNextMinute;
    state.iDay = clock.local.iDay;
    state.iMinute = clock.local.iMinute;
}

}  // namespace

extern "C" int CountInternetMinute(const char* szProfile, int iFlags, TimeUsageNow* pNow) {
    return Guarded(0, [&] {
        const TimeClock clock = ReadTimeClock();
        if (pNow != nullptr) {
            *pNow = {0, 0, -1, clock.local.iDay, clock.local.iMinute};
        }
        NoteClockJump(clock);
        TimeUsageRecord* pRecord = OpenTimeUsage(szProfile, clock);
        if (pRecord == nullptr) {
            return 0;
        }
        CTimeUsage& usage = TheTimeUsage();
        usage.RollDay(*pRecord, clock);
        // With nothing recording input (no settings program), the filter saves the count.
        if ((iFlags & TIME_USAGE_PEEK) == 0 && usage.RecordRequest(*pRecord, clock) &&
            (iFlags & TIME_USAGE_SAVE_ALONE) != 0 && usage.WithoutInput(clock)) {
            SaveTimeUsage(*pRecord);
        }
        if (pNow != nullptr) {
            const TimeUsageDay day = usage.Today(*pRecord);
            pNow->iUsed = day.iUsed;
            pNow->iExtraMinutes = day.grant.iExtraMinutes;
            pNow->iUntilMinute = day.grant.iUntilMinute;
        }
        return 1;
    });
}

extern "C" int RecordUserInput(unsigned int uIdleMs) {
    return Guarded(0, [&] {
        const TimeClock clock = ReadTimeClock();
        NoteClockJump(clock);
        CTimeUsage& usage = TheTimeUsage();
        usage.RecordInput(clock.llTickMs - static_cast<std::int64_t>(uIdleMs), clock);
        usage.ForEach([&](TimeUsageRecord& record) {
            usage.RollDay(record, clock);
            if (usage.NeedsSaving(record)) {
                SaveTimeUsage(record);
            }
        });
        return 1;
    });
}

extern "C" int GrantTime(const char* szUser, int iMinutes, const char* szUntil) {
    return GuardedWrite(0, [&] {
        LogApi("API :: GrantTime");
        if (!MayChange("GrantTime")) {
            return 0;
        }
        const int iUntil = UntilMinute(szUntil);
        if (iMinutes < 0 || iMinutes > 1440 || iUntil == -2) {
            SetLastErrorCode(ERR_FAILURE);
            LogApi("API :: GrantTime refused: minutes 0 to 1440, and a time HH:MM", 1);
            return 0;
        }
        if (LookUpUser(szUser) == 0) {
            LogApiFailure();
            return 0;
        }
        const TimeClock clock = ReadTimeClock();
        TimeUsageRecord* pRecord = OpenTimeUsage(szUser, clock);
        if (pRecord == nullptr) {
            SetLastErrorCode(ERR_FAILURE);
            return 0;
        }
        TheTimeUsage().RollDay(*pRecord, clock);
        TheTimeUsage().Grant(*pRecord, iMinutes, iUntil);
        if (!SaveTimeUsage(*pRecord)) {
            return 0;
        }
        LogApi(Format("API :: GrantTime %s: %d minutes, until %s", szUser, iMinutes,
                      iUntil >= 0 ? szUntil : "-"),
               1);
        SetLastErrorCode(ERR_SUCCESS);
        return 1;
    });
}

extern "C" int GetTimeState(const char* szUser, TimeState* pState) {
    return Guarded(0, [&] {
        if (pState == nullptr) {
            SetLastErrorCode(ERR_FAILURE);
            return 0;
        }
        *pState = {};
        if (LookUpUser(szUser) == 0) {
            return 0;
        }
        const TimeClock clock = ReadTimeClock();
        NoteClockJump(clock);
        TimeUsageRecord* pRecord = OpenTimeUsage(szUser, clock);
        if (pRecord == nullptr) {
            SetLastErrorCode(ERR_FAILURE);
            return 0;
        }
        TheTimeUsage().RollDay(*pRecord, clock);
        FillState(*pState, StoredRules(szUser), TheTimeUsage().Today(*pRecord), clock);
        SetLastErrorCode(ERR_SUCCESS);
        return 1;
    });
}
