#include "filter/frame/SocketInfo.h"

#include "filter/frame/ProcessState.h"
#include "filter/frame/ProviderHeap.h"
#include "filter/frame/ProviderInfo.h"
#include "filter/frame/Trace.h"

SocketInfo* NewSocketInfo(ProviderInfo* pProvider, SOCKET sProvider, SocketInfo* pInherit) {
    SocketInfo* pInfo = NewOnProviderHeap<SocketInfo>();
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
    InsertSocketInfo(pProvider, pInfo);
    return pInfo;
}

void InsertSocketInfo(ProviderInfo* pProvider, SocketInfo* pInfo) {
    if (pProvider == nullptr) {
        DebugOut("InsertSocketInfo: provider == NULL!\n");
        return;
    }
    const CCriticalSectionLock lock(gStartupLock);
    pInfo->Prev = nullptr;
    pInfo->Next = pProvider->SocketList;
    if (pProvider->SocketList != nullptr) {
        pProvider->SocketList->Prev = pInfo;
    }
    pProvider->SocketList = pInfo;
}

void UnlinkSocketInfo(ProviderInfo* pProvider, SocketInfo* pInfo) {
    const CCriticalSectionLock lock(gStartupLock);
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
    const CCriticalSectionLock lock(gStartupLock);
    const auto find = [sProvider](const ProviderInfo* pChain) -> SocketInfo* {
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
    DeleteOnProviderHeap(pInfo);
}

int CountSocketRecords() {
    const CCriticalSectionLock lock(gStartupLock);
    int n = 0;
    for (BYTE i = 0; gBaseInfo != nullptr && i < gProviderCount; ++i) {
        for (const SocketInfo* p = gBaseInfo[i].SocketList; p != nullptr; p = p->Next) {
            ++n;
        }
    }
    return n;
}

SocketInfo* QuerySocketInfo(SOCKET s, const CQueryFailureText& failure, LPINT lpErrno) noexcept {
    DWORD_PTR context = 0;
    if (gUpcalls.lpWPUQuerySocketHandleContext == nullptr) {
        *lpErrno = WSAENOTSOCK;
    } else if (gUpcalls.lpWPUQuerySocketHandleContext(s, &context, lpErrno) != SOCKET_ERROR) {
        return reinterpret_cast<SocketInfo*>(context);
    }
    if (failure.szText != nullptr) {
        DebugOut("%s%d%s", failure.szText, *lpErrno, failure.szEnd);
    }
    return nullptr;
}
