#include "Api/SharedState.h"

#include <atomic>
#include <cstring>
#include <new>

#include "Api/Library.h"
#include "log/portable/Format.h"
#include "win/CriticalSection.h"
#include "win/SharedMemory.h"

namespace {

std::atomic<bool> g_bShareAcrossProcesses{false};

void InitialImage(void* pBlock) noexcept {
    auto* pState = new (pBlock) PolicySharedState{};
    pState->iFilterOff = PolicySharedState::kFilterOffUnread;
    pState->iUpdateRequired = 1;
    std::memcpy(pState->szLoggedInUser, "Default", sizeof "Default");
}

void LogOwnState(const CSharedMemory& memory, CSharedMemory::Result result) noexcept {
    try {
        if (result == CSharedMemory::Result::kRefused) {
            const SharedLayoutHeader& found = memory.Found();
            LogApi(Format("API :: Shared state refused: layout %lu of %lu bytes (%lu mapped), "
                          "this library reads layout %lu of %lu bytes; this process keeps "
                          "its own",
                          static_cast<unsigned long>(found.uVersion),
                          static_cast<unsigned long>(found.uSize),
                          static_cast<unsigned long>(memory.FoundSize()),
                          static_cast<unsigned long>(PolicySharedState::kLayoutVersion),
                          static_cast<unsigned long>(sizeof(PolicySharedState))),
                   1);
        } else {
            LogApi(Format("API :: Shared state cannot be opened : %lu; this process keeps its "
                          "own",
                          memory.Error()),
                   1);
        }
    } catch (...) {
    }
}

class CPolicyStateOwner {
public:
    PolicySharedState& Get() noexcept {
        if (PolicySharedState* pState = m_pState.load(std::memory_order_acquire)) {
            return *pState;
        }
        const CCriticalSectionLock lock(m_openLock);
        if (m_pState.load(std::memory_order_relaxed) == nullptr) {
            Open();
        }
        return *m_pState.load(std::memory_order_relaxed);
    }

    PolicySharedState* IfMapped() const noexcept {
        return m_pState.load(std::memory_order_acquire);
    }

private:
    void Open() noexcept {
        PolicySharedState* pState = nullptr;
        if (g_bShareAcrossProcesses.load()) {
            const CSharedMemory::Result result =
                m_memory.Open(kPolicyStateName, PolicySharedState::kLayoutVersion,
                              sizeof(PolicySharedState), InitialImage);
            if (result == CSharedMemory::Result::kOpened) {
                pState = static_cast<PolicySharedState*>(m_memory.Get());
            } else {
                LogOwnState(m_memory, result);
            }
        }
        if (pState == nullptr) {
            InitialImage(m_own);
            pState = std::launder(reinterpret_cast<PolicySharedState*>(m_own));
        }
        std::atomic_ref<std::int32_t>(pState->iInstances).fetch_add(1);
        m_pState.store(pState, std::memory_order_release);
    }

    CCriticalSection m_openLock;
    CSharedMemory m_memory;
    alignas(PolicySharedState) unsigned char m_own[sizeof(PolicySharedState)] = {};
    std::atomic<PolicySharedState*> m_pState{nullptr};
};

CPolicyStateOwner g_state;

}  // namespace

PolicySharedState& SharedPolicyState() noexcept {
    return g_state.Get();
}

PolicySharedState* SharedPolicyStateIfMapped() noexcept {
    return g_state.IfMapped();
}

void SharePolicyStateAcrossProcesses() noexcept {
    g_bShareAcrossProcesses.store(true);
}
