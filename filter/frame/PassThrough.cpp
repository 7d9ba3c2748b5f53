// Entries that only translate the socket handle, plus the few that also translate a protocol
// record or answer without a socket.
#include "filter/core/FilterHooks.h"
#include "filter/frame/Entries.h"
#include "filter/frame/Forward.h"
#include "filter/frame/Overlapped.h"

namespace {

// A send or receive handed to the overlapped manager; the filter never sees it.
int StartTransfer(SocketInfo& info, SOCKET s, DWORD dwOperation, LPWSABUF lpBuffers,
                  DWORD dwBufferCount, DWORD dwFlags, LPWSAOVERLAPPED lpOverlapped,
                  LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine, LPWSATHREADID lpThreadId,
                  const char* szNoRecordText, LPINT lpErrno, sockaddr* lpAddress = nullptr,
                  LPINT lpFromlen = nullptr, int iTolen = 0) {
    OverlappedRequest request{};
    request.Operation = dwOperation;
    request.CallerOverlapped = lpOverlapped;
    request.CompletionRoutine = lpCompletionRoutine;
    request.ThreadId = lpThreadId;
    request.Args.Transfer = {lpBuffers, dwBufferCount, dwFlags, lpAddress, lpFromlen, iTolen};
    return OverlappedEntryResult(StartOverlappedOperation(info, s, request, szNoRecordText),
                                 lpErrno);
}

}  // namespace

INT WSPAPI WSPAddressToString(LPSOCKADDR lpsaAddress, DWORD dwAddressLength,
                              LPWSAPROTOCOL_INFOW lpProtocolInfo, LPWSTR lpszAddressString,
                              LPDWORD lpdwAddressStringLength, LPINT lpErrno) {
    return GuardEntry(lpErrno, SOCKET_ERROR, [&]() -> INT {
        ProviderInfo* pProvider = ChainForRecord(lpProtocolInfo);
        if (pProvider == nullptr) {
            *lpErrno = WSAEINVAL;
            return SOCKET_ERROR;
        }
        const CCallProviderScope slot(pProvider);
        return pProvider->NextProcTable.lpWSPAddressToString(
            lpsaAddress, dwAddressLength, RecordForNext(pProvider, lpProtocolInfo),
            lpszAddressString, lpdwAddressStringLength, lpErrno);
    });
}

INT WSPAPI WSPStringToAddress(LPWSTR AddressString, INT AddressFamily,
                              LPWSAPROTOCOL_INFOW lpProtocolInfo, LPSOCKADDR lpAddress,
                              LPINT lpAddressLength, LPINT lpErrno) {
    return GuardEntry(lpErrno, SOCKET_ERROR, [&]() -> INT {
        ProviderInfo* pProvider = ChainForRecord(lpProtocolInfo);
        if (pProvider == nullptr) {
            *lpErrno = WSAEINVAL;
            return SOCKET_ERROR;
        }
        const CCallProviderScope slot(pProvider);
        return pProvider->NextProcTable.lpWSPStringToAddress(
            AddressString, AddressFamily, RecordForNext(pProvider, lpProtocolInfo), lpAddress,
            lpAddressLength, lpErrno);
    });
}

int WSPAPI WSPBind(SOCKET s, const sockaddr* name, int namelen, LPINT lpErrno) {
    return ForwardOnSocket(s, "WSPBind: WPUQuerySocketHandleContext() failed: %d\r\n", lpErrno,
                           SOCKET_ERROR, [&](SocketInfo& info, const WSPPROC_TABLE& next) {
                               return next.lpWSPBind(info.ProviderSocket, name, namelen, lpErrno);
                           });
}

int WSPAPI WSPCancelBlockingCall(LPINT lpErrno) {
    auto* pProvider = gCallProviderSlot != TLS_OUT_OF_INDEXES
                          ? static_cast<ProviderInfo*>(::TlsGetValue(gCallProviderSlot))
                          : nullptr;
    return pProvider != nullptr ? pProvider->NextProcTable.lpWSPCancelBlockingCall(lpErrno) : 0;
}

int WSPAPI WSPConnect(SOCKET s, const sockaddr* name, int namelen, LPWSABUF lpCallerData,
                      LPWSABUF lpCalleeData, LPQOS lpSQOS, LPQOS lpGQOS, LPINT lpErrno) {
    // The verdict state starts afresh, and the rules are reloaded when due, before the
    // socket's record is even looked up.
    FilterConnect(s, name, namelen);
    return ForwardOnSocket(
        s, "WSPConnect: WPUQuerySocketHandleContext() failed: %d\r\n", lpErrno, SOCKET_ERROR,
        [&](SocketInfo& info, const WSPPROC_TABLE& next) {
            const int iResult = next.lpWSPConnect(info.ProviderSocket, name, namelen, lpCallerData,
                                                  lpCalleeData, lpSQOS, lpGQOS, lpErrno);
            LogFormat(4, "WSPConnect :: ReturnCode=%d  ErrorCode=%d ERROR_SUCCESS=%d", iResult,
                      iResult == SOCKET_ERROR ? *lpErrno : 0, ERROR_SUCCESS);
            return iResult;
        });
}

int WSPAPI WSPDuplicateSocket(SOCKET s, DWORD dwProcessId, LPWSAPROTOCOL_INFOW lpProtocolInfo,
                              LPINT lpErrno) {
    return ForwardOnSocket(s, "WSPDuplicateSocket: WPUQuerySocketHandle() failed: %d\r\n", lpErrno,
                           SOCKET_ERROR, [&](SocketInfo& info, const WSPPROC_TABLE& next) {
                               const int iResult = next.lpWSPDuplicateSocket(
                                   info.ProviderSocket, dwProcessId, lpProtocolInfo, lpErrno);
                               if (iResult == 0) {
                                   const DWORD dwReserved = lpProtocolInfo->dwProviderReserved;
                                   *lpProtocolInfo = info.Provider->NextProvider;
                                   lpProtocolInfo->dwProviderReserved = dwReserved;
                               }
                               return iResult;
                           });
}

int WSPAPI WSPEnumNetworkEvents(SOCKET s, WSAEVENT hEventObject, LPWSANETWORKEVENTS lpNetworkEvents,
                                LPINT lpErrno) {
    return ForwardOnSocket(s, "WSPEnumNetworkEvents: WPUQuerySocketHandleContext() failed: %d\r\n",
                           lpErrno, SOCKET_ERROR, [&](SocketInfo& info, const WSPPROC_TABLE& next) {
                               return next.lpWSPEnumNetworkEvents(info.ProviderSocket, hEventObject,
                                                                  lpNetworkEvents, lpErrno);
                           });
}

int WSPAPI WSPEventSelect(SOCKET s, WSAEVENT hEventObject, long lNetworkEvents, LPINT lpErrno) {
    return ForwardOnSocket(s, "WSPEventSelect: WPUQuerySocketHandleContext() failed: %d\r\n",
                           lpErrno, SOCKET_ERROR, [&](SocketInfo& info, const WSPPROC_TABLE& next) {
                               return next.lpWSPEventSelect(info.ProviderSocket, hEventObject,
                                                            lNetworkEvents, lpErrno);
                           });
}

int WSPAPI WSPGetPeerName(SOCKET s, sockaddr* name, LPINT namelen, LPINT lpErrno) {
    return ForwardOnSocket(s, "WSPGetPeerName: WPUQuerySocketHandleContext() failed: %d\r\n",
                           lpErrno, SOCKET_ERROR, [&](SocketInfo& info, const WSPPROC_TABLE& next) {
                               return next.lpWSPGetPeerName(info.ProviderSocket, name, namelen,
                                                            lpErrno);
                           });
}

int WSPAPI WSPGetSockName(SOCKET s, sockaddr* name, LPINT namelen, LPINT lpErrno) {
    return ForwardOnSocket(s, "WSPGetSockName: WPUQuerySocketHandleContext() failed: %d\r\n",
                           lpErrno, SOCKET_ERROR, [&](SocketInfo& info, const WSPPROC_TABLE& next) {
                               return next.lpWSPGetSockName(info.ProviderSocket, name, namelen,
                                                            lpErrno);
                           });
}

BOOL WSPAPI WSPGetQOSByName(SOCKET s, LPWSABUF lpQOSName, LPQOS lpQOS, LPINT lpErrno) {
    return ForwardOnSocket(s, "WSPGetQOSByName: WPUQuerySocketHandleContext() failed: %d\r\n",
                           lpErrno, FALSE, [&](SocketInfo& info, const WSPPROC_TABLE& next) {
                               return next.lpWSPGetQOSByName(info.ProviderSocket, lpQOSName, lpQOS,
                                                             lpErrno);
                           });
}

int WSPAPI WSPListen(SOCKET s, int backlog, LPINT lpErrno) {
    return ForwardOnSocket(s, "WSPListen: WPUQuerySocketHandleContext() failed: %d\r\n", lpErrno,
                           SOCKET_ERROR, [&](SocketInfo& info, const WSPPROC_TABLE& next) {
                               return next.lpWSPListen(info.ProviderSocket, backlog, lpErrno);
                           });
}

int WSPAPI WSPRecv(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount, LPDWORD lpNumberOfBytesRecvd,
                   LPDWORD lpFlags, LPWSAOVERLAPPED lpOverlapped,
                   LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine, LPWSATHREADID lpThreadId,
                   LPINT lpErrno) {
    return GuardEntry(lpErrno, SOCKET_ERROR, [&]() -> int {
        FrameLog().Write("WSPRecv", 4);
        SocketInfo* pInfo = QuerySocketInfo(s, nullptr, lpErrno);
        if (pInfo == nullptr) {
            LogFormat(1, "WSPRecv :: WPUQuerySocketHandleContext() failed: %d\r\n", *lpErrno);
            DebugOut("WSPRecv :: WPUQuerySocketHandleContext() failed: %d\r\n", *lpErrno);
            *lpErrno = WSAENOTSOCK;
            return SOCKET_ERROR;
        }
        if (lpOverlapped != nullptr) {
            return StartTransfer(*pInfo, s, kOpRecv, lpBuffers, dwBufferCount,
                                 lpFlags != nullptr ? *lpFlags : 0, lpOverlapped,
                                 lpCompletionRoutine, lpThreadId,
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
            LogFormat(*lpErrno == WSAEWOULDBLOCK ? 3 : 1, "WSPRecv :: WSPRecv failed ErrorCode=%d",
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

int WSPAPI WSPRecvDisconnect(SOCKET s, LPWSABUF lpInboundDisconnectData, LPINT lpErrno) {
    return ForwardOnSocket(s, "WSPRecvDisconnect: WPUQuerySocketHandleContext() failed: %d\r\n",
                           lpErrno, SOCKET_ERROR, [&](SocketInfo& info, const WSPPROC_TABLE& next) {
                               return next.lpWSPRecvDisconnect(info.ProviderSocket,
                                                               lpInboundDisconnectData, lpErrno);
                           });
}

int WSPAPI WSPRecvFrom(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount,
                       LPDWORD lpNumberOfBytesRecvd, LPDWORD lpFlags, sockaddr* lpFrom,
                       LPINT lpFromlen, LPWSAOVERLAPPED lpOverlapped,
                       LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine,
                       LPWSATHREADID lpThreadId, LPINT lpErrno) {
    return ForwardOnSocket(
        s, "WSPRecvFrom: WPUQuerySocketHandleContext() failed: %d\r\n", lpErrno, SOCKET_ERROR,
        [&](SocketInfo& info, const WSPPROC_TABLE& next) {
            if (lpOverlapped != nullptr) {
                return StartTransfer(info, s, kOpRecvFrom, lpBuffers, dwBufferCount,
                                     lpFlags != nullptr ? *lpFlags : 0, lpOverlapped,
                                     lpCompletionRoutine, lpThreadId,
                                     "WSPRecvFrom: GetOverlappedStructure() returned NULL\r\n",
                                     lpErrno, lpFrom, lpFromlen);
            }
            const int iResult = next.lpWSPRecvFrom(
                info.ProviderSocket, lpBuffers, dwBufferCount, lpNumberOfBytesRecvd, lpFlags,
                lpFrom, lpFromlen, nullptr, lpCompletionRoutine, lpThreadId, lpErrno);
            if (iResult == 0) {
                info.BytesRecv += *lpNumberOfBytesRecvd;
            }
            return iResult;
        });
}

int WSPAPI WSPSend(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount, LPDWORD lpNumberOfBytesSent,
                   DWORD dwFlags, LPWSAOVERLAPPED lpOverlapped,
                   LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine, LPWSATHREADID lpThreadId,
                   LPINT lpErrno) {
    DebugOut("WSPSend\n");
    return GuardEntry(lpErrno, SOCKET_ERROR, [&]() -> int {
        SocketInfo* pInfo = QuerySocketInfo(s, nullptr, lpErrno);
        if (pInfo == nullptr) {
            DebugOut("WSPSend    :: WPUQuerySocketHandleContext() failed: %d\r\n", *lpErrno);
            LogFormat(1, "WSPSend    :: WPUQuerySocketHandleContext() failed: %d\r\n", *lpErrno);
            *lpErrno = WSAENOTSOCK;
            return SOCKET_ERROR;
        }
        // Overlapped sends pass unexamined.
        if (lpOverlapped != nullptr) {
            return StartTransfer(*pInfo, s, kOpSend, lpBuffers, dwBufferCount, dwFlags,
                                 lpOverlapped, lpCompletionRoutine, lpThreadId,
                                 "WSPSend: GetOverlappedStructure() returned NULL\r\n", lpErrno);
        }
        if (dwBufferCount > 0 && lpBuffers != nullptr) {
            FilterSend(s, lpBuffers[0]);
        }
        const CCallProviderScope slot(pInfo->Provider);
        const int iResult = pInfo->Provider->NextProcTable.lpWSPSend(
            pInfo->ProviderSocket, lpBuffers, dwBufferCount, lpNumberOfBytesSent, dwFlags, nullptr,
            lpCompletionRoutine, lpThreadId, lpErrno);
        if (iResult == SOCKET_ERROR) {
            LogFormat(1, "WSPSend    :: WSPSend Failed ErrorCode=%d ReturnCode=%d", *lpErrno, -1);
        } else {
            pInfo->BytesSent += *lpNumberOfBytesSent;
        }
        return iResult;
    });
}

int WSPAPI WSPSendDisconnect(SOCKET s, LPWSABUF lpOutboundDisconnectData, LPINT lpErrno) {
    return ForwardOnSocket(s, "WSPSendDisconnect: WPUQuerySocketHandleContext() failed: %d\r\n",
                           lpErrno, SOCKET_ERROR, [&](SocketInfo& info, const WSPPROC_TABLE& next) {
                               return next.lpWSPSendDisconnect(info.ProviderSocket,
                                                               lpOutboundDisconnectData, lpErrno);
                           });
}

int WSPAPI WSPSendTo(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount, LPDWORD lpNumberOfBytesSent,
                     DWORD dwFlags, const sockaddr* lpTo, int iTolen, LPWSAOVERLAPPED lpOverlapped,
                     LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine,
                     LPWSATHREADID lpThreadId, LPINT lpErrno) {
    return ForwardOnSocket(
        s, "WSPSendTo: WPUQuerySocketHandleContext() failed: %d\r\n", lpErrno, SOCKET_ERROR,
        [&](SocketInfo& info, const WSPPROC_TABLE& next) {
            if (lpOverlapped != nullptr) {
                return StartTransfer(info, s, kOpSendTo, lpBuffers, dwBufferCount, dwFlags,
                                     lpOverlapped, lpCompletionRoutine, lpThreadId,
                                     "WSPSendto: GetOverlappedStructure() returned NULL\r\n",
                                     lpErrno, const_cast<sockaddr*>(lpTo), nullptr, iTolen);
            }
            const int iResult = next.lpWSPSendTo(info.ProviderSocket, lpBuffers, dwBufferCount,
                                                 lpNumberOfBytesSent, dwFlags, lpTo, iTolen,
                                                 nullptr, lpCompletionRoutine, lpThreadId, lpErrno);
            if (iResult == 0) {
                info.BytesSent += *lpNumberOfBytesSent;
            }
            return iResult;
        });
}

int WSPAPI WSPShutdown(SOCKET s, int how, LPINT lpErrno) {
    return ForwardOnSocket(s, "WSPShutdown: WPUQuerySocketHandleContext() failed: %d\r\n", lpErrno,
                           SOCKET_ERROR, [&](SocketInfo& info, const WSPPROC_TABLE& next) {
                               return next.lpWSPShutdown(info.ProviderSocket, how, lpErrno);
                           });
}
