#include "Api/portable/AttemptLimit.h"

#include <algorithm>

#include "base/portable/Ascii.h"

namespace {

bool LockedAt(const AttemptRecord& record, std::int64_t llNowMs) {
    // A lock-out further ahead than a whole one comes from a clock that went back: ignored.
    return record.llLockedUntilMs > llNowMs &&
           record.llLockedUntilMs - llNowMs <= CAttemptLimit::kLockMs;
}

// Any process of the session may have written the count: never trusted past the array.
std::uint32_t KeptFailures(const AttemptRecord& record) {
    return std::min<std::uint32_t>(record.nFailures, kFailuresToLock - 1);
}

std::int64_t LastUse(const AttemptRecord& record) {
    const std::uint32_t nKept = KeptFailures(record);
    return nKept > 0 ? record.failureMs[nKept - 1]
                     : record.llLockedUntilMs - CAttemptLimit::kLockMs;
}

// Drops the failures that are no longer within the window before llNowMs (or after it).
void DropOld(AttemptRecord& record, std::int64_t llNowMs) {
    std::uint32_t nKept = 0;
    for (std::uint32_t i = 0; i < KeptFailures(record); ++i) {
        const std::int64_t llAt = record.failureMs[i];
        if (llAt <= llNowMs && llNowMs - llAt < CAttemptLimit::kWindowMs) {
            record.failureMs[nKept++] = llAt;
        }
    }
    record.nFailures = nKept;
}

}  // namespace

AttemptRecord* CAttemptLimit::Find(std::uint64_t ullKey) const noexcept {
    for (std::size_t i = 0; i < m_nRecords; ++i) {
        if (m_pRecords[i].ullKey == ullKey) {
            return &m_pRecords[i];
        }
    }
    return nullptr;
}

AttemptRecord* CAttemptLimit::Reuse(std::int64_t llNowMs) const noexcept {
    AttemptRecord* pBest = nullptr;
    for (std::size_t i = 0; i < m_nRecords; ++i) {
        AttemptRecord& record = m_pRecords[i];
        if (record.ullKey == 0) {
            return &record;
        }
        const auto better = [&] {
            const bool bLocked = LockedAt(record, llNowMs);
            const bool bBestLocked = LockedAt(*pBest, llNowMs);
            return bLocked != bBestLocked ? !bLocked : LastUse(record) < LastUse(*pBest);
        };
        if (pBest == nullptr || better()) {
            pBest = &record;
        }
    }
    return pBest;
}

int CAttemptLimit::SecondsLocked(std::uint64_t ullKey, std::int64_t llNowMs) const noexcept {
    const AttemptRecord* pRecord = ullKey != 0 ? Find(ullKey) : nullptr;
    if (pRecord == nullptr || !LockedAt(*pRecord, llNowMs)) {
        return 0;
    }
    return static_cast<int>((pRecord->llLockedUntilMs - llNowMs + 999) / 1000);
}

int CAttemptLimit::CountFailure(std::uint64_t ullKey, std::int64_t llNowMs) noexcept {
    if (ullKey == 0 || m_nRecords == 0) {
        return 0;
    }
    AttemptRecord* pRecord = Find(ullKey);
    if (pRecord == nullptr) {
        pRecord = Reuse(llNowMs);
        *pRecord = AttemptRecord{};
        pRecord->ullKey = ullKey;
    }
    if (LockedAt(*pRecord, llNowMs)) {
        return SecondsLocked(ullKey, llNowMs);
    }
    DropOld(*pRecord, llNowMs);
    if (pRecord->nFailures + 1 < static_cast<std::uint32_t>(kFailuresToLock)) {
        pRecord->failureMs[pRecord->nFailures++] = llNowMs;
        return 0;
    }
    // The count starts again once the lock-out is over.
    pRecord->nFailures = 0;
    pRecord->llLockedUntilMs = llNowMs + kLockMs;
    return SecondsLocked(ullKey, llNowMs);
}

void CAttemptLimit::Forget(std::uint64_t ullKey) noexcept {
    if (AttemptRecord* pRecord = ullKey != 0 ? Find(ullKey) : nullptr) {
        pRecord->nFailures = 0;
    }
}

std::uint64_t AttemptKey(std::string_view installation, int iAccountId) noexcept {
    // FNV-1a over the lower-cased name and the id.
    std::uint64_t ullHash = 14695981039346656037ull;
    const auto add = [&](unsigned char c) {
        ullHash ^= c;
        ullHash *= 1099511628211ull;
    };
    for (const char c : installation) {
        add(static_cast<unsigned char>(LowerAscii(c)));
    }
    add(0);
    for (int i = 0; i < 4; ++i) {
        add(static_cast<unsigned char>(static_cast<unsigned>(iAccountId) >> (8 * i)));
    }
    return ullHash != 0 ? ullHash : 1;
}
