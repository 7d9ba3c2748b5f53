#include "tools/category-server/portable/CategoryIndexBuilder.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <random>

#include "tools/category-server/portable/HostName.h"

using namespace index_layout;

namespace {

constexpr std::uint64_t kMaxPool = UINT32_MAX;

std::uint64_t FreshSeed() {
    std::random_device device;
    const auto nTime =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    return (std::uint64_t{device()} << 32) ^ device() ^ nTime;
}

std::uint32_t TagOf(std::uint64_t nHash) {
    return static_cast<std::uint32_t>(nHash);
}

std::string_view HostName(const std::vector<char>& pool, std::size_t nOffset) {
    return {pool.data() + nOffset + kHostHeader, static_cast<std::uint8_t>(pool[nOffset])};
}

}  // namespace

CCategoryIndexBuilder::CCategoryIndexBuilder() : CCategoryIndexBuilder(FreshSeed()) {}

CCategoryIndexBuilder::CCategoryIndexBuilder(std::uint64_t nSeed) : m_nSeed(nSeed) {
    m_pool.push_back('\0');  // offset 0 marks an empty slot
}

std::optional<std::uint16_t> CCategoryIndexBuilder::CategoryId(std::string_view name) {
    const auto it = m_categoryIds.find(std::string(name));
    if (it != m_categoryIds.end()) {
        return it->second;
    }
    if (m_categories.size() >= kMaxCategories) {
        return std::nullopt;
    }
    const auto nId = static_cast<std::uint16_t>(m_categories.size());
    m_categories.emplace_back(name);
    m_categoryIds.emplace(name, nId);
    return nId;
}

void CCategoryIndexBuilder::InsertSlot(std::vector<CSlot>& slots, std::uint64_t nHash,
                                       std::uint32_t nOffset) const {
    std::size_t i = PlaceOf(nHash, slots.size());
    while (slots[i].nOffset != 0) {
        i = i + 1 == slots.size() ? 0 : i + 1;
    }
    slots[i] = {nOffset, TagOf(nHash)};
}

void CCategoryIndexBuilder::Grow() {
    std::vector<CSlot> slots(std::max<std::size_t>(1024, m_slots.size() * 2));
    for (const CSlot& slot : m_slots) {
        if (slot.nOffset != 0) {
            InsertSlot(slots, HashName(m_nSeed, HostName(m_pool, slot.nOffset)), slot.nOffset);
        }
    }
    m_slots.swap(slots);
}

// The host's record, added when new.
std::uint32_t CCategoryIndexBuilder::FindOrAddHost(std::string_view host, std::uint64_t nHash) {
    if (m_slots.empty()) {
        Grow();
    }
    std::size_t i = PlaceOf(nHash, m_slots.size());
    for (; m_slots[i].nOffset != 0; i = i + 1 == m_slots.size() ? 0 : i + 1) {
        if (m_slots[i].nTag == TagOf(nHash) && HostName(m_pool, m_slots[i].nOffset) == host) {
            return m_slots[i].nOffset;
        }
    }
    const auto nOffset = static_cast<std::uint32_t>(m_pool.size());
    const char header[kHostHeader] = {static_cast<char>(host.size()), 0, '\xFF', '\xFF'};
    m_pool.insert(m_pool.end(), header, header + kHostHeader);
    m_pool.insert(m_pool.end(), host.begin(), host.end());
    ++m_nHosts;
    if (static_cast<double>(m_nHosts) > static_cast<double>(m_slots.size()) * 0.75) {
        Grow();
        InsertSlot(m_slots, nHash, nOffset);
    } else {
        m_slots[i] = {nOffset, TagOf(nHash)};
    }
    return nOffset;
}

CCategoryIndexBuilder::Added CCategoryIndexBuilder::Add(std::string_view host,
                                                        std::string_view path,
                                                        std::uint16_t category) {
    if (host.empty() || host.size() > kMaxHostLength || path.size() > kMaxPathLength ||
        category >= m_categories.size()) {
        return Added::kInvalid;
    }
    if (m_bFull) {
        return Added::kFull;
    }
    // The finished pool holds every record, path record and path list place: keep its
    // offsets within 32 bits.
    const std::uint64_t nFinal = m_pool.size() + m_pathText.size() +
                                 m_paths.size() * (kPathHeader + 4) + kHostHeader + host.size() +
                                 path.size() + kPathHeader + 4;
    if (nFinal > kMaxPool) {
        m_bFull = true;
        return Added::kFull;
    }
    const std::uint32_t nHost = FindOrAddHost(host, HashName(m_nSeed, host));
    char* pRecord = m_pool.data() + nHost;
    if (path.empty()) {
        if ((pRecord[1] & kHasDomain) == 0) {
            pRecord[1] = static_cast<char>(pRecord[1] | kHasDomain);
            Write16(pRecord + 2, category);
            ++m_nDomains;
            return Added::kNew;
        }
        Write16(pRecord + 2, std::min(Read16(pRecord + 2), category));
        return Added::kMerged;
    }
    const auto nText = static_cast<std::uint32_t>(m_pathText.size());
    for (const char c : path) {
        m_pathText.push_back(LowerAscii(c));
    }
    m_paths.push_back({nHost, nText, static_cast<std::uint16_t>(path.size()), category});
    return Added::kNew;  // a repeated path merges at build time
}

std::unique_ptr<const CCategoryIndex> CCategoryIndexBuilder::Build() {
    const auto text = [this](const CPendingPath& path) {
        return std::string_view(m_pathText.data() + path.nText, path.nLength);
    };
    std::sort(m_paths.begin(), m_paths.end(), [&](const CPendingPath& a, const CPendingPath& b) {
        if (a.nHost != b.nHost) {
            return a.nHost < b.nHost;
        }
        const int nOrder = text(a).compare(text(b));
        return nOrder != 0 ? nOrder < 0 : a.nCategory < b.nCategory;
    });
    m_paths.erase(std::unique(m_paths.begin(), m_paths.end(),
                              [&](const CPendingPath& a, const CPendingPath& b) {
                                  return a.nHost == b.nHost && text(a) == text(b);
                              }),
                  m_paths.end());
    CIndexTables tables;
    tables.nSeed = m_nSeed;
    tables.nEntries = Entries();
    WriteIndex(tables);
    tables.categories = std::move(m_categories);
    *this = CCategoryIndexBuilder(m_nSeed);
    return std::make_unique<CHashedCategoryIndex>(std::move(tables));
}

// The final pool: host records bucket by bucket, then the path records; the directory of
// buckets; and a path list for each host with "urls" entries.
void CCategoryIndexBuilder::WriteIndex(CIndexTables& tables) {
    m_slots = std::vector<CSlot>();  // not needed any more: make room
    for (std::size_t k = 0; k < m_paths.size(); ++k) {
        if (k == 0 || m_paths[k].nHost != m_paths[k - 1].nHost) {
            m_pool[m_paths[k].nHost + 1] =
                static_cast<char>(m_pool[m_paths[k].nHost + 1] | kHasUrls);
        }
    }
    const std::size_t nBuckets = std::max<std::size_t>(1, m_nHosts / kRecordsPerBucket);
    // Each record's bucket, then the records ordered by bucket (a counting sort).
    std::vector<std::uint32_t> bucketOf;
    std::vector<std::uint32_t> offsets;
    bucketOf.reserve(m_nHosts);
    offsets.reserve(m_nHosts);
    tables.buckets.assign(nBuckets + 1, 0);
    tables.filters.assign(nBuckets, CBucketFilter{});
    for (std::size_t nOld = 1; nOld < m_pool.size();
         nOld += kHostHeader + static_cast<std::uint8_t>(m_pool[nOld])) {
        const std::uint64_t nHash = HashName(m_nSeed, HostName(m_pool, nOld));
        const auto nBucket = static_cast<std::uint32_t>(PlaceOf(nHash, nBuckets));
        AddToFilter(tables.filters[nBucket], nHash);
        bucketOf.push_back(nBucket);
        offsets.push_back(static_cast<std::uint32_t>(nOld));
        ++tables.buckets[nBucket + 1];
    }
    for (std::size_t b = 0; b < nBuckets; ++b) {
        tables.buckets[b + 1] += tables.buckets[b];
    }
    std::vector<std::uint32_t> order(m_nHosts);
    {
        std::vector<std::uint32_t> next(tables.buckets.begin(), tables.buckets.end() - 1);
        for (std::size_t k = 0; k < m_nHosts; ++k) {
            order[next[bucketOf[k]]++] = static_cast<std::uint32_t>(k);
        }
    }
    std::vector<char>& pool = tables.pool;
    pool.reserve(m_pool.size() + m_paths.size() * (kPathHeader + 4) + m_pathText.size());
    pool.push_back('\0');
    std::vector<std::uint32_t> fields;  // where each path list's place is to be written
    std::vector<std::uint32_t> hosts;   // and whose list it is (the record's old offset)
    std::size_t nNextBucket = 0;
    for (std::size_t k = 0; k < m_nHosts; ++k) {
        while (nNextBucket <= nBuckets && tables.buckets[nNextBucket] <= k) {
            tables.buckets[nNextBucket++] = static_cast<std::uint32_t>(pool.size());
        }
        const std::size_t nOld = offsets[order[k]];
        const std::size_t nLength = kHostHeader + static_cast<std::uint8_t>(m_pool[nOld]);
        pool.insert(pool.end(), m_pool.begin() + static_cast<std::ptrdiff_t>(nOld),
                    m_pool.begin() + static_cast<std::ptrdiff_t>(nOld + nLength));
        if ((m_pool[nOld + 1] & kHasUrls) != 0) {
            fields.push_back(static_cast<std::uint32_t>(pool.size()));
            hosts.push_back(static_cast<std::uint32_t>(nOld));
            pool.insert(pool.end(), 4, '\0');
        }
    }
    while (nNextBucket <= nBuckets) {
        tables.buckets[nNextBucket++] = static_cast<std::uint32_t>(pool.size());
    }
    WritePaths(tables, fields, hosts);
}

void CCategoryIndexBuilder::WritePaths(CIndexTables& tables,
                                       const std::vector<std::uint32_t>& fields,
                                       const std::vector<std::uint32_t>& hosts) {
    std::vector<char>& pool = tables.pool;
    tables.pathLists.reserve(fields.size() + m_paths.size());
    for (std::size_t h = 0; h < fields.size(); ++h) {
        const auto group = std::equal_range(
            m_paths.begin(), m_paths.end(), CPendingPath{hosts[h], 0, 0, 0},
            [](const CPendingPath& a, const CPendingPath& b) { return a.nHost < b.nHost; });
        Write32(pool.data() + fields[h], static_cast<std::uint32_t>(tables.pathLists.size()));
        tables.pathLists.push_back(static_cast<std::uint32_t>(group.second - group.first));
        for (auto it = group.first; it != group.second; ++it) {
            tables.pathLists.push_back(static_cast<std::uint32_t>(pool.size()));
            char header[kPathHeader];
            Write16(header, it->nLength);
            Write16(header + 2, it->nCategory);
            pool.insert(pool.end(), header, header + kPathHeader);
            const char* pText = m_pathText.data() + it->nText;
            pool.insert(pool.end(), pText, pText + it->nLength);
        }
    }
}
