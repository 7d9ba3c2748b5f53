// Failed password checks counted per account: kFailuresToLock failures within kWindowMs refuse
// that account's checks for kLockMs, whatever the password. The records live where the caller
// puts them (memory that every process shares) and the caller serialises their users. Times
// are milliseconds of one clock that every user of the records reads, passed in, so that the
// rule is tested without waiting.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

inline constexpr int kFailuresToLock = 5;

struct AttemptRecord {
    std::uint64_t ullKey;  // 0: free
    std::int64_t llLockedUntilMs;
    // The last failures not yet counted into a lock-out, oldest first.
    std::int64_t failureMs[kFailuresToLock - 1];
    std::uint32_t nFailures;
};

class CAttemptLimit {
public:
    static constexpr std::int64_t kWindowMs = 60000;
    static constexpr std::int64_t kLockMs = 30000;

    CAttemptLimit(AttemptRecord* pRecords, std::size_t nRecords) noexcept
        : m_pRecords(pRecords), m_nRecords(nRecords) {}

    // The seconds, rounded up, for which the key's checks are refused from llNowMs; 0 when
    // they are not.
    int SecondsLocked(std::uint64_t ullKey, std::int64_t llNowMs) const noexcept;
    // Counts a failed check; the seconds the key is now locked out for (0: not yet).
    int CountFailure(std::uint64_t ullKey, std::int64_t llNowMs) noexcept;
    // A successful check forgets the key's failures.
    void Forget(std::uint64_t ullKey) noexcept;

private:
    AttemptRecord* Find(std::uint64_t ullKey) const noexcept;
    // A free record, else the one whose last use is oldest, locked ones last.
    AttemptRecord* Reuse(std::int64_t llNowMs) const noexcept;

    AttemptRecord* m_pRecords;
    std::size_t m_nRecords;
};

// The key of an account of an installation: never 0. szInstallation names the installation
// (its settings file), compared ignoring ASCII case.
std::uint64_t AttemptKey(std::string_view installation, int iAccountId) noexcept;
