// Builds the category index from entries, in memory proportional to them: names go into a
// pool once each (found again through an open-addressing table while building), entries of
// the same host and path merge, the lower category id winning; Build lays the pool out by
// bucket as the index reads it (IndexLayout.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "tools/category-server/portable/CategoryIndex.h"
#include "tools/category-server/portable/HashedCategoryIndex.h"

class CCategoryIndexBuilder {
public:
    // Paths longer than this are refused: a list's URL is a page, not a document.
    static constexpr std::size_t kMaxPathLength = 2048;
    static constexpr std::size_t kMaxCategories = index_layout::kNoCategory;

    CCategoryIndexBuilder();  // a hash seed of its own
    explicit CCategoryIndexBuilder(std::uint64_t nSeed);

    // The category's id, registering it when new; ids follow registration, and the lower wins
    // at equal specificity. Nothing when kMaxCategories are registered.
    std::optional<std::uint16_t> CategoryId(std::string_view name);

    enum class Added { kNew, kMerged, kInvalid, kFull };
    // host normalised (HostName.h); path after the host without its first '/', any case, empty
    // for a domain entry. kInvalid: no host, a path too long or an unknown category; kFull: the
    // pool's 4 GiB are used up.
    Added Add(std::string_view host, std::string_view path, std::uint16_t category);

    std::size_t Entries() const noexcept { return m_nDomains + m_paths.size(); }

    // The index of everything added; the builder is left empty.
    std::unique_ptr<const CCategoryIndex> Build();

private:
    struct CSlot {
        std::uint32_t nOffset = 0;  // 0: empty
        std::uint32_t nTag = 0;
    };
    struct CPendingPath {
        std::uint32_t nHost;  // its host record in m_pool
        std::uint32_t nText;  // its folded bytes in m_pathText
        std::uint16_t nLength;
        std::uint16_t nCategory;
    };

    std::uint32_t FindOrAddHost(std::string_view host, std::uint64_t nHash);
    void Grow();
    void InsertSlot(std::vector<CSlot>& slots, std::uint64_t nHash, std::uint32_t nOffset) const;
    void WriteIndex(CIndexTables& tables);
    void WritePaths(CIndexTables& tables, const std::vector<std::uint32_t>& fields,
                    const std::vector<std::uint32_t>& hosts);

    std::uint64_t m_nSeed;
    std::vector<char> m_pool;  // host records in the order added, without path lists yet
    std::vector<CSlot> m_slots;
    std::size_t m_nHosts = 0;
    std::size_t m_nDomains = 0;
    std::vector<CPendingPath> m_paths;
    std::vector<char> m_pathText;
    std::vector<std::string> m_categories;
    std::unordered_map<std::string, std::uint16_t> m_categoryIds;
    bool m_bFull = false;
};
