#include "filter/core/portable/SocketFilterState.h"

#include <algorithm>
#include <cstring>

namespace {

void CopyBounded(char* pOut, std::size_t nSize, std::string_view text) {
    const std::size_t n = std::min(text.size(), nSize - 1);
    std::memcpy(pOut, text.data(), n);
    pOut[n] = '\0';
}

}  // namespace

SocketFilterState::SocketFilterState() {
    SetCategory("Null");
}

void SocketFilterState::SetHost(std::string_view text) {
    CopyBounded(host, kHostSize, text);
}

void SocketFilterState::SetMatchedWord(std::string_view text) {
    CopyBounded(matchedWord, kWordSize, text);
}

void SocketFilterState::SetCategory(std::string_view text) {
    CopyBounded(category, kCategorySize, text);
}

SocketFilterTable::Entry* SocketFilterTable::Find(std::uint32_t uSocket) const {
    for (Entry* p = m_buckets[Bucket(uSocket)]; p != nullptr; p = p->pNext) {
        if (p->uSocket == uSocket) {
            return p;
        }
    }
    return nullptr;
}

SocketFilterTable::Entry* SocketFilterTable::NewEntry() {
    if (m_pFree == nullptr) {
        auto& block = m_blocks.emplace_back(kBlockEntries);
        for (Entry& entry : block) {
            entry.pNext = m_pFree;
            m_pFree = &entry;
        }
    }
    Entry* pEntry = m_pFree;
    m_pFree = pEntry->pNext;
    return pEntry;
}

std::optional<SocketFilterState> SocketFilterTable::Lookup(std::uint32_t uSocket) const {
    const std::lock_guard<std::mutex> lock(m_lock);
    if (const Entry* pEntry = Find(uSocket)) {
        return pEntry->state;
    }
    return std::nullopt;
}

void SocketFilterTable::Store(std::uint32_t uSocket, const SocketFilterState& state) {
    const std::lock_guard<std::mutex> lock(m_lock);
    Entry* pEntry = Find(uSocket);
    if (pEntry == nullptr) {
        pEntry = NewEntry();
        pEntry->uSocket = uSocket;
        pEntry->pNext = m_buckets[Bucket(uSocket)];
        m_buckets[Bucket(uSocket)] = pEntry;
        ++m_nCount;
    }
    pEntry->state = state;
}

void SocketFilterTable::Remove(std::uint32_t uSocket) {
    const std::lock_guard<std::mutex> lock(m_lock);
    for (Entry** pp = &m_buckets[Bucket(uSocket)]; *pp != nullptr; pp = &(*pp)->pNext) {
        Entry* pEntry = *pp;
        if (pEntry->uSocket != uSocket) {
            continue;
        }
        *pp = pEntry->pNext;
        pEntry->state = SocketFilterState();
        pEntry->pNext = m_pFree;
        m_pFree = pEntry;
        if (--m_nCount == 0) {
            // The last entry gone: give all storage back.
            m_blocks.clear();
            m_pFree = nullptr;
        }
        return;
    }
}

std::size_t SocketFilterTable::Count() const {
    const std::lock_guard<std::mutex> lock(m_lock);
    return m_nCount;
}
