// Entries that only translate the socket handle, plus the few that also translate a protocol
// record, answer without a socket, or hand overlapped datagram calls to the manager.
#include "filter/core/FilterHooks.h"
#include "filter/frame/CallProviderScope.h"
#include "filter/frame/Entries.h"
#include "filter/frame/Forward.h"
#include "filter/frame/OverlappedRequest.h"

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
    return ForwardOnSocket(s, {"WSPBind: WPUQuerySocketHandleContext() failed: "}, lpErrno,
                           SOCKET_ERROR, [&](SocketInfo& info, const WSPPROC_TABLE& next) {
                               return next.lpWSPBind(info.ProviderSocket, name, namelen, lpErrno);
                           });
}

int WSPAPI WSPCancelBlockingCall(LPINT lpErrno) {
    ProviderInfo* pProvider = CallingProvider();
    return pProvider != nullptr ? pProvider->NextProcTable.lpWSPCancelBlockingCall(lpErrno) : 0;
}

int WSPAPI WSPDuplicateSocket(SOCKET s, DWORD dwProcessId, LPWSAPROTOCOL_INFOW lpProtocolInfo,
                              LPINT lpErrno) {
    return ForwardOnSocket(s, {"WSPDuplicateSocket: WPUQuerySocketHandle() failed: "}, lpErrno,
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
    return ForwardOnSocket(s, {"WSPEnumNetworkEvents: WPUQuerySocketHandleContext() failed: "},
                           lpErrno, SOCKET_ERROR, [&](SocketInfo& info, const WSPPROC_TABLE& next) {
                               return next.lpWSPEnumNetworkEvents(info.ProviderSocket, hEventObject,
                                                                  lpNetworkEvents, lpErrno);
                           });
}

int WSPAPI WSPEventSelect(SOCKET s, WSAEVENT hEventObject, long lNetworkEvents, LPINT lpErrno) {
    return ForwardOnSocket(s, {"WSPEventSelect: WPUQuerySocketHandleContext() failed: "}, lpErrno,
                           SOCKET_ERROR, [&](SocketInfo& info, const WSPPROC_TABLE& next) {
                               return next.lpWSPEventSelect(info.ProviderSocket, hEventObject,
                                                            lNetworkEvents, lpErrno);
                           });
}

int WSPAPI WSPGetPeerName(SOCKET s, sockaddr* name, LPINT namelen, LPINT lpErrno) {
    return ForwardOnSocket(s, {"WSPGetPeerName: WPUQuerySocketHandleContext() failed: "}, lpErrno,
                           SOCKET_ERROR, [&](SocketInfo& info, const WSPPROC_TABLE& next) {
                               return next.lpWSPGetPeerName(info.ProviderSocket, name, namelen,
                                                            lpErrno);
                           });
}

int WSPAPI WSPGetSockName(SOCKET s, sockaddr* name, LPINT namelen, LPINT lpErrno) {
    return ForwardOnSocket(s, {"WSPGetSockName: WPUQuerySocketHandleContext() failed: "}, lpErrno,
                           SOCKET_ERROR, [&](SocketInfo& info, const WSPPROC_TABLE& next) {
                               return next.lpWSPGetSockName(info.ProviderSocket, name, namelen,
                                                            lpErrno);
                           });
}

BOOL WSPAPI WSPGetQOSByName(SOCKET s, LPWSABUF lpQOSName, LPQOS lpQOS, LPINT lpErrno) {
    return ForwardOnSocket(s, {"WSPGetQOSByName: WPUQuerySocketHandleContext() failed: "}, lpErrno,
                           FALSE, [&](SocketInfo& info, const WSPPROC_TABLE& next) {
                               return next.lpWSPGetQOSByName(info.ProviderSocket, lpQOSName, lpQOS,
                                                             lpErrno);
                           });
}

int WSPAPI WSPListen(SOCKET s, int backlog, LPINT lpErrno) {
    return ForwardOnSocket(s, {"WSPListen: WPUQuerySocketHandleContext() failed: "}, lpErrno,
                           SOCKET_ERROR, [&](SocketInfo& info, const WSPPROC_TABLE& next) {
                               return next.lpWSPListen(info.ProviderSocket, backlog, lpErrno);
                           });
}

int WSPAPI WSPRecvDisconnect(SOCKET s, LPWSABUF lpInboundDisconnectData, LPINT lpErrno) {
    return ForwardOnSocket(s, {"WSPRecvDisconnect: WPUQuerySocketHandleContext() failed: "},
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
        s, {"WSPRecvFrom: WPUQuerySocketHandleContext() failed: "}, lpErrno, SOCKET_ERROR,
        [&](SocketInfo& info, const WSPPROC_TABLE& next) {
            if (lpOverlapped != nullptr) {
                return StartOverlappedTransfer(
                    info, s,
                    {kOpRecvFrom, lpBuffers, dwBufferCount, lpFlags != nullptr ? *lpFlags : 0,
                     lpFrom, lpFromlen},
                    lpOverlapped, lpCompletionRoutine, lpThreadId,
                    "WSPRecvFrom: GetOverlappedStructure() returned NULL\r\n", lpErrno);
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

int WSPAPI WSPSendDisconnect(SOCKET s, LPWSABUF lpOutboundDisconnectData, LPINT lpErrno) {
    return ForwardOnSocket(s, {"WSPSendDisconnect: WPUQuerySocketHandleContext() failed: "},
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
        s, {"WSPSendTo: WPUQuerySocketHandleContext() failed: "}, lpErrno, SOCKET_ERROR,
        [&](SocketInfo& info, const WSPPROC_TABLE& next) {
            if (CarriesDatagrams(*info.Provider) &&
                FilterRefusesDatagram(s, lpBuffers, dwBufferCount, lpTo, iTolen)) {
                *lpErrno = WSAEACCES;
                return SOCKET_ERROR;
            }
            if (lpOverlapped != nullptr) {
                // The address is only read: the record's field serves send-to and
                // receive-from alike.
                return StartOverlappedTransfer(
                    info, s,
                    {kOpSendTo, lpBuffers, dwBufferCount, dwFlags, const_cast<sockaddr*>(lpTo),
                     nullptr, iTolen},
                    lpOverlapped, lpCompletionRoutine, lpThreadId,
                    "WSPSendto: GetOverlappedStructure() returned NULL\r\n", lpErrno);
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
    return ForwardOnSocket(s, {"WSPShutdown: WPUQuerySocketHandleContext() failed: "}, lpErrno,
                           SOCKET_ERROR, [&](SocketInfo& info, const WSPPROC_TABLE& next) {
                               return next.lpWSPShutdown(info.ProviderSocket, how, lpErrno);
                           });
}
