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

SocketFilterTable::Entry* SocketFilterTable::FindEntry(std::uint32_t uSocket) const {
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

SocketFilterTable::Entry* SocketFilterTable::AddEntry(std::uint32_t uSocket) {
    Entry* pEntry = NewEntry();
    pEntry->uSocket = uSocket;
    pEntry->pRecord = std::make_shared<Record>();
    pEntry->pNext = m_buckets[Bucket(uSocket)];
    m_buckets[Bucket(uSocket)] = pEntry;
    ++m_nCount;
    return pEntry;
}

std::shared_ptr<SocketFilterTable::Record> SocketFilterTable::Find(std::uint32_t uSocket,
                                                                   bool bCreate) {
    const std::lock_guard<std::mutex> lock(m_lock);
    Entry* pEntry = FindEntry(uSocket);
    if (pEntry == nullptr && bCreate) {
        pEntry = AddEntry(uSocket);
    }
    return pEntry != nullptr ? pEntry->pRecord : nullptr;
}

std::optional<SocketFilterState> SocketFilterTable::Lookup(std::uint32_t uSocket) const {
    std::shared_ptr<Record> pRecord;
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        if (const Entry* pEntry = FindEntry(uSocket)) {
            pRecord = pEntry->pRecord;
        }
    }
    if (!pRecord) {
        return std::nullopt;
    }
    const std::lock_guard<std::mutex> lock(pRecord->lock);
    return pRecord->state;
}

void SocketFilterTable::Store(std::uint32_t uSocket, const SocketFilterState& state) {
    // A new record rather than the old one changed: a hook still working on the old one (a
    // receive completing after the socket was connected again) cannot touch the new verdict.
    auto pRecord = std::make_shared<Record>();
    pRecord->state = state;
    const std::lock_guard<std::mutex> lock(m_lock);
    Entry* pEntry = FindEntry(uSocket);
    if (pEntry == nullptr) {
        pEntry = AddEntry(uSocket);
    }
    pEntry->pRecord = std::move(pRecord);
}

void SocketFilterTable::Remove(std::uint32_t uSocket) {
    std::shared_ptr<Record> pGone;  // released after the table's lock
    const std::lock_guard<std::mutex> lock(m_lock);
    for (Entry** pp = &m_buckets[Bucket(uSocket)]; *pp != nullptr; pp = &(*pp)->pNext) {
        Entry* pEntry = *pp;
        if (pEntry->uSocket != uSocket) {
            continue;
        }
        *pp = pEntry->pNext;
        pGone = std::move(pEntry->pRecord);
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
