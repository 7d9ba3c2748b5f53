#include "tools/category-server/portable/HashedCategoryIndex.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "tools/category-server/portable/HostName.h"
#include "tools/category-server/portable/UrlParts.h"

using namespace index_layout;

namespace {

// Suffixes of at most 253 bytes that start a label: at most one every two bytes.
constexpr std::size_t kMaxLevels = kMaxHostLength / 2 + 1;
// The bytes of a run asked for ahead: a bucket's sixteen or so records, rarely more.
constexpr std::uint32_t kRunPrefetch = 512;

// Compares a path record's bytes with the first nLimit bytes of a query's path, folded.
int ComparePath(std::string_view entry, std::string_view path, std::size_t nLimit) noexcept {
    const std::size_t n = entry.size() < nLimit ? entry.size() : nLimit;
    for (std::size_t i = 0; i < n; ++i) {
        const auto a = static_cast<std::uint8_t>(entry[i]);
        const auto b = static_cast<std::uint8_t>(LowerAscii(path[i]));
        if (a != b) {
            return a < b ? -1 : 1;
        }
    }
    return entry.size() < nLimit ? -1 : (entry.size() == nLimit ? 0 : 1);
}

std::size_t CommonLength(std::string_view entry, std::string_view path) noexcept {
    std::size_t i = 0;
    while (i < entry.size() && i < path.size() && entry[i] == LowerAscii(path[i])) {
        ++i;
    }
    return i;
}

void Prefetch(const void* p) noexcept {
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(p);
#else
    static_cast<void>(p);
#endif
}

}  // namespace

const char* CHashedCategoryIndex::FindHost(std::string_view host,
                                           std::uint64_t nHash) const noexcept {
    const std::size_t nBucket = PlaceOf(nHash, m_t.buckets.size() - 1);
    const char* pRecord = m_t.pool.data() + m_t.buckets[nBucket];
    const char* const pEnd = m_t.pool.data() + m_t.buckets[nBucket + 1];
    for (; pRecord < pEnd; pRecord += HostRecordLength(pRecord)) {
        if (static_cast<std::uint8_t>(pRecord[0]) != host.size()) {
            continue;
        }
        // Names are kept in lower case, as most queries come.
        const char* pName = pRecord + kHostHeader;
        if (std::memcmp(pName, host.data(), host.size()) == 0) {
            return pRecord;
        }
        std::size_t k = 0;
        while (k < host.size() && pName[k] == LowerAscii(host[k])) {
            ++k;
        }
        if (k == host.size()) {
            return pRecord;
        }
    }
    return nullptr;
}

// Of the host's path entries, the longest that starts path: the greatest entry not above the
// path, and when it is no prefix, again below the part they share (which shrinks each time).
std::uint16_t CHashedCategoryIndex::LongestPath(const char* pHost,
                                                std::string_view path) const noexcept {
    const std::uint32_t nList = Read32(pHost + kHostHeader + static_cast<std::uint8_t>(pHost[0]));
    const std::uint32_t nCount = m_t.pathLists[nList];
    const std::uint32_t* pItems = m_t.pathLists.data() + nList + 1;
    const auto entryAt = [&](std::uint32_t i) {
        const char* pRecord = m_t.pool.data() + pItems[i];
        return std::string_view(pRecord + kPathHeader, Read16(pRecord));
    };
    std::size_t nLimit = path.size();
    while (nLimit > 0) {
        std::uint32_t lo = 0;
        std::uint32_t hi = nCount;
        while (lo < hi) {
            const std::uint32_t mid = lo + (hi - lo) / 2;
            if (ComparePath(entryAt(mid), path, nLimit) <= 0) {
                lo = mid + 1;
            } else {
                hi = mid;
            }
        }
        if (lo == 0) {
            break;
        }
        const std::string_view entry = entryAt(lo - 1);
        const std::size_t nCommon = CommonLength(entry, path.substr(0, nLimit));
        if (nCommon == entry.size()) {
            return Read16(m_t.pool.data() + pItems[lo - 1] + 2);
        }
        nLimit = nCommon;
    }
    return kNoCategory;
}

CCategoryAnswer CHashedCategoryIndex::Lookup(std::string_view url) const noexcept {
    const CUrlParts parts = SplitUrl(url);
    const std::string_view host = parts.host;
    if (host.empty() || m_t.buckets.size() < 2) {
        return {};
    }
    // The host and its parents, shortest first, hashed in one pass from the end.
    // Written before read: no need to clear them for each look-up.
    std::array<std::size_t, kMaxLevels> starts;    // NOLINT(cppcoreguidelines-pro-type-member-init)
    std::array<std::uint64_t, kMaxLevels> hashes;  // NOLINT(cppcoreguidelines-pro-type-member-init)
    std::size_t nLevels = 0;
    const bool bLiteral = IsIPLiteral(host);
    const std::size_t nBuckets = m_t.buckets.size() - 1;
    std::uint64_t h = m_t.nSeed;
    for (std::size_t i = host.size(); i-- > 0 && host.size() - i <= kMaxHostLength;) {
        h = HashStep(h, host[i]);
        if (host[i] != '.' && (i == 0 || (host[i - 1] == '.' && !bLiteral))) {
            starts[nLevels] = i;
            hashes[nLevels] = HashFinish(h);
            const std::size_t nBucket = PlaceOf(hashes[nLevels], nBuckets);
            Prefetch(&m_t.filters[nBucket]);
            Prefetch(&m_t.buckets[nBucket]);
            ++nLevels;
        }
    }
    // The levels whose filters may hold them, and their runs of records asked for at once: one
    // wait for memory, not one a level.
    std::size_t nCandidates = 0;
    for (std::size_t k = 0; k < nLevels; ++k) {
        const std::size_t nBucket = PlaceOf(hashes[k], nBuckets);
        if (!MayHold(m_t.filters[nBucket], hashes[k])) {
            continue;
        }
        starts[nCandidates] = starts[k];
        hashes[nCandidates] = hashes[k];
        ++nCandidates;
        const std::uint32_t nEnd =
            std::min(m_t.buckets[nBucket + 1], m_t.buckets[nBucket] + kRunPrefetch);
        for (std::uint32_t n = m_t.buckets[nBucket]; n < nEnd; n += 64) {
            Prefetch(m_t.pool.data() + n);
        }
    }
    // The longest host with an entry for this path decides; "urls" entries on the way mean
    // that another path of the queried host could get another answer.
    bool bUrlsSeen = false;
    while (nCandidates-- > 0) {
        const char* pRecord = FindHost(host.substr(starts[nCandidates]), hashes[nCandidates]);
        if (pRecord == nullptr) {
            continue;
        }
        const auto flags = static_cast<std::uint8_t>(pRecord[1]);
        if ((flags & kHasUrls) != 0) {
            bUrlsSeen = true;
            const std::uint16_t nCategory = LongestPath(pRecord, parts.path);
            if (nCategory != kNoCategory) {
                return {m_t.categories[nCategory], false};
            }
        }
        if ((flags & kHasDomain) != 0) {
            return {m_t.categories[Read16(pRecord + 2)], !bUrlsSeen};
        }
    }
    return {{}, !bUrlsSeen};
}

std::size_t CHashedCategoryIndex::MemoryBytes() const noexcept {
    std::size_t nBytes = m_t.pool.capacity() + m_t.buckets.capacity() * sizeof(std::uint32_t) +
                         m_t.filters.capacity() * sizeof(CBucketFilter) +
                         m_t.pathLists.capacity() * sizeof(std::uint32_t) +
                         m_t.categories.capacity() * sizeof(std::string);
    for (const std::string& name : m_t.categories) {
        nBytes += name.capacity();
    }
    return nBytes;
}
