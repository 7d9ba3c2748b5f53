#include "filter/core/SharedFilterBlock.h"

#include <atomic>
#include <new>

#include "filter/core/portable/FilterLog.h"
#include "win/CriticalSection.h"
#include "win/SharedMemory.h"

namespace {

std::atomic<bool> g_bShareAcrossProcesses{false};

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

class CFilterBlockOwner {
public:
    SharedFilterBlock& Get() noexcept {
        if (SharedFilterBlock* pBlock = m_pBlock.load(std::memory_order_acquire)) {
            return *pBlock;
        }
        const CCriticalSectionLock lock(m_openLock);
        if (m_pBlock.load(std::memory_order_relaxed) == nullptr) {
            Open();
        }
        return *m_pBlock.load(std::memory_order_relaxed);
    }

    SharedFilterBlock* IfMapped() const noexcept {
        return m_pBlock.load(std::memory_order_acquire);
    }

private:
    void Open() noexcept {
        SharedFilterBlock* pBlock = nullptr;
        if (g_bShareAcrossProcesses.load()) {
            const CSharedMemory::Result result =
                m_memory.Open(kFilterStateName, SharedFilterBlock::kLayoutVersion,
                              sizeof(SharedFilterBlock), InitialImage);
            if (result == CSharedMemory::Result::kOpened) {
                pBlock = static_cast<SharedFilterBlock*>(m_memory.Get());
            } else {
                LogOwnBlock(m_memory, result);
            }
        }
        if (pBlock == nullptr) {
            // Static storage: zero pages the system gives only once they are touched.
            alignas(SharedFilterBlock) static unsigned char s_own[sizeof(SharedFilterBlock)];
            InitialImage(s_own);
            pBlock = std::launder(reinterpret_cast<SharedFilterBlock*>(s_own));
        }
        std::atomic_ref<std::uint8_t>(pBlock->rules.processCount).fetch_add(1);
        m_pBlock.store(pBlock, std::memory_order_release);
    }

    CCriticalSection m_openLock;
    CSharedMemory m_memory;
    std::atomic<SharedFilterBlock*> m_pBlock{nullptr};
};

CFilterBlockOwner g_block;

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
    g_bShareAcrossProcesses.store(true);
}

void CountProcessOutIfMapped() noexcept {
    if (SharedFilterBlock* pBlock = g_block.IfMapped()) {
        std::atomic_ref<std::uint8_t>(pBlock->rules.processCount).fetch_sub(1);
    }
}
