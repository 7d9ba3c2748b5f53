#include "Api/portable/TimeUsage.h"

#include <atomic>
#include <cstring>

#include "base/portable/Ascii.h"

namespace {

constexpr std::uint32_t kFree = 0;
constexpr std::uint32_t kClaiming = 1;
constexpr std::uint32_t kInUse = 2;
constexpr std::int64_t kMinuteMs = 60000;
constexpr std::uint32_t kBitsKept = 32;

template <class T>
std::atomic_ref<T> Atomic(T& value) noexcept {
    return std::atomic_ref<T>(value);
}

std::uint32_t MinuteOf(std::int64_t llTickMs) noexcept {
    return static_cast<std::uint32_t>(llTickMs / kMinuteMs);
}

// Raises a word to at least llValue.
void RaiseTo(std::int64_t& word, std::int64_t llValue) noexcept {
    std::int64_t llOld = Atomic(word).load();
    while (llOld < llValue && !Atomic(word).compare_exchange_weak(llOld, llValue)) {
    }
}

}  // namespace

bool SetMinuteBit(MinuteBits& bits, std::uint32_t uMinute) noexcept {
    MinuteBits old = Atomic(bits).load();
    for (;;) {
        const auto uLatest = static_cast<std::uint32_t>(old >> 32);
        auto uMask = static_cast<std::uint32_t>(old);
        std::uint32_t uNewLatest = uLatest;
        if (old == 0 || uMinute > uLatest) {
            const std::uint32_t uShift = old == 0 ? kBitsKept : uMinute - uLatest;
            uMask = uShift >= kBitsKept ? 1u : (uMask << uShift) | 1u;
            uNewLatest = uMinute;
        } else if (uLatest - uMinute >= kBitsKept) {
            return false;
        } else {
            const std::uint32_t uBit = 1u << (uLatest - uMinute);
            if ((uMask & uBit) != 0) {
                return false;
            }
            uMask |= uBit;
        }
        const MinuteBits updated = (static_cast<MinuteBits>(uNewLatest) << 32) | uMask;
        if (Atomic(bits).compare_exchange_weak(old, updated)) {
            return true;
        }
    }
}

bool HasMinuteBit(const MinuteBits& bits, std::uint32_t uMinute) noexcept {
    const MinuteBits value = Atomic(const_cast<MinuteBits&>(bits)).load();
    const auto uLatest = static_cast<std::uint32_t>(value >> 32);
    if (value == 0 || uMinute > uLatest || uLatest - uMinute >= kBitsKept) {
        return false;
    }
    return (static_cast<std::uint32_t>(value) & (1u << (uLatest - uMinute))) != 0;
}

TimeUsageRecord* CTimeUsage::Find(const char* szProfile) const noexcept {
    for (TimeUsageRecord& record : m_pShared->records) {
        if (Atomic(record.uState).load(std::memory_order_acquire) == kInUse &&
            EqualsNoCase(std::string_view(record.szProfile,
                                          strnlen(record.szProfile, sizeof record.szProfile)),
                         szProfile)) {
            return &record;
        }
    }
    return nullptr;
}

TimeUsageRecord* CTimeUsage::Claim(const char* szProfile, const TimeUsageDay& saved,
                                   const TimeClock& clock) noexcept {
    if (std::strlen(szProfile) >= sizeof TimeUsageRecord::szProfile) {
        return nullptr;
    }
    for (TimeUsageRecord& record : m_pShared->records) {
        std::uint32_t uFree = kFree;
        if (!Atomic(record.uState).compare_exchange_strong(uFree, kClaiming)) {
            continue;
        }
        std::memset(record.szProfile, 0, sizeof record.szProfile);
        std::memcpy(record.szProfile, szProfile, std::strlen(szProfile));
        const bool bToday = saved.iDate == clock.iDate;
        record.iDate = clock.iDate;
        record.iUsed = bToday ? saved.iUsed : 0;
        record.iGrantMinutes = bToday ? saved.grant.iExtraMinutes : 0;
        record.iGrantUntil = bToday ? saved.grant.iUntilMinute : -1;
        record.iSavedUsed = bToday ? saved.iUsed : -1;
        record.llDayEndTick = clock.llTickMs + clock.llMsToMidnight;
        record.requests = 0;
        record.counted = 0;
        Atomic(record.uState).store(kInUse, std::memory_order_release);
        return &record;
    }
    return nullptr;
}

bool CTimeUsage::WallClockJumped(const TimeClock& clock) noexcept {
    const std::int64_t llOffset = clock.llWallMs - clock.llTickMs;
    std::int64_t llOld = Atomic(m_pShared->llWallOffset).load();
    const std::int64_t llMoved = llOffset - llOld;
    const bool bJump = llOld != 0 && (llMoved > kJumpMs || llMoved < -kJumpMs);
    // Small moves follow the clock too, so that slow corrections never add up to a jump.
    if (!Atomic(m_pShared->llWallOffset).compare_exchange_strong(llOld, llOffset) || !bJump) {
        return false;
    }
    // The day ends at the later of the midnight it had and the one the new clock names.
    for (TimeUsageRecord& record : m_pShared->records) {
        if (Atomic(record.uState).load(std::memory_order_acquire) == kInUse) {
            RaiseTo(record.llDayEndTick, clock.llTickMs + clock.llMsToMidnight);
        }
    }
    return true;
}

void CTimeUsage::RollDay(TimeUsageRecord& record, const TimeClock& clock) noexcept {
    std::int64_t llEnd = Atomic(record.llDayEndTick).load();
    if (clock.llTickMs < llEnd ||
        !Atomic(record.llDayEndTick)
             .compare_exchange_strong(llEnd, clock.llTickMs + clock.llMsToMidnight)) {
        return;
    }
    Atomic(record.iDate).store(clock.iDate);
    Atomic(record.iUsed).store(0);
    Atomic(record.iGrantMinutes).store(0);
    Atomic(record.iGrantUntil).store(-1);
    Atomic(record.iSavedUsed).store(-1);
}

bool CTimeUsage::WithoutInput(const TimeClock& clock) const noexcept {
    const std::int64_t llRecorded = Atomic(m_pShared->llRecorderTick).load();
    return llRecorded == 0 || clock.llTickMs - llRecorded > kFallbackMs;
}

bool CTimeUsage::CountMinute(TimeUsageRecord& record, std::uint32_t uMinute) noexcept {
    if (!SetMinuteBit(record.counted, uMinute)) {
        return false;
    }
    Atomic(record.iUsed).fetch_add(1);
    return true;
}

bool CTimeUsage::RecordRequest(TimeUsageRecord& record, const TimeClock& clock) noexcept {
    const std::uint32_t uMinute = MinuteOf(clock.llTickMs);
    SetMinuteBit(record.requests, uMinute);
    if (HasMinuteBit(m_pShared->inputs, uMinute) || WithoutInput(clock)) {
        return CountMinute(record, uMinute);
    }
    return false;
}

int CTimeUsage::RecordInput(std::int64_t llInputTickMs, const TimeClock& clock) noexcept {
    if (llInputTickMs > clock.llTickMs) {
        llInputTickMs = clock.llTickMs;
    }
    const std::uint32_t uMinute = MinuteOf(llInputTickMs);
    SetMinuteBit(m_pShared->inputs, uMinute);
    RaiseTo(m_pShared->llRecorderTick, clock.llTickMs);
    int nCounted = 0;
    for (TimeUsageRecord& record : m_pShared->records) {
        if (Atomic(record.uState).load(std::memory_order_acquire) == kInUse &&
            HasMinuteBit(record.requests, uMinute) && CountMinute(record, uMinute)) {
            ++nCounted;
        }
    }
    return nCounted;
}

void CTimeUsage::ForEach(const std::function<void(TimeUsageRecord&)>& visit) const {
    for (TimeUsageRecord& record : m_pShared->records) {
        if (Atomic(record.uState).load(std::memory_order_acquire) == kInUse) {
            visit(record);
        }
    }
}

TimeUsageDay CTimeUsage::Today(const TimeUsageRecord& record) const noexcept {
    TimeUsageRecord& shared = const_cast<TimeUsageRecord&>(record);
    TimeUsageDay day;
    day.iDate = Atomic(shared.iDate).load();
    day.iUsed = Atomic(shared.iUsed).load();
    day.grant.iExtraMinutes = Atomic(shared.iGrantMinutes).load();
    day.grant.iUntilMinute = Atomic(shared.iGrantUntil).load();
    return day;
}

void CTimeUsage::Grant(TimeUsageRecord& record, int iMinutes, int iUntilMinute) noexcept {
    if (iMinutes > 0) {
        Atomic(record.iGrantMinutes).fetch_add(iMinutes);
    }
    std::int32_t iOld = Atomic(record.iGrantUntil).load();
    while (iOld < iUntilMinute &&
           !Atomic(record.iGrantUntil).compare_exchange_weak(iOld, iUntilMinute)) {
    }
    Atomic(record.iSavedUsed).store(-1);
}

bool CTimeUsage::NeedsSaving(const TimeUsageRecord& record) const noexcept {
    TimeUsageRecord& shared = const_cast<TimeUsageRecord&>(record);
    return Atomic(shared.iSavedUsed).load() != Atomic(shared.iUsed).load();
}

void CTimeUsage::Saved(TimeUsageRecord& record, int iUsed) noexcept {
    Atomic(record.iSavedUsed).store(iUsed);
}
