#include "tools/category-server/portable/CategoryIndexBuilder.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <random>

#include "tools/category-server/portable/HostName.h"

using namespace index_layout;

namespace {

// Load factor of the finished table: misses probe a few slots, most within one cache line.
constexpr double kLoad = 0.65;
constexpr std::uint64_t kMaxPool = UINT32_MAX;

std::uint64_t FreshSeed() {
    std::random_device device;
    const auto nTime =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    return (std::uint64_t{device()} << 32) ^ device() ^ nTime;
}

void InsertSlot(std::vector<CSlot>& slots, std::uint64_t nHash, std::uint32_t nOffset) {
    std::size_t i = SlotOf(nHash, slots.size());
    while (slots[i].nOffset != 0) {
        i = i + 1 == slots.size() ? 0 : i + 1;
    }
    slots[i] = {nOffset, TagOf(nHash)};
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
    std::size_t i = SlotOf(nHash, m_slots.size());
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
        m_pathText.push_back(FoldCase(c));
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

// The final pool: each host record followed, when it has "urls" entries, by its path list's
// place and its path records; then a table sized for the hosts.
void CCategoryIndexBuilder::WriteIndex(CIndexTables& tables) {
    std::size_t nPoolSize = m_pool.size() + m_paths.size() * kPathHeader + m_pathText.size();
    std::size_t nHostsWithUrls = 0;
    for (std::size_t k = 0; k < m_paths.size(); ++k) {
        nHostsWithUrls += k == 0 || m_paths[k].nHost != m_paths[k - 1].nHost ? 1 : 0;
    }
    nPoolSize += nHostsWithUrls * 4;
    if (nPoolSize > kMaxPool) {
        // Add keeps room for every path list, so this cannot happen; refuse the paths rather
        // than write offsets that wrap.
        m_paths.clear();
        nPoolSize = m_pool.size();
    }
    std::vector<char>& pool = tables.pool;
    pool.reserve(nPoolSize);
    pool.push_back('\0');
    tables.pathLists.reserve(nHostsWithUrls + m_paths.size());
    tables.slots.resize(std::max<std::size_t>(
        1, static_cast<std::size_t>(static_cast<double>(m_nHosts) / kLoad) + 1));
    std::size_t k = 0;
    for (std::size_t nOld = 1; nOld < m_pool.size();) {
        const std::size_t nRecord = kHostHeader + static_cast<std::uint8_t>(m_pool[nOld]);
        const auto nNew = static_cast<std::uint32_t>(pool.size());
        pool.insert(pool.end(), m_pool.begin() + static_cast<std::ptrdiff_t>(nOld),
                    m_pool.begin() + static_cast<std::ptrdiff_t>(nOld + nRecord));
        InsertSlot(tables.slots, HashName(m_nSeed, HostName(pool, nNew)), nNew);
        std::size_t nEnd = k;
        while (nEnd < m_paths.size() && m_paths[nEnd].nHost == nOld) {
            ++nEnd;
        }
        if (nEnd > k) {
            pool[nNew + 1] = static_cast<char>(pool[nNew + 1] | kHasUrls);
            const auto nList = static_cast<std::uint32_t>(tables.pathLists.size());
            char place[4];
            Write32(place, nList);
            pool.insert(pool.end(), place, place + 4);
            tables.pathLists.push_back(static_cast<std::uint32_t>(nEnd - k));
            for (; k < nEnd; ++k) {
                tables.pathLists.push_back(static_cast<std::uint32_t>(pool.size()));
                char header[kPathHeader];
                Write16(header, m_paths[k].nLength);
                Write16(header + 2, m_paths[k].nCategory);
                pool.insert(pool.end(), header, header + kPathHeader);
                const char* pText = m_pathText.data() + m_paths[k].nText;
                pool.insert(pool.end(), pText, pText + m_paths[k].nLength);
            }
        }
        nOld += nRecord;
    }
}
