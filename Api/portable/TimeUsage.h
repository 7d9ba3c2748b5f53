// Internet time counted per profile, in memory that every process shares: the filter in each
// program records the minutes with judged requests, the settings program the minutes with
// keyboard or mouse input, and a minute counts when it has both. When nothing has recorded
// input for two minutes (the settings program is not running), a minute with a request counts
// alone.
//
// Minutes are those of the monotonic clock every process reads (milliseconds since start-up
// / 60000), so that setting the wall clock neither adds nor takes away any. The day's count
// starts again at local midnight; a jump of the wall clock by more than two minutes never
// brings that moment closer, so it never gives back minutes used today.
//
// Nothing here locks: each word changes with one compare-and-swap, so that the filter never
// waits. Finding a profile's record and claiming a free one is the caller's to serialise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "Api/portable/TimeDecision.h"

// The clock of one call, read once by the caller.
struct TimeClock {
    std::int64_t llTickMs = 0;  // monotonic, the same in every process
    std::int64_t llWallMs = 0;  // the wall clock (UTC), for jumps
    int iDate = 0;              // the local date, yyyymmdd
    LocalMinute local{};
    std::int64_t llMsToMidnight = 0;  // until the next local midnight
};

// A profile's day as the settings file keeps it.
struct TimeUsageDay {
    int iDate = 0;
    int iUsed = 0;
    TimeGrant grant;
};

// Minutes with something in them: the latest minute in the high 32 bits, and in the low 32
// one bit each for it (bit 0) and the 31 before it.
using MinuteBits = std::uint64_t;

struct TimeUsageRecord {
    std::uint32_t uState;  // 0 free, 1 being claimed, 2 in use
    char szProfile[24];
    std::int32_t iDate;
    std::int32_t iUsed;
    std::int32_t iGrantMinutes;
    std::int32_t iGrantUntil;
    std::int32_t iSavedUsed;  // the count the settings file was last given
    std::int64_t llDayEndTick;
    MinuteBits requests;
    MinuteBits counted;
};

struct TimeUsageShared {
    static constexpr std::size_t kRecords = 32;

    MinuteBits inputs;            // minutes with keyboard or mouse input, of any profile
    std::int64_t llRecorderTick;  // when input was last recorded (with or without any); 0 never
    std::int64_t llWallOffset;    // wall clock less monotonic clock at the last look; 0 none
    TimeUsageRecord records[kRecords];
};

class CTimeUsage {
public:
    static constexpr std::int64_t kJumpMs = std::int64_t{2} * 60000;
    static constexpr std::int64_t kFallbackMs = std::int64_t{2} * 60000;

    explicit CTimeUsage(TimeUsageShared* pShared) noexcept : m_pShared(pShared) {}

    // The profile's record (names compare ignoring ASCII case), or null.
    TimeUsageRecord* Find(const char* szProfile) const noexcept;
    // A free record made the profile's, starting from what the settings file holds (a day
    // other than today's starts at 0); null when every record is taken.
    TimeUsageRecord* Claim(const char* szProfile, const TimeUsageDay& saved,
                           const TimeClock& clock) noexcept;

    // True once for a jump of the wall clock against the monotonic one by more than kJumpMs:
    // the caller logs it and puts it in the journal.
    bool WallClockJumped(const TimeClock& clock) noexcept;
    // The day's count and grants start again once the monotonic clock passes the day's end.
    void RollDay(TimeUsageRecord& record, const TimeClock& clock) noexcept;

    // A judged request of the profile now. True when it made this minute count.
    bool RecordRequest(TimeUsageRecord& record, const TimeClock& clock) noexcept;
    // The settings program's look at the input, whose last was at the monotonic
    // llInputTickMs: counts that minute for each profile with a request in it. The number of
    // minutes it made count.
    int RecordInput(std::int64_t llInputTickMs, const TimeClock& clock) noexcept;
    // Nothing has recorded input for more than kFallbackMinutes: requests count alone.
    bool WithoutInput(const TimeClock& clock) const noexcept;

    // Each record in use.
    void ForEach(const std::function<void(TimeUsageRecord&)>& visit) const;

    TimeUsageDay Today(const TimeUsageRecord& record) const noexcept;
    void Grant(TimeUsageRecord& record, int iMinutes, int iUntilMinute) noexcept;
    // True when the count moved since the settings file was last given it; the caller then
    // saves Today() and calls Saved.
    bool NeedsSaving(const TimeUsageRecord& record) const noexcept;
    void Saved(TimeUsageRecord& record, int iUsed) noexcept;

private:
    bool CountMinute(TimeUsageRecord& record, std::uint32_t uMinute) noexcept;

    TimeUsageShared* m_pShared;
};

// Sets the minute's bit; true when it was not set before. Minutes more than 31 before the
// latest are forgotten (false).
bool SetMinuteBit(MinuteBits& bits, std::uint32_t uMinute) noexcept;
bool HasMinuteBit(const MinuteBits& bits, std::uint32_t uMinute) noexcept;
