#include "tools/category-server/portable/ServedIndex.h"

#include <algorithm>
#include <iterator>
#include <utility>

CServedIndex::CServedIndex(std::shared_ptr<const CCategoryIndex> index)
    : m_index(std::move(index)) {}

void CServedIndex::Publish(std::shared_ptr<const CCategoryIndex> index) {
    const std::lock_guard lock(m_lock);
    m_retired.push_back(std::exchange(m_index, std::move(index)));
    m_uGeneration.fetch_add(1, std::memory_order_release);
}

std::shared_ptr<const CCategoryIndex> CServedIndex::Current() const {
    const std::lock_guard lock(m_lock);
    return m_index;
}

std::size_t CServedIndex::ReleaseRetired() {
    // Freed after the lock is let go: readers refreshing meanwhile do not wait for it.
    std::vector<std::shared_ptr<const CCategoryIndex>> unheld;
    const std::lock_guard lock(m_lock);
    // A retired index is never handed out again, so a count of one (this list's) stays one.
    const auto held = std::partition(
        m_retired.begin(), m_retired.end(),
        [](const std::shared_ptr<const CCategoryIndex>& index) { return index.use_count() > 1; });
    std::move(held, m_retired.end(), std::back_inserter(unheld));
    m_retired.erase(held, m_retired.end());
    return m_retired.size();
}

CServedIndex::CReader::CReader(const CServedIndex& served) : m_served(served) {
    Refresh();
}

void CServedIndex::CReader::Refresh() noexcept {
    const std::lock_guard lock(m_served.m_lock);
    const std::uint64_t uGeneration = m_served.m_uGeneration.load(std::memory_order_relaxed);
    if (uGeneration != m_uGeneration) {
        m_index = m_served.m_index;
        m_uGeneration = uGeneration;
    }
}
