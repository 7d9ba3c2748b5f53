// Process-wide state of the library: its log, its store, and the guard every export runs in.
#pragma once

#include <optional>
#include <string>

#include "Api/DataStore.h"
#include "Api/portable/ErrorCodes.h"
#include "log/LogFile.h"
#include "win/MutexLock.h"

extern CLogFile g_ApiLog;

// The process's store; null outside attach..detach or when attach failed.
CDataStore* Store();

void ApiProcessAttach() noexcept;
// bProcessEnding: the process is terminating; the store is left to the system.
void ApiProcessDetach(bool bProcessEnding = false) noexcept;

// The live id of an account, or 0 with the code set: 3 for an unknown or missing name,
// 11 when the process has no store.
int LookUpUser(const char* szName);

// The file name of the process's executable, without its folder.
std::string HostProgramName();

void LogApi(const std::string& strText, signed char iLevel = 2);
// "API :: " and the text of the current error code, at level 1.
void LogApiFailure();

// Runs an export's body; no exception leaves the library.
template <class R, class F>
R Guarded(R failure, F&& body) noexcept {
    try {
        return body();
    } catch (...) {
        try {
            g_ApiLog.Write("XXXXXX Exception XXXXXX\n", 1);
        } catch (...) {
        }
        return failure;
    }
}

// Runs the body of an export that changes the settings as one write sequence: held against
// the writers of every other process from its first lookup to its last digest update.
template <class R, class F>
R GuardedWrite(R failure, F&& body) noexcept {
    return Guarded(failure, [&]() -> R {
        std::optional<CMutexLock> writers;
        if (CDataStore* pStore = Store()) {
            writers.emplace(pStore->File().HoldForWrite());
            if (writers->TimedOut()) {
                SetLastErrorCode(ERR_DB_WRITE);
                LogApiFailure();
                return failure;
            }
        }
        return body();
    });
}
