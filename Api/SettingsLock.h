// Serialises, across processes, every sequence that changes the settings file, its registry
// copy and its digest: a write (file, mirror, digest) and a restore (file from the copy, then
// the digest). Without it two processes could interleave and leave a file that fails its own
// digest, or one whose rewrite dropped the other's value.
#pragma once

#include <windows.h>

#include <mutex>

#include "win/MutexLock.h"
#include "win/UniqueHandle.h"

class CSettingsLock {
public:
    static constexpr const char* kMutexName = "{E3B5A7C1-2D4F-4A86-9C0B-5F7E1D3A8B26}";
    // Long enough for the longest restore of a large file; a holder that hangs longer than
    // this makes the waiting operation fail instead of hanging it too.
    static constexpr DWORD kWaitMs = 30000;

    CSettingsLock() = default;
    CSettingsLock(const CSettingsLock&) = delete;
    CSettingsLock& operator=(const CSettingsLock&) = delete;

    // Held for the scope; TimedOut() when the wait ran out. The mutex is recursive, so a
    // sequence may contain others.
    CMutexLock Hold();

private:
    std::once_flag m_opened;
    CHandle m_hMutex;
};
