// ConnectEx and DisconnectEx of the strict switch. ConnectEx does the filter's connect-time
// work as WSPConnect does, and judges a send buffer given with it as the connection's first
// send, before anything leaves.
#include "filter/core/FilterHooks.h"
#include "filter/frame/CallProviderScope.h"
#include "filter/frame/Entries.h"
#include "filter/frame/EntryGuard.h"
#include "filter/frame/ExtensionTarget.h"
#include "filter/frame/OverlappedRequest.h"
#include "filter/frame/Trace.h"
#include "filter/frame/WithheldSend.h"

namespace {

const GUID kConnectExId = WSAID_CONNECTEX;
const GUID kDisconnectExId = WSAID_DISCONNECTEX;

// A first send refused: judged on this thread, with the strict send hook's own entry.
DWORD JudgeFirstSend(SOCKET s, PVOID lpSendBuffer, DWORD dwSendDataLength) {
    if (lpSendBuffer == nullptr || dwSendDataLength == 0) {
        return 0;
    }
    WSABUF first{dwSendDataLength, static_cast<char*>(lpSendBuffer)};
    return FilterOverlappedSend(s, &first, 1) ? dwSendDataLength : 0;
}

}  // namespace

BOOL PASCAL ExtConnectEx(SOCKET s, const sockaddr* name, int namelen, PVOID lpSendBuffer,
                         DWORD dwSendDataLength, LPDWORD lpdwBytesSent, LPOVERLAPPED lpOverlapped) {
    int iError = 0;
    return GuardEntry(&iError, FALSE, [&]() -> BOOL {
        SocketInfo* pInfo =
            ExtensionTarget(s, "ExtConnectEx", kConnectExId, &ChainExtensions::ConnectEx);
        if (pInfo == nullptr) {
            return FALSE;
        }
        // The connection's verdict starts afresh and the rules are reloaded when due, as at
        // every connect.
        FilterConnect(s, name, namelen);
        const DWORD nWithheld = JudgeFirstSend(s, lpSendBuffer, dwSendDataLength);
        if (nWithheld != 0) {
            lpSendBuffer = nullptr;
            dwSendDataLength = 0;
        }
        if (lpOverlapped == nullptr) {
            const CCallProviderScope slot(pInfo->Provider);
            const BOOL bDone = pInfo->Provider->Extensions.ConnectEx.load()(
                pInfo->ProviderSocket, name, namelen, lpSendBuffer, dwSendDataLength, lpdwBytesSent,
                nullptr);
            if (bDone && nWithheld != 0) {
                EndWithheldConnect(*pInfo->Provider, pInfo->ProviderSocket, s);
                if (lpdwBytesSent != nullptr) {
                    *lpdwBytesSent = nWithheld;
                }
            }
            return bDone;
        }
        OverlappedRequest request = ExtensionRequest(kOpConnectEx, lpOverlapped);
        request.Args.ConnectEx = {name, namelen, lpSendBuffer, dwSendDataLength, nWithheld};
        const int iResult = StartOverlappedOperation(
            *pInfo, s, request, "ExtConnectEx: GetOverlappedStructure() returned NULL\n");
        Trace(4, "ExtConnectEx :: ReturnCode=%d", iResult);
        return ExtensionResult(iResult);
    });
}

BOOL PASCAL ExtDisconnectEx(SOCKET s, LPOVERLAPPED lpOverlapped, DWORD dwFlags, DWORD dwReserved) {
    int iError = 0;
    return GuardEntry(&iError, FALSE, [&]() -> BOOL {
        SocketInfo* pInfo =
            ExtensionTarget(s, "ExtDisconnectEx", kDisconnectExId, &ChainExtensions::DisconnectEx);
        if (pInfo == nullptr) {
            return FALSE;
        }
        if ((dwFlags & TF_REUSE_SOCKET) != 0) {
            // The socket will carry another connection (an accepted one never connects): its
            // verdict must not carry over.
            FilterClose(s);
        }
        if (lpOverlapped == nullptr) {
            const CCallProviderScope slot(pInfo->Provider);
            return pInfo->Provider->Extensions.DisconnectEx.load()(pInfo->ProviderSocket, nullptr,
                                                                   dwFlags, dwReserved);
        }
        OverlappedRequest request = ExtensionRequest(kOpDisconnectEx, lpOverlapped);
        request.Args.DisconnectEx = {dwFlags, dwReserved};
        return ExtensionResult(StartOverlappedOperation(
            *pInfo, s, request, "ExtDisconnectEx: GetOverlappedStructure() returned NULL\n"));
    });
}
