// The open connections of a server in the order they came, which is also the order their time
// runs out in (each gets the same time from its accept), so the oldest is the first to expire
// and the first to make way when the server is full. Intrusive: T carries pOlder, pNewer and
// uDeadlineMs; nothing is allocated.
#pragma once

#include <cstddef>
#include <cstdint>

template <class T>
class CDeadlineList {
public:
    void PushNewest(T& item, std::uint64_t uDeadlineMs) noexcept {
        item.uDeadlineMs = uDeadlineMs;
        item.pOlder = m_pNewest;
        item.pNewer = nullptr;
        (m_pNewest != nullptr ? m_pNewest->pNewer : m_pOldest) = &item;
        m_pNewest = &item;
        ++m_nSize;
    }
    // item must be in the list.
    void Remove(T& item) noexcept {
        (item.pOlder != nullptr ? item.pOlder->pNewer : m_pOldest) = item.pNewer;
        (item.pNewer != nullptr ? item.pNewer->pOlder : m_pNewest) = item.pOlder;
        item.pOlder = item.pNewer = nullptr;
        --m_nSize;
    }
    T* Oldest() const noexcept { return m_pOldest; }
    // The oldest when its time is up at uNowMs, else null.
    T* Expired(std::uint64_t uNowMs) const noexcept {
        return m_pOldest != nullptr && m_pOldest->uDeadlineMs <= uNowMs ? m_pOldest : nullptr;
    }
    std::size_t Size() const noexcept { return m_nSize; }

private:
    T* m_pOldest = nullptr;
    T* m_pNewest = nullptr;
    std::size_t m_nSize = 0;
};
