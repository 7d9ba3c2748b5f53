// Puts a chain in gCallProviderSlot for the length of one next-provider call, so that
// WSPCancelBlockingCall knows whose call to cancel.
#pragma once

struct ProviderInfo;

class CCallProviderScope {
public:
    explicit CCallProviderScope(ProviderInfo* pProvider) noexcept;
    CCallProviderScope(const CCallProviderScope&) = delete;
    CCallProviderScope& operator=(const CCallProviderScope&) = delete;
    ~CCallProviderScope();
};

// The chain this thread is calling, or null.
ProviderInfo* CallingProvider() noexcept;
