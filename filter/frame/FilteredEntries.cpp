// The three entries that carry the filter's work: WSPConnect resets a connection's verdict
// and reloads the rules when due, WSPSend judges a request, WSPRecv answers a blocked one with
// the block page. Overlapped sends and receives go to the manager, judged and answered alike
// only with the strict switch on.
#include "filter/core/FilterHooks.h"
#include "filter/frame/CallProviderScope.h"
#include "filter/frame/Entries.h"
#include "filter/frame/Forward.h"
#include "filter/frame/OverlappedRequest.h"
#include "filter/frame/ProviderInfo.h"
#include "filter/frame/Trace.h"
#include "filter/frame/WithheldSend.h"

int WSPAPI WSPConnect(SOCKET s, const sockaddr* name, int namelen, LPWSABUF lpCallerData,
                      LPWSABUF lpCalleeData, LPQOS lpSQOS, LPQOS lpGQOS, LPINT lpErrno) {
    // The verdict state starts afresh, and the rules are reloaded when due, before the
    // socket's record is even looked up.
    FilterConnect(s, name, namelen);
    return ForwardOnSocket(
        s, {"WSPConnect: WPUQuerySocketHandleContext() failed: "}, lpErrno, SOCKET_ERROR,
        [&](SocketInfo& info, const WSPPROC_TABLE& next) {
            const int iResult = next.lpWSPConnect(info.ProviderSocket, name, namelen, lpCallerData,
                                                  lpCalleeData, lpSQOS, lpGQOS, lpErrno);
            Trace(4, "WSPConnect :: ReturnCode=%d  ErrorCode=%d ERROR_SUCCESS=%d", iResult,
                  iResult == SOCKET_ERROR ? *lpErrno : 0, static_cast<int>(ERROR_SUCCESS));
            return iResult;
        });
}

int WSPAPI WSPSend(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount, LPDWORD lpNumberOfBytesSent,
                   DWORD dwFlags, LPWSAOVERLAPPED lpOverlapped,
                   LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine, LPWSATHREADID lpThreadId,
                   LPINT lpErrno) {
    DebugOut("WSPSend\n");
    return GuardEntry(lpErrno, SOCKET_ERROR, [&]() -> int {
        SocketInfo* pInfo = QuerySocketInfo(s, {}, lpErrno);
        if (pInfo == nullptr) {
            TraceAndDebugOut(1, "WSPSend    :: WPUQuerySocketHandleContext() failed: %d\r\n",
                             *lpErrno);
            *lpErrno = WSAENOTSOCK;
            return SOCKET_ERROR;
        }
        if (CarriesDatagrams(*pInfo->Provider) &&
            FilterRefusesDatagram(s, lpBuffers, dwBufferCount, nullptr, 0)) {
            *lpErrno = WSAEACCES;
            return SOCKET_ERROR;
        }
        if (lpOverlapped != nullptr) {
            const OverlappedTransfer transfer{kOpSend, lpBuffers, dwBufferCount, dwFlags};
            constexpr char kNoRecord[] = "WSPSend: GetOverlappedStructure() returned NULL\r\n";
            // Judged on this thread, before the manager takes it: the lookup's own sockets must
            // not wait for a manager thread.
            if (FilterOverlappedSend(s, lpBuffers, dwBufferCount)) {
                return CompleteOverlappedTransfer(
                    *pInfo, s, transfer, lpOverlapped, lpCompletionRoutine, lpThreadId,
                    WithholdSend(*pInfo, s, lpBuffers, dwBufferCount), kNoRecord, lpErrno);
            }
            return StartOverlappedTransfer(*pInfo, s, transfer, lpOverlapped, lpCompletionRoutine,
                                           lpThreadId, kNoRecord, lpErrno);
        }
        if (FilterSend(s, lpBuffers, dwBufferCount)) {
            *lpNumberOfBytesSent = WithholdSend(*pInfo, s, lpBuffers, dwBufferCount);
            return 0;
        }
        const CCallProviderScope slot(pInfo->Provider);
        const int iResult = pInfo->Provider->NextProcTable.lpWSPSend(
            pInfo->ProviderSocket, lpBuffers, dwBufferCount, lpNumberOfBytesSent, dwFlags, nullptr,
            lpCompletionRoutine, lpThreadId, lpErrno);
        if (iResult == SOCKET_ERROR) {
            Trace(1, "WSPSend    :: WSPSend Failed ErrorCode=%d ReturnCode=%d", *lpErrno, -1);
        } else {
            pInfo->BytesSent += *lpNumberOfBytesSent;
        }
        return iResult;
    });
}

int WSPAPI WSPRecv(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount, LPDWORD lpNumberOfBytesRecvd,
                   LPDWORD lpFlags, LPWSAOVERLAPPED lpOverlapped,
                   LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine, LPWSATHREADID lpThreadId,
                   LPINT lpErrno) {
    return GuardEntry(lpErrno, SOCKET_ERROR, [&]() -> int {
        Trace(4, "WSPRecv");
        SocketInfo* pInfo = QuerySocketInfo(s, {}, lpErrno);
        if (pInfo == nullptr) {
            TraceAndDebugOut(1, "WSPRecv :: WPUQuerySocketHandleContext() failed: %d\r\n",
                             *lpErrno);
            *lpErrno = WSAENOTSOCK;
            return SOCKET_ERROR;
        }
        if (lpOverlapped != nullptr) {
            return StartOverlappedReceive(
                *pInfo, s, {kOpRecv, lpBuffers, dwBufferCount, lpFlags != nullptr ? *lpFlags : 0},
                lpOverlapped, lpCompletionRoutine, lpThreadId,
                "WSPRecv: GetOverlappedStructure() returned NULL\r\n", lpErrno);
        }
        // The rest of a block page is delivered without asking the server for more.
        if (FilterRecvPending(s, lpBuffers, dwBufferCount, lpNumberOfBytesRecvd)) {
            pInfo->BytesRecv += *lpNumberOfBytesRecvd;
            return 0;
        }
        const CCallProviderScope slot(pInfo->Provider);
        const int iResult = pInfo->Provider->NextProcTable.lpWSPRecv(
            pInfo->ProviderSocket, lpBuffers, dwBufferCount, lpNumberOfBytesRecvd, lpFlags, nullptr,
            lpCompletionRoutine, lpThreadId, lpErrno);
        if (iResult == SOCKET_ERROR) {
            Trace(*lpErrno == WSAEWOULDBLOCK ? 3 : 1, "WSPRecv :: WSPRecv failed ErrorCode=%d",
                  *lpErrno);
            return iResult;
        }
        pInfo->BytesRecv += *lpNumberOfBytesRecvd;
        if (FilterRecv(s, lpBuffers, dwBufferCount, lpNumberOfBytesRecvd)) {
            pInfo->BytesRecv = *lpNumberOfBytesRecvd;
        }
        return iResult;
    });
}
