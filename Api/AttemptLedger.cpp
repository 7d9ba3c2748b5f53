#include "Api/AttemptLedger.h"

#include <windows.h>

#include "Api/Library.h"
#include "Api/SharedState.h"
#include "Api/portable/AttemptLimit.h"
#include "Api/portable/ErrorCodes.h"
#include "win/MutexLock.h"

namespace {

std::uint64_t KeyOf(int iAccountId) {
    return AttemptKey(Store() != nullptr ? Store()->File().GetPath() : "", iAccountId);
}

std::int64_t Now() {
    return static_cast<std::int64_t>(::GetTickCount64());
}

}  // namespace

template <class F>
int CAttemptLedger::Locked(F use) {
    std::call_once(m_opened,
                   [this] { m_hMutex.Reset(::CreateMutexA(nullptr, FALSE, kMutexName)); });
    const CMutexLock lock(m_hMutex.Get(), kWaitMs);
    if (lock.TimedOut()) {
        return kMaxAttemptWaitSeconds;
    }
    CAttemptLimit limit(SharedPolicyState().attemptRecords, kAttemptRecords);
    return use(limit);
}

int CAttemptLedger::SecondsLocked(int iAccountId) {
    const std::uint64_t ullKey = KeyOf(iAccountId);
    return Locked([&](CAttemptLimit& limit) { return limit.SecondsLocked(ullKey, Now()); });
}

int CAttemptLedger::CountFailure(int iAccountId) {
    const std::uint64_t ullKey = KeyOf(iAccountId);
    return Locked([&](CAttemptLimit& limit) { return limit.CountFailure(ullKey, Now()); });
}

void CAttemptLedger::Forget(int iAccountId) {
    const std::uint64_t ullKey = KeyOf(iAccountId);
    Locked([&](CAttemptLimit& limit) {
        limit.Forget(ullKey);
        return 0;
    });
}

CAttemptLedger& TheAttemptLedger() {
    static CAttemptLedger s_ledger;
    return s_ledger;
}
