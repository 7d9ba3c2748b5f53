// The rule set in force, shared by every process that has the filter loaded (the filter's block
// of named memory, SharedFilterBlock.h). Nothing locks it: a reload in one process may be seen
// half done by a match in another. Fixed-size integers and texts only: 32-bit and 64-bit
// processes share it.
#pragma once

#include <atomic>
#include <cstdint>

#include "filter/core/portable/RuleTable.h"

struct SharedFilterState {
    static constexpr int kEntries = 1024;
    static constexpr int kWordSize = 1025;
    static constexpr int kCategorySize = 31;
    static constexpr int kUserSize = 21;
    static constexpr int kPathSize = 264;

    char currentUser[kUserSize] = "Default";
    std::uint8_t processCount = 0;
    std::uint8_t filterOff = 0;
    char allowedWords[kEntries][kWordSize] = {};
    char blockedWords[kEntries][kWordSize] = {};
    char blockedCategories[kEntries][kCategorySize] = {};
    char applicationPath[kPathSize] = {};
    std::uint32_t categoryServerAddress = 0;  // IPv4, network byte order; 0 when unknown
    std::int32_t categoryServerPort = 0;
    std::uint8_t settingsCorrupted = 0;

    CRuleTable AllowedWords() { return {allowedWords[0], kEntries, kWordSize}; }
    CRuleTable BlockedWords() { return {blockedWords[0], kEntries, kWordSize}; }
    CRuleTable BlockedCategories() { return {blockedCategories[0], kEntries, kCategorySize}; }
};

// The block's parts, mapped at the first call in the process (SharedFilterBlock.cpp).
SharedFilterState& TheSharedState() noexcept;

// Configuration that came after the rule set's layout was settled, shared the same way in an
// object of its own. Refreshed with the rest of the configuration at a reload.
struct SharedFilterSwitches {
    std::uint8_t strict = 0;               // "StrictFilter"
    std::int32_t lookupTimeoutTenths = 0;  // "TLVTimeout", tenths of a second
    // "TLVServer2": asked when the first server does not answer. Address 0: none.
    std::uint32_t secondServerAddress = 0;  // IPv4, network byte order
    std::int32_t secondServerPort = 0;
    std::int32_t categoryCacheSeconds = 0;  // "CategoryCacheSeconds"; 0: nothing kept
};

SharedFilterSwitches& TheSharedSwitches() noexcept;

// Read on every send and receive while another process may be refreshing them.
inline bool StrictFilterOn() noexcept {
    return std::atomic_ref<std::uint8_t>(TheSharedSwitches().strict)
               .load(std::memory_order_relaxed) != 0;
}
inline std::int32_t LookupTimeoutTenths() noexcept {
    return std::atomic_ref<std::int32_t>(TheSharedSwitches().lookupTimeoutTenths)
        .load(std::memory_order_relaxed);
}
inline void SetSharedSwitches(bool bStrict, std::int32_t iTimeoutTenths) noexcept {
    std::atomic_ref<std::uint8_t>(TheSharedSwitches().strict)
        .store(bStrict ? 1 : 0, std::memory_order_relaxed);
    std::atomic_ref<std::int32_t>(TheSharedSwitches().lookupTimeoutTenths)
        .store(iTimeoutTenths, std::memory_order_relaxed);
}

inline void SetSecondCategoryServer(std::uint32_t uAddress, std::int32_t iPort) noexcept {
    std::atomic_ref<std::uint32_t>(TheSharedSwitches().secondServerAddress)
        .store(uAddress, std::memory_order_relaxed);
    std::atomic_ref<std::int32_t>(TheSharedSwitches().secondServerPort)
        .store(iPort, std::memory_order_relaxed);
}
inline void SetCategoryCacheSeconds(std::int32_t iSeconds) noexcept {
    std::atomic_ref<std::int32_t>(TheSharedSwitches().categoryCacheSeconds)
        .store(iSeconds, std::memory_order_relaxed);
}

// The filter's own category lookups go to these servers, and are never judged. With the
// strict switch on only the servers' own ports are theirs: any other port of the address (a
// web site or a proxy on the same machine) is judged like any site.
inline bool IsCategoryServer(std::uint32_t uAddress, std::uint16_t uPort) noexcept {
    const bool bStrict = StrictFilterOn();
    if (uAddress == TheSharedState().categoryServerAddress &&
        (!bStrict || uPort == TheSharedState().categoryServerPort)) {
        return true;
    }
    return uAddress != 0 &&
           uAddress == std::atomic_ref<std::uint32_t>(TheSharedSwitches().secondServerAddress)
                           .load(std::memory_order_relaxed) &&
           (!bStrict || uPort == std::atomic_ref<std::int32_t>(TheSharedSwitches().secondServerPort)
                                     .load(std::memory_order_relaxed));
}

// processCount is changed by every process that maps or unloads the block, with an
// interlocked operation: a plain read-modify-write loses a count when two processes start at
// once, and a wrong count makes a process skip or repeat a reload.
inline void CountProcessIn() noexcept {
    std::atomic_ref<std::uint8_t>(TheSharedState().processCount).fetch_add(1);
}
inline void CountProcessOut() noexcept {
    std::atomic_ref<std::uint8_t>(TheSharedState().processCount).fetch_sub(1);
}
inline std::uint8_t ProcessCount() noexcept {
    return std::atomic_ref<std::uint8_t>(TheSharedState().processCount).load();
}
