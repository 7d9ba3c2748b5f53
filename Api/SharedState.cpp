#include "Api/SharedState.h"

#include <atomic>
#include <cstring>
#include <new>

#include "Api/Library.h"
#include "log/portable/Format.h"
#include "win/SharedBlockOwner.h"

namespace {

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

void CountIn(PolicySharedState& state) noexcept {
    std::atomic_ref<std::int32_t>(state.iInstances).fetch_add(1);
}

CSharedBlockOwner<PolicySharedState> g_state(kPolicyStateName, InitialImage, LogOwnState, CountIn);

}  // namespace

PolicySharedState& SharedPolicyState() noexcept {
    return g_state.Get();
}

PolicySharedState* SharedPolicyStateIfMapped() noexcept {
    return g_state.IfMapped();
}

void SharePolicyStateAcrossProcesses() noexcept {
    g_state.Share();
}
