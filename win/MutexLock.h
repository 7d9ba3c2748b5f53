// Holds a named or unnamed mutex for a scope.
#pragma once

#include <windows.h>

#include <utility>

// Holds a mutex from construction to destruction. An abandoned mutex is owned all the same
// (its owner died; the next one takes over). A missing mutex (creation failed) leaves the
// section unserialised, as it was before any lock existed.
class CMutexLock {
public:
    explicit CMutexLock(HANDLE hMutex, DWORD dwMilliseconds = INFINITE) noexcept {
        if (hMutex == nullptr) {
            return;
        }
        const DWORD dwWait = ::WaitForSingleObject(hMutex, dwMilliseconds);
        if (dwWait == WAIT_OBJECT_0 || dwWait == WAIT_ABANDONED) {
            m_hMutex = hMutex;
        } else {
            m_bTimedOut = true;
        }
    }
    CMutexLock(CMutexLock&& other) noexcept
        : m_hMutex(std::exchange(other.m_hMutex, nullptr)), m_bTimedOut(other.m_bTimedOut) {}
    CMutexLock(const CMutexLock&) = delete;
    CMutexLock& operator=(const CMutexLock&) = delete;
    CMutexLock& operator=(CMutexLock&&) = delete;
    ~CMutexLock() {
        if (m_hMutex != nullptr) {
            ::ReleaseMutex(m_hMutex);
        }
    }

    // The wait ended without the mutex (its time ran out, or the wait failed).
    bool TimedOut() const noexcept { return m_bTimedOut; }

private:
    HANDLE m_hMutex = nullptr;
    bool m_bTimedOut = false;
};
