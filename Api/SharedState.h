// The state every process that loads the library shares: who is logged in, the filter-off
// switch, the reload flag, the process count, the failed password checks of every account and
// the internet time counted. It lives in memory named in the logon session, mapped at the
// first use in a process (never while the library loads), in one layout of fixed-size integers
// that 32-bit and 64-bit processes read alike. Only the library's own code reads and writes
// it; nothing of it is exported.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "Api/portable/AttemptLimit.h"
#include "Api/portable/TimeUsage.h"
#include "base/portable/SharedLayout.h"

inline constexpr int kLoggedInNameSize = 24;
inline constexpr int kAttemptRecords = 32;

inline constexpr wchar_t kPolicyStateName[] = L"Local\\TarnwellParentalControl.PolicyState";

struct PolicySharedState {
    // One more whenever anything below changes place, size or meaning.
    static constexpr std::uint32_t kLayoutVersion = 1;
    // iFilterOff until a process has read the switch from the settings file.
    static constexpr std::int32_t kFilterOffUnread = -1;

    SharedLayoutHeader header;
    std::int32_t iInstances;  // processes that have the block mapped
    std::int32_t iFilterOff;  // 1 while filtering is switched off
    std::int32_t iUpdateRequired;
    char szLoggedInUser[kLoggedInNameSize];  // "Default" when nobody is logged in
    std::uint32_t uReserved;
    AttemptRecord attemptRecords[kAttemptRecords];
    TimeUsageShared timeUsage;
};

// Other processes change it at the same time: only lock-free atomics work there.
static_assert(std::atomic_ref<std::int64_t>::is_always_lock_free);
static_assert(std::atomic_ref<std::int32_t>::is_always_lock_free);

// Offsets and sizes as both bitnesses build them; any change here is a new kLayoutVersion.
static_assert(offsetof(PolicySharedState, iInstances) == 16);
static_assert(offsetof(PolicySharedState, iFilterOff) == 20);
static_assert(offsetof(PolicySharedState, iUpdateRequired) == 24);
static_assert(offsetof(PolicySharedState, szLoggedInUser) == 28);
static_assert(sizeof(AttemptRecord) == 56 && alignof(AttemptRecord) == 8);
static_assert(offsetof(PolicySharedState, attemptRecords) == 56);
static_assert(sizeof(TimeUsageRecord) == 72 && sizeof(TimeUsageShared) == 2328);
static_assert(offsetof(PolicySharedState, timeUsage) == 1848);
static_assert(sizeof(PolicySharedState) == 4176);

// The block, mapped at the first call. A process that cannot map it, or finds it in another
// layout (logged at level 1), keeps a block of its own with the initial image.
PolicySharedState& SharedPolicyState() noexcept;
// Null while this process has not mapped the block.
PolicySharedState* SharedPolicyStateIfMapped() noexcept;

// The library's entry point calls this before anything maps the block: from then on the block
// is the one named kPolicyStateName. Without it (the library's code linked into a program of
// its own) the process keeps its state to itself.
void SharePolicyStateAcrossProcesses() noexcept;
