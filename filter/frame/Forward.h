// The common pattern of an entry that takes a socket: find its record (WSAENOTSOCK when there
// is none), put its chain in the thread slot, and call the next provider's entry.
#pragma once

#include <winsock2.h>
#include <ws2spi.h>

#include "filter/frame/CallProviderScope.h"
#include "filter/frame/EntryGuard.h"
#include "filter/frame/ProcessState.h"
#include "filter/frame/ProviderInfo.h"
#include "filter/frame/SocketInfo.h"

template <class R, class F>
R ForwardOnSocket(SOCKET s, const CQueryFailureText& failure, LPINT lpErrno, R failed,
                  F call) noexcept {
    return GuardEntry(lpErrno, failed, [&]() -> R {
        SocketInfo* pInfo = QuerySocketInfo(s, failure, lpErrno);
        if (pInfo == nullptr) {
            *lpErrno = WSAENOTSOCK;
            return failed;
        }
        const CCallProviderScope slot(pInfo->Provider);
        return call(*pInfo, pInfo->Provider->NextProcTable);
    });
}

// The chain whose next provider has the record's family, type and protocol, or null.
inline ProviderInfo* ChainForRecord(const WSAPROTOCOL_INFOW* lpProtocolInfo) noexcept {
    for (int i = 0; lpProtocolInfo != nullptr && i < gProviderCount; ++i) {
        const WSAPROTOCOL_INFOW& next = gBaseInfo[i].NextProvider;
        if (next.iAddressFamily == lpProtocolInfo->iAddressFamily &&
            next.iSocketType == lpProtocolInfo->iSocketType &&
            next.iProtocol == lpProtocolInfo->iProtocol) {
            return &gBaseInfo[i];
        }
    }
    return nullptr;
}

// The record passed on for a chain: the next provider's when it is a base provider.
inline LPWSAPROTOCOL_INFOW RecordForNext(ProviderInfo* pProvider,
                                         LPWSAPROTOCOL_INFOW lpCallers) noexcept {
    return pProvider->NextProvider.ProtocolChain.ChainLen == BASE_PROTOCOL
               ? &pProvider->NextProvider
               : lpCallers;
}
