// The index lookups are answered from, replaced whole by a reload. A serving thread reads it
// through its own CReader, which keeps a reference and looks at one atomic counter per lookup:
// lookups take no lock and never wait for a load. After a new index is published, each reader
// takes it at its next Get() or Refresh() (serving threads refresh at least once a second).
// A replaced index is kept here until every reader has let go of it, and then freed by
// ReleaseRetired() on the thread that loads: freeing millions of entries takes a while, and
// no serving thread should spend it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "tools/category-server/portable/CategoryIndex.h"

class CServedIndex {
public:
    explicit CServedIndex(std::shared_ptr<const CCategoryIndex> index);
    CServedIndex(const CServedIndex&) = delete;
    CServedIndex& operator=(const CServedIndex&) = delete;

    void Publish(std::shared_ptr<const CCategoryIndex> index);
    std::shared_ptr<const CCategoryIndex> Current() const;
    // Frees the replaced indexes no reader holds any more; returns how many are still held.
    std::size_t ReleaseRetired();

    class CReader {
    public:
        explicit CReader(const CServedIndex& served);
        const CCategoryIndex& Get() noexcept {
            if (m_served.m_uGeneration.load(std::memory_order_acquire) != m_uGeneration) {
                Refresh();
            }
            return *m_index;
        }
        void Refresh() noexcept;

    private:
        const CServedIndex& m_served;
        std::shared_ptr<const CCategoryIndex> m_index;
        std::uint64_t m_uGeneration = 0;
    };

private:
    mutable std::mutex m_lock;
    std::shared_ptr<const CCategoryIndex> m_index;
    std::vector<std::shared_ptr<const CCategoryIndex>> m_retired;
    std::atomic<std::uint64_t> m_uGeneration{1};
};
