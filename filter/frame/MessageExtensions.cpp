// WSASendMsg and WSARecvMsg of the strict switch: judged and answered as the frame's own sends
// and receives are (a datagram's QUIC refusal, a stream's request heads and block page).
#include "filter/core/FilterHooks.h"
#include "filter/frame/CallProviderScope.h"
#include "filter/frame/Entries.h"
#include "filter/frame/EntryGuard.h"
#include "filter/frame/ExtensionTarget.h"
#include "filter/frame/OverlappedRequest.h"
#include "filter/frame/WithheldSend.h"

namespace {

const GUID kRecvMsgId = WSAID_WSARECVMSG;
const GUID kSendMsgId = WSAID_WSASENDMSG;

INT Failed(int iError) {
    ::WSASetLastError(iError);
    return SOCKET_ERROR;
}

// An INT extension function's result for the manager's.
INT MessageResult(int iResult) {
    return iResult == 0 ? 0 : Failed(iResult);
}

// True when the filter refused the message (*pnWithheld: the bytes to report sent, a refused
// stream send; 0 for a refused datagram).
bool RefusesMessage(SocketInfo& info, SOCKET s, const WSAMSG& message, bool bOverlapped,
                    DWORD* pnWithheld) {
    *pnWithheld = 0;
    if (CarriesDatagrams(*info.Provider)) {
        return FilterRefusesDatagram(s, message.lpBuffers, message.dwBufferCount, message.name,
                                     message.namelen);
    }
    const bool bWithhold = bOverlapped
                               ? FilterOverlappedSend(s, message.lpBuffers, message.dwBufferCount)
                               : FilterSend(s, message.lpBuffers, message.dwBufferCount);
    if (bWithhold) {
        *pnWithheld = WithholdSend(info, s, message.lpBuffers, message.dwBufferCount);
    }
    return bWithhold;
}

}  // namespace

INT WSAAPI ExtWSASendMsg(SOCKET s, LPWSAMSG lpMsg, DWORD dwFlags, LPDWORD lpNumberOfBytesSent,
                         LPWSAOVERLAPPED lpOverlapped,
                         LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine) {
    int iError = 0;
    return GuardEntry(&iError, SOCKET_ERROR, [&]() -> INT {
        SocketInfo* pInfo =
            ExtensionTarget(s, "ExtWSASendMsg", kSendMsgId, &ChainExtensions::SendMsg);
        if (pInfo == nullptr) {
            return SOCKET_ERROR;
        }
        if (lpMsg == nullptr) {
            return Failed(WSAEFAULT);
        }
        DWORD nWithheld = 0;
        if (RefusesMessage(*pInfo, s, *lpMsg, lpOverlapped != nullptr, &nWithheld)) {
            if (CarriesDatagrams(*pInfo->Provider)) {
                return Failed(WSAEACCES);
            }
            if (lpOverlapped == nullptr) {
                if (lpNumberOfBytesSent != nullptr) {
                    *lpNumberOfBytesSent = nWithheld;
                }
                return 0;
            }
            return MessageResult(CompleteOverlappedRequest(
                *pInfo, s, ExtensionRequest(kOpSendMsg, lpOverlapped, lpCompletionRoutine),
                nWithheld, "ExtWSASendMsg: GetOverlappedStructure() returned NULL\n"));
        }
        if (lpOverlapped == nullptr) {
            const CCallProviderScope slot(pInfo->Provider);
            const INT iResult = pInfo->Provider->Extensions.SendMsg.load()(
                pInfo->ProviderSocket, lpMsg, dwFlags, lpNumberOfBytesSent, nullptr, nullptr);
            if (iResult == 0 && lpNumberOfBytesSent != nullptr) {
                pInfo->BytesSent += *lpNumberOfBytesSent;
            }
            return iResult;
        }
        OverlappedRequest request = ExtensionRequest(kOpSendMsg, lpOverlapped, lpCompletionRoutine);
        request.Args.Message = {lpMsg, dwFlags, nullptr, 0};
        return MessageResult(StartOverlappedOperation(
            *pInfo, s, request, "ExtWSASendMsg: GetOverlappedStructure() returned NULL\n"));
    });
}

INT PASCAL ExtWSARecvMsg(SOCKET s, LPWSAMSG lpMsg, LPDWORD lpdwNumberOfBytesRecvd,
                         LPWSAOVERLAPPED lpOverlapped,
                         LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine) {
    int iError = 0;
    return GuardEntry(&iError, SOCKET_ERROR, [&]() -> INT {
        SocketInfo* pInfo =
            ExtensionTarget(s, "ExtWSARecvMsg", kRecvMsgId, &ChainExtensions::RecvMsg);
        if (pInfo == nullptr) {
            return SOCKET_ERROR;
        }
        if (lpMsg == nullptr) {
            return Failed(WSAEFAULT);
        }
        const bool bStream = !CarriesDatagrams(*pInfo->Provider);
        if (lpOverlapped != nullptr) {
            OverlappedRequest request =
                ExtensionRequest(kOpRecvMsg, lpOverlapped, lpCompletionRoutine);
            request.Args.Message = {lpMsg, 0, nullptr, 0};
            constexpr char kNoRecord[] = "ExtWSARecvMsg: GetOverlappedStructure() returned NULL\n";
            return MessageResult(bStream
                                     ? StartFilteredReceive(*pInfo, s, request, lpMsg->lpBuffers,
                                                            lpMsg->dwBufferCount, kNoRecord)
                                     : StartOverlappedOperation(*pInfo, s, request, kNoRecord));
        }
        // The rest of a block page is delivered without asking the server for more.
        if (bStream &&
            FilterRecvPending(s, lpMsg->lpBuffers, lpMsg->dwBufferCount, lpdwNumberOfBytesRecvd)) {
            pInfo->BytesRecv += *lpdwNumberOfBytesRecvd;
            return 0;
        }
        const CCallProviderScope slot(pInfo->Provider);
        const INT iResult = pInfo->Provider->Extensions.RecvMsg.load()(
            pInfo->ProviderSocket, lpMsg, lpdwNumberOfBytesRecvd, nullptr, nullptr);
        if (iResult != 0 || lpdwNumberOfBytesRecvd == nullptr) {
            return iResult;
        }
        pInfo->BytesRecv += *lpdwNumberOfBytesRecvd;
        if (bStream &&
            FilterRecv(s, lpMsg->lpBuffers, lpMsg->dwBufferCount, lpdwNumberOfBytesRecvd)) {
            pInfo->BytesRecv = *lpdwNumberOfBytesRecvd;
        }
        return iResult;
    });
}
