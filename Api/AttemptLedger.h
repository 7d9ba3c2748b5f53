// The failed password checks of every process, per account of an installation (its settings
// file), in the records of the library's shared block, read and changed under a named mutex.
// The clock is the system's tick count, the same in every process.
#pragma once

#include <mutex>

#include "win/UniqueHandle.h"

class CAttemptLedger {
public:
    static constexpr const char* kMutexName = "{9C4D2E71-5B3A-4F08-A6E2-1D7C8B0F3E55}";
    // The records are touched for microseconds; a holder stuck longer counts as a lock-out.
    static constexpr unsigned long kWaitMs = 5000;

    // The seconds for which the account's checks are refused now; 0 when they are not.
    int SecondsLocked(int iAccountId);
    // Counts a failed check; the seconds the account is now locked out for (0: not yet).
    int CountFailure(int iAccountId);
    // Forgets the account's failures after a successful check.
    void Forget(int iAccountId);

private:
    template <class F>
    int Locked(F use);

    std::once_flag m_opened;
    CHandle m_hMutex;
};

// The process's ledger.
CAttemptLedger& TheAttemptLedger();
