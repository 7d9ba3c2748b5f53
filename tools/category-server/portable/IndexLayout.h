// How the category index lays out its names, shared by its builder and its look-ups.
//
// Every name lives once in one contiguous pool:
//   host record  [length:1][flags:1][category:2][name][path list:4 when kHasUrls]
//   path record  [length:2][category:2][path]
// (little-endian, unaligned). A host record's category is its domain entry's when kHasDomain.
// Host records are grouped by the bucket their name's hash falls in, about sixteen to a
// bucket. A small directory gives each bucket's first record, and a filter of 128 bits per
// bucket has two bits set for each of its names: a look-up reads the filters of the host and
// its parents (small enough to stay in cache), goes on to the pool only for the levels whose
// bits are set (a name that is not there passes for about one level in twenty), asks for each
// such level's run of records at once, and confirms the name byte by byte. A path list (in
// its own array) is a count, then the offsets of the host's path records, sorted by their
// bytes; path records follow the host records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "tools/category-server/portable/ListText.h"

namespace index_layout {

inline constexpr std::uint8_t kHasDomain = 1;
inline constexpr std::uint8_t kHasUrls = 2;
inline constexpr std::size_t kHostHeader = 4;
inline constexpr std::size_t kPathHeader = 4;
inline constexpr std::uint16_t kNoCategory = 0xFFFF;

// Host records per bucket, on average: few enough that a run is a handful of cache lines,
// many enough that the directory and the filters stay in cache.
inline constexpr std::size_t kRecordsPerBucket = 16;

// A bucket's filter: two of its 128 bits for each name in it, from the hash's lower half
// (PlaceOf uses the upper).
struct CBucketFilter {
    std::uint64_t words[2] = {};
};
inline void AddToFilter(CBucketFilter& filter, std::uint64_t nHash) noexcept {
    filter.words[(nHash >> 6) & 1] |= std::uint64_t{1} << (nHash & 63);
    filter.words[(nHash >> 13) & 1] |= std::uint64_t{1} << ((nHash >> 7) & 63);
}
inline bool MayHold(const CBucketFilter& filter, std::uint64_t nHash) noexcept {
    return (filter.words[(nHash >> 6) & 1] >> (nHash & 63) & 1) != 0 &&
           (filter.words[(nHash >> 13) & 1] >> ((nHash >> 7) & 63) & 1) != 0;
}

inline std::uint16_t Read16(const char* p) noexcept {
    std::uint16_t value = 0;
    std::memcpy(&value, p, sizeof value);
    return value;
}
inline std::uint32_t Read32(const char* p) noexcept {
    std::uint32_t value = 0;
    std::memcpy(&value, p, sizeof value);
    return value;
}
inline void Write16(char* p, std::uint16_t value) noexcept {
    std::memcpy(p, &value, sizeof value);
}
inline void Write32(char* p, std::uint32_t value) noexcept {
    std::memcpy(p, &value, sizeof value);
}

// A name's hash, seeded per index, taken from its last byte to its first with case folded, so
// that one pass over a host gives the hash of each of its parents on the way.
inline std::uint64_t HashStep(std::uint64_t h, char c) noexcept {
    return (h ^ static_cast<std::uint8_t>(LowerAscii(c))) * 0x100000001B3ULL;
}
inline std::uint64_t HashFinish(std::uint64_t h) noexcept {
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDULL;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ULL;
    h ^= h >> 33;
    return h;
}
inline std::uint64_t HashName(std::uint64_t nSeed, std::string_view name) noexcept {
    std::uint64_t h = nSeed;
    for (std::size_t i = name.size(); i-- > 0;) {
        h = HashStep(h, name[i]);
    }
    return HashFinish(h);
}
// A hash's place among n places (buckets or slots), from its upper half.
inline std::size_t PlaceOf(std::uint64_t nHash, std::size_t n) noexcept {
    return static_cast<std::size_t>(((nHash >> 32) * n) >> 32);
}
inline std::size_t HostRecordLength(const char* pRecord) noexcept {
    return kHostHeader + static_cast<std::uint8_t>(pRecord[0]) +
           ((static_cast<std::uint8_t>(pRecord[1]) & kHasUrls) != 0 ? 4 : 0);
}

}  // namespace index_layout
