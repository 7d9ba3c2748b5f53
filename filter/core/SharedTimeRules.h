// The time rules of the profile in force, shared by every process that has the filter loaded
// (its block of named memory), as the other rules are. Written at a reload; a match in another
// process may see one half done, at worst for one request.
#pragma once

#include <atomic>
#include <cstdint>

#include "Api/PolicyApi.h"
#include "Api/portable/TimeRules.h"

struct SharedTimeRules {
    std::uint8_t any;  // 0: the profile has no time rules, and requests cost nothing more
    char profile[LOGGED_IN_NAME_SIZE];
    TimeRules rules;
};

SharedTimeRules& TheSharedTimeRules() noexcept;

inline bool AnyTimeRules() noexcept {
    return std::atomic_ref<std::uint8_t>(TheSharedTimeRules().any)
               .load(std::memory_order_acquire) != 0;
}
inline void SetAnyTimeRules(bool bAny) noexcept {
    std::atomic_ref<std::uint8_t>(TheSharedTimeRules().any)
        .store(bAny ? 1 : 0, std::memory_order_release);
}
