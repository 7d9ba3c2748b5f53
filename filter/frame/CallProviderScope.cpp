#include "filter/frame/CallProviderScope.h"

#include "filter/frame/ProcessState.h"

CCallProviderScope::CCallProviderScope(ProviderInfo* pProvider) noexcept {
    gCallProviderSlot.Set(pProvider);
}

CCallProviderScope::~CCallProviderScope() {
    gCallProviderSlot.Set(nullptr);
}

ProviderInfo* CallingProvider() noexcept {
    return static_cast<ProviderInfo*>(gCallProviderSlot.Get());
}
