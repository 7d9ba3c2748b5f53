// The category index over the lists: names in one pool, grouped by hash bucket behind a small
// directory with a filter per bucket; a host's "urls" entries kept sorted and found by longest
// prefix. Look-ups hash the queried host and each of its parents and confirm a hit against the
// pool, so that no answer depends on a hash collision; they neither scan the lists nor allocate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/category-server/portable/CategoryIndex.h"
#include "tools/category-server/portable/IndexLayout.h"

struct CIndexTables {
    std::vector<char> pool;
    std::vector<std::uint32_t> buckets;  // each bucket's first record; one more: the end
    std::vector<index_layout::CBucketFilter> filters;  // one a bucket
    std::vector<std::uint32_t> pathLists;
    std::vector<std::string> categories;  // by id; a lower id wins at equal specificity
    std::uint64_t nSeed = 0;
    std::size_t nEntries = 0;
};

class CHashedCategoryIndex final : public CCategoryIndex {
public:
    explicit CHashedCategoryIndex(CIndexTables tables) : m_t(std::move(tables)) {}

    CCategoryAnswer Lookup(std::string_view url) const noexcept override;
    std::size_t EntryCount() const noexcept override { return m_t.nEntries; }
    std::size_t MemoryBytes() const noexcept override;

private:
    const char* FindHost(std::string_view host, std::uint64_t nHash) const noexcept;
    std::uint16_t LongestPath(const char* pHost, std::string_view path) const noexcept;

    CIndexTables m_t;
};
