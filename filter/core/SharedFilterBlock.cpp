#include "filter/core/SharedFilterBlock.h"

#include <atomic>
#include <new>

#include "filter/core/portable/FilterLog.h"
#include "win/SharedBlockOwner.h"

namespace {

// Every byte zero but the profile name ("Default") and the time rules' empty days.
void InitialImage(void* pBlock) noexcept {
    new (pBlock) SharedFilterBlock{};
}

void LogOwnBlock(const CSharedMemory& memory, CSharedMemory::Result result) noexcept {
    try {
        if (result == CSharedMemory::Result::kRefused) {
            const SharedLayoutHeader& found = memory.Found();
            FilterLog().Trace(1,
                              "SharedFilterState :: Shared rules refused: layout %lu of %lu "
                              "bytes (%lu mapped), this filter reads layout %lu of %lu bytes; "
                              "this process keeps its own",
                              static_cast<unsigned long>(found.uVersion),
                              static_cast<unsigned long>(found.uSize),
                              static_cast<unsigned long>(memory.FoundSize()),
                              static_cast<unsigned long>(SharedFilterBlock::kLayoutVersion),
                              static_cast<unsigned long>(sizeof(SharedFilterBlock)));
        } else {
            FilterLog().Trace(1,
                              "SharedFilterState :: Shared rules cannot be opened : %lu; this "
                              "process keeps its own",
                              static_cast<unsigned long>(memory.Error()));
        }
    } catch (...) {
    }
}

void CountIn(SharedFilterBlock& block) noexcept {
    std::atomic_ref<std::uint8_t>(block.rules.processCount).fetch_add(1);
}

CSharedBlockOwner<SharedFilterBlock> g_block(kFilterStateName, InitialImage, LogOwnBlock, CountIn);

}  // namespace

SharedFilterBlock& TheSharedFilterBlock() noexcept {
    return g_block.Get();
}

SharedFilterState& TheSharedState() noexcept {
    return g_block.Get().rules;
}

SharedFilterSwitches& TheSharedSwitches() noexcept {
    return g_block.Get().switches;
}

SharedTimeRules& TheSharedTimeRules() noexcept {
    return g_block.Get().time;
}

void ShareFilterStateAcrossProcesses() noexcept {
    g_block.Share();
}

void CountProcessOutIfMapped() noexcept {
    if (SharedFilterBlock* pBlock = g_block.IfMapped()) {
        std::atomic_ref<std::uint8_t>(pBlock->rules.processCount).fetch_sub(1);
    }
}
