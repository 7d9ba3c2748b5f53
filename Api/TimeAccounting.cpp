#include "Api/TimeAccounting.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "Api/Library.h"
#include "Api/PolicyApi.h"
#include "Api/SharedState.h"
#include "log/portable/Format.h"

namespace {

constexpr char kTimeUsedKey[] = "TimeUsed";
constexpr std::int64_t kMinuteMs = 60000;

std::int64_t FileTimeMs(const FILETIME& time) {
    const ULONGLONG ull = (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return static_cast<std::int64_t>(ull / 10000);
}

// "date used extra until", as the settings file keeps a profile's day.
TimeUsageDay ParseDay(const std::string& strText) {
    TimeUsageDay day;
    if (std::sscanf(strText.c_str(), "%d %d %d %d", &day.iDate, &day.iUsed,
                    &day.grant.iExtraMinutes, &day.grant.iUntilMinute) != 4 ||
        day.iUsed < 0 || day.grant.iExtraMinutes < 0) {
        return {};
    }
    return day;
}

TimeUsageDay SavedDay(int iId) {
    std::string strText;
    if (Store() == nullptr ||
        !Store()->ReadValue(CDataStore::UserSection(iId).c_str(), kTimeUsedKey, strText)) {
        return {};  // none saved yet: a new day
    }
    return ParseDay(strText);
}

}  // namespace

TimeClock ReadTimeClock() noexcept {
    TimeClock clock;
    clock.llTickMs = static_cast<std::int64_t>(::GetTickCount64());
    FILETIME utc;
    ::GetSystemTimeAsFileTime(&utc);
    clock.llWallMs = FileTimeMs(utc);
    SYSTEMTIME local;
    ::GetLocalTime(&local);
    clock.iDate = local.wYear * 10000 + local.wMonth * 100 + local.wDay;
    // Windows counts the week from Sunday, the rules from Monday.
    clock.local = {(local.wDayOfWeek + 6) % 7, local.wHour * 60 + local.wMinute};
    const std::int64_t llInDay =
        (static_cast<std::int64_t>(clock.local.iMinute) * 60 + local.wSecond) * 1000 +
        local.wMilliseconds;
    clock.llMsToMidnight = 1440 * kMinuteMs - llInDay;
    return clock;
}

CTimeUsage& TheTimeUsage() noexcept {
    static CTimeUsage s_usage(&SharedPolicyState().timeUsage);
    return s_usage;
}

TimeUsageRecord* OpenTimeUsage(const char* szProfile, const TimeClock& clock) {
    if (szProfile == nullptr) {
        return nullptr;
    }
    if (TimeUsageRecord* pRecord = TheTimeUsage().Find(szProfile)) {
        return pRecord;
    }
    if (Store() == nullptr) {
        return nullptr;
    }
    // Claimed under the settings lock, so that two processes never claim one profile twice.
    const CMutexLock writers = Store()->File().HoldForWrite();
    if (TimeUsageRecord* pRecord = TheTimeUsage().Find(szProfile)) {
        return pRecord;
    }
    const int iId = Store()->GetUserId(szProfile);
    if (iId == 0) {
        return nullptr;
    }
    TimeUsageRecord* pRecord = TheTimeUsage().Claim(szProfile, SavedDay(iId), clock);
    if (pRecord == nullptr) {
        LogApi(Format("API :: No room to count the internet time of %s", szProfile), 1);
    }
    return pRecord;
}

int SaveTimeUsage(TimeUsageRecord& record) {
    if (Store() == nullptr) {
        return 0;
    }
    char szProfile[sizeof record.szProfile + 1] = {};
    std::memcpy(szProfile, record.szProfile, sizeof record.szProfile);
    const int iId = Store()->GetUserId(szProfile);
    const TimeUsageDay day = TheTimeUsage().Today(record);
    const std::string strText = Format("%d %d %d %d", day.iDate, day.iUsed, day.grant.iExtraMinutes,
                                       day.grant.iUntilMinute);
    if (iId == 0 || !Store()->WriteString(CDataStore::UserSection(iId).c_str(), kTimeUsedKey,
                                          strText.c_str())) {
        LogApi(Format("API :: Internet time of %s not saved", szProfile), 1);
        return 0;
    }
    TheTimeUsage().Saved(record, day.iUsed);
    return 1;
}

void NoteClockJump(const TimeClock& clock) {
    const std::int64_t llBefore =
        std::atomic_ref<std::int64_t>(SharedPolicyState().timeUsage.llWallOffset).load();
    if (!TheTimeUsage().WallClockJumped(clock)) {
        return;
    }
    const std::int64_t llMovedMs = clock.llWallMs - clock.llTickMs - llBefore;
    const std::int64_t llMinutes =
        ((llMovedMs >= 0 ? llMovedMs : -llMovedMs) + kMinuteMs / 2) / kMinuteMs;
    const std::string strText =
        Format("The system clock was set %s by %lld minutes", llMovedMs >= 0 ? "forward" : "back",
               static_cast<long long>(llMinutes));
    LogApi("API :: " + strText, 1);
    BlockJournalEntry entry{};
    entry.iPolicy = BLOCK_EVENT_CLOCK_CHANGED;
    std::snprintf(entry.szProfile, sizeof entry.szProfile, "%.20s",
                  SharedPolicyState().szLoggedInUser);
    std::snprintf(entry.szMatch, sizeof entry.szMatch, "%s", strText.c_str());
    AppendBlockJournal(&entry);
}
