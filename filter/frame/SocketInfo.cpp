// The socket records and the per-chain lists that hold them. Lists change only under
// gStartupLock.
#include "filter/frame/Frame.h"

SocketInfo* NewSocketInfo(ProviderInfo* pProvider, SOCKET sProvider, SocketInfo* pInherit) {
    auto* pInfo = static_cast<SocketInfo*>(
        gProviderHeap != nullptr ? ::HeapAlloc(gProviderHeap, HEAP_ZERO_MEMORY, sizeof(SocketInfo))
                                 : nullptr);
    if (pInfo == nullptr) {
        DebugOut("HeapAlloc() failed: %d\n", static_cast<int>(::GetLastError()));
        return nullptr;
    }
    pInfo->ProviderSocket = sProvider;
    if (pInherit != nullptr) {
        pInfo->Window = pInherit->Window;
        pInfo->Message = pInherit->Message;
    }
    pInfo->Provider = pProvider;
    ::InitializeCriticalSection(&pInfo->Lock);
    InsertSocketInfo(pProvider, pInfo);
    return pInfo;
}

void InsertSocketInfo(ProviderInfo* pProvider, SocketInfo* pInfo) {
    if (pProvider == nullptr) {
        DebugOut("InsertSocketInfo: provider == NULL!\n");
        return;
    }
    const CStartupLockScope lock;
    pInfo->Prev = nullptr;
    pInfo->Next = pProvider->SocketList;
    if (pProvider->SocketList != nullptr) {
        pProvider->SocketList->Prev = pInfo;
    }
    pProvider->SocketList = pInfo;
}

void UnlinkSocketInfo(ProviderInfo* pProvider, SocketInfo* pInfo) {
    const CStartupLockScope lock;
    if (pInfo->Prev != nullptr) {
        pInfo->Prev->Next = pInfo->Next;
    } else if (pProvider != nullptr && pProvider->SocketList == pInfo) {
        pProvider->SocketList = pInfo->Next;
    }
    if (pInfo->Next != nullptr) {
        pInfo->Next->Prev = pInfo->Prev;
    }
    pInfo->Prev = nullptr;
    pInfo->Next = nullptr;
}

SocketInfo* FindSocketInfo(ProviderInfo* pProvider, SOCKET sProvider) {
    const CStartupLockScope lock;
    const auto find = [sProvider](ProviderInfo* pChain) -> SocketInfo* {
        for (SocketInfo* p = pChain->SocketList; p != nullptr; p = p->Next) {
            if (p->ProviderSocket == sProvider) {
                return p;
            }
        }
        return nullptr;
    };
    if (pProvider != nullptr) {
        return find(pProvider);
    }
    for (BYTE i = 0; gBaseInfo != nullptr && i < gProviderCount; ++i) {
        if (SocketInfo* pFound = find(&gBaseInfo[i])) {
            return pFound;
        }
    }
    return nullptr;
}

void FreeSocketInfo(SocketInfo* pInfo) {
    ::DeleteCriticalSection(&pInfo->Lock);
    ::HeapFree(gProviderHeap, 0, pInfo);
}

int CountSocketRecords() {
    const CStartupLockScope lock;
    int n = 0;
    for (BYTE i = 0; gBaseInfo != nullptr && i < gProviderCount; ++i) {
        for (const SocketInfo* p = gBaseInfo[i].SocketList; p != nullptr; p = p->Next) {
            ++n;
        }
    }
    return n;
}
