// A process-local lock and its scoped holders: the lock is only ever taken and given back
// through a scope.
#pragma once

#include <windows.h>

class CCriticalSection {
public:
    CCriticalSection() noexcept { ::InitializeCriticalSection(&m_cs); }
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;
    ~CCriticalSection() { ::DeleteCriticalSection(&m_cs); }

private:
    friend class CCriticalSectionLock;
    friend class CCriticalSectionUnlock;

    void Enter() noexcept { ::EnterCriticalSection(&m_cs); }
    void Leave() noexcept { ::LeaveCriticalSection(&m_cs); }

    CRITICAL_SECTION m_cs;
};

class CCriticalSectionLock {
public:
    explicit CCriticalSectionLock(CCriticalSection& cs) noexcept : m_cs(cs) { m_cs.Enter(); }
    CCriticalSectionLock(const CCriticalSectionLock&) = delete;
    CCriticalSectionLock& operator=(const CCriticalSectionLock&) = delete;
    ~CCriticalSectionLock() { m_cs.Leave(); }

private:
    CCriticalSection& m_cs;
};

// Gives back, for its scope, a lock the caller holds (once, however often it entered).
class CCriticalSectionUnlock {
public:
    explicit CCriticalSectionUnlock(CCriticalSection& cs) noexcept : m_cs(cs) { m_cs.Leave(); }
    CCriticalSectionUnlock(const CCriticalSectionUnlock&) = delete;
    CCriticalSectionUnlock& operator=(const CCriticalSectionUnlock&) = delete;
    ~CCriticalSectionUnlock() { m_cs.Enter(); }

private:
    CCriticalSection& m_cs;
};
