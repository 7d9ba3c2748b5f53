// The memory every process that has the filter loaded shares: the rule set in force, the
// switches and the time rules, in one block named in the logon session and mapped at the
// first use in each process (never while the filter loads). One layout of fixed-size integers
// and texts, the same in 32-bit and 64-bit processes.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "base/portable/SharedLayout.h"
#include "filter/core/SharedFilterState.h"
#include "filter/core/SharedTimeRules.h"

inline constexpr wchar_t kFilterStateName[] = L"Local\\TarnwellParentalControl.FilterState";

struct SharedFilterBlock {
    // One more whenever anything in the block changes place, size or meaning.
    static constexpr std::uint32_t kLayoutVersion = 1;

    SharedLayoutHeader header;
    SharedFilterState rules;
    SharedFilterSwitches switches;
    SharedTimeRules time;
};

// Other processes change it at the same time: only lock-free atomics work there.
static_assert(std::atomic_ref<std::int32_t>::is_always_lock_free);
static_assert(std::atomic_ref<std::uint8_t>::is_always_lock_free);

// Offsets and sizes as both bitnesses build them; any change here is a new kLayoutVersion.
static_assert(offsetof(SharedFilterState, processCount) == 21);
static_assert(offsetof(SharedFilterState, allowedWords) == 23);
static_assert(offsetof(SharedFilterState, categoryServerAddress) == 2131232);
static_assert(offsetof(SharedFilterState, settingsCorrupted) == 2131240);
static_assert(sizeof(SharedFilterState) == 2131244);
static_assert(sizeof(SharedFilterSwitches) == 20);
static_assert(offsetof(SharedFilterSwitches, categoryCacheSeconds) == 16);
static_assert(offsetof(SharedTimeRules, rules) == 26 && sizeof(SharedTimeRules) == 1398);
static_assert(offsetof(SharedFilterBlock, rules) == 16);
static_assert(offsetof(SharedFilterBlock, switches) == 2131260);
static_assert(offsetof(SharedFilterBlock, time) == 2131280);
static_assert(sizeof(SharedFilterBlock) == 2132680);

// The block, mapped at the first call. A process that cannot map it, or finds it in another
// layout (logged at level 1), keeps a block of its own with the initial image.
SharedFilterBlock& TheSharedFilterBlock() noexcept;

// The filter's entry point calls this before anything maps the block: from then on the block
// is the one named kFilterStateName. Without it (the filter's code linked into a program of its
// own) the process keeps its rules to itself.
void ShareFilterStateAcrossProcesses() noexcept;

// At unload: gives back this process's count when it mapped the block, and maps nothing.
void CountProcessOutIfMapped() noexcept;
