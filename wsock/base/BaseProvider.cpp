// The stand-in base provider: every WSP entry over the platform's real sockets (Wine's
// ws2_32), so that the sockets a layer sits on are kernel sockets. Handles are returned as the
// platform issued them (an IFS-style provider), and errors are the platform's own.
#include <winsock2.h>
#include <windows.h>
#include <ws2spi.h>

#include <cwchar>

namespace {

// Wine marks a duplicated socket's record this way and carries the target's handle in
// dwServiceFlags3; the handle moves on in the provider-reserved word of our own record.
constexpr DWORD kWineDuplicateMark = 0xff00ff00;

int Fail(LPINT lpErrno) noexcept {
    *lpErrno = ::WSAGetLastError();
    return SOCKET_ERROR;
}

int Result(int iResult, LPINT lpErrno) noexcept {
    return iResult == SOCKET_ERROR ? Fail(lpErrno) : iResult;
}

SOCKET WSPAPI BaseAccept(SOCKET s, sockaddr* addr, LPINT addrlen, LPCONDITIONPROC lpfnCondition,
                         DWORD_PTR dwCallbackData, LPINT lpErrno) {
    const SOCKET sNew = ::WSAAccept(s, addr, addrlen, lpfnCondition, dwCallbackData);
    if (sNew == INVALID_SOCKET) {
        *lpErrno = ::WSAGetLastError();
    }
    return sNew;
}

INT WSPAPI BaseAddressToString(LPSOCKADDR lpsaAddress, DWORD dwAddressLength, LPWSAPROTOCOL_INFOW,
                               LPWSTR lpszAddressString, LPDWORD lpdwAddressStringLength,
                               LPINT lpErrno) {
    return Result(::WSAAddressToStringW(lpsaAddress, dwAddressLength, nullptr, lpszAddressString,
                                        lpdwAddressStringLength),
                  lpErrno);
}

int WSPAPI BaseAsyncSelect(SOCKET s, HWND hWnd, unsigned int wMsg, long lEvent, LPINT lpErrno) {
    return Result(::WSAAsyncSelect(s, hWnd, wMsg, lEvent), lpErrno);
}

int WSPAPI BaseBind(SOCKET s, const sockaddr* name, int namelen, LPINT lpErrno) {
    return Result(::bind(s, name, namelen), lpErrno);
}

// Winsock 2 has no blocking hooks; there is never a call to cancel.
int WSPAPI BaseCancelBlockingCall(LPINT) {
    return 0;
}

int WSPAPI BaseCleanup(LPINT lpErrno) {
    return Result(::WSACleanup(), lpErrno);
}

int WSPAPI BaseCloseSocket(SOCKET s, LPINT lpErrno) {
    return Result(::closesocket(s), lpErrno);
}

int WSPAPI BaseConnect(SOCKET s, const sockaddr* name, int namelen, LPWSABUF lpCallerData,
                       LPWSABUF lpCalleeData, LPQOS lpSQOS, LPQOS lpGQOS, LPINT lpErrno) {
    return Result(::WSAConnect(s, name, namelen, lpCallerData, lpCalleeData, lpSQOS, lpGQOS),
                  lpErrno);
}

int WSPAPI BaseDuplicateSocket(SOCKET s, DWORD dwProcessId, LPWSAPROTOCOL_INFOW lpProtocolInfo,
                               LPINT lpErrno) {
    WSAPROTOCOL_INFOW platform{};
    if (::WSADuplicateSocketW(s, dwProcessId, &platform) == SOCKET_ERROR) {
        return Fail(lpErrno);
    }
    if (platform.dwServiceFlags4 != kWineDuplicateMark) {
        *lpErrno = WSAEINVAL;
        return SOCKET_ERROR;
    }
    // The caller's record is the catalogue record of this socket; only the reserved word
    // changes, so that the target's socket request comes back to this provider.
    lpProtocolInfo->dwProviderReserved = platform.dwServiceFlags3;
    return 0;
}

int WSPAPI BaseEnumNetworkEvents(SOCKET s, WSAEVENT hEventObject,
                                 LPWSANETWORKEVENTS lpNetworkEvents, LPINT lpErrno) {
    return Result(::WSAEnumNetworkEvents(s, hEventObject, lpNetworkEvents), lpErrno);
}

int WSPAPI BaseEventSelect(SOCKET s, WSAEVENT hEventObject, long lNetworkEvents, LPINT lpErrno) {
    return Result(::WSAEventSelect(s, hEventObject, lNetworkEvents), lpErrno);
}

BOOL WSPAPI BaseGetOverlappedResult(SOCKET s, LPWSAOVERLAPPED lpOverlapped, LPDWORD lpcbTransfer,
                                    BOOL fWait, LPDWORD lpdwFlags, LPINT lpErrno) {
    const BOOL bOk = ::WSAGetOverlappedResult(s, lpOverlapped, lpcbTransfer, fWait, lpdwFlags);
    if (!bOk) {
        *lpErrno = ::WSAGetLastError();
    }
    return bOk;
}

int WSPAPI BaseGetPeerName(SOCKET s, sockaddr* name, LPINT namelen, LPINT lpErrno) {
    return Result(::getpeername(s, name, namelen), lpErrno);
}

int WSPAPI BaseGetSockName(SOCKET s, sockaddr* name, LPINT namelen, LPINT lpErrno) {
    return Result(::getsockname(s, name, namelen), lpErrno);
}

int WSPAPI BaseGetSockOpt(SOCKET s, int level, int optname, char* optval, LPINT optlen,
                          LPINT lpErrno) {
    return Result(::getsockopt(s, level, optname, optval, optlen), lpErrno);
}

BOOL WSPAPI BaseGetQOSByName(SOCKET s, LPWSABUF lpQOSName, LPQOS lpQOS, LPINT lpErrno) {
    const BOOL bOk = ::WSAGetQOSByName(s, lpQOSName, lpQOS);
    if (!bOk) {
        *lpErrno = ::WSAGetLastError();
    }
    return bOk;
}

int WSPAPI BaseIoctl(SOCKET s, DWORD dwIoControlCode, LPVOID lpvInBuffer, DWORD cbInBuffer,
                     LPVOID lpvOutBuffer, DWORD cbOutBuffer, LPDWORD lpcbBytesReturned,
                     LPWSAOVERLAPPED lpOverlapped,
                     LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine, LPWSATHREADID,
                     LPINT lpErrno) {
    return Result(::WSAIoctl(s, dwIoControlCode, lpvInBuffer, cbInBuffer, lpvOutBuffer, cbOutBuffer,
                             lpcbBytesReturned, lpOverlapped, lpCompletionRoutine),
                  lpErrno);
}

SOCKET WSPAPI BaseJoinLeaf(SOCKET s, const sockaddr* name, int namelen, LPWSABUF lpCallerData,
                           LPWSABUF lpCalleeData, LPQOS lpSQOS, LPQOS lpGQOS, DWORD dwFlags,
                           LPINT lpErrno) {
    const SOCKET sLeaf =
        ::WSAJoinLeaf(s, name, namelen, lpCallerData, lpCalleeData, lpSQOS, lpGQOS, dwFlags);
    if (sLeaf == INVALID_SOCKET) {
        *lpErrno = ::WSAGetLastError();
    }
    return sLeaf;
}

int WSPAPI BaseListen(SOCKET s, int backlog, LPINT lpErrno) {
    return Result(::listen(s, backlog), lpErrno);
}

int WSPAPI BaseRecv(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount, LPDWORD lpNumberOfBytesRecvd,
                    LPDWORD lpFlags, LPWSAOVERLAPPED lpOverlapped,
                    LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine, LPWSATHREADID,
                    LPINT lpErrno) {
    return Result(::WSARecv(s, lpBuffers, dwBufferCount, lpNumberOfBytesRecvd, lpFlags,
                            lpOverlapped, lpCompletionRoutine),
                  lpErrno);
}

int WSPAPI BaseRecvDisconnect(SOCKET s, LPWSABUF lpInboundDisconnectData, LPINT lpErrno) {
    return Result(::WSARecvDisconnect(s, lpInboundDisconnectData), lpErrno);
}

int WSPAPI BaseRecvFrom(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount,
                        LPDWORD lpNumberOfBytesRecvd, LPDWORD lpFlags, sockaddr* lpFrom,
                        LPINT lpFromlen, LPWSAOVERLAPPED lpOverlapped,
                        LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine, LPWSATHREADID,
                        LPINT lpErrno) {
    return Result(::WSARecvFrom(s, lpBuffers, dwBufferCount, lpNumberOfBytesRecvd, lpFlags, lpFrom,
                                lpFromlen, lpOverlapped, lpCompletionRoutine),
                  lpErrno);
}

int WSPAPI BaseSelect(int nfds, fd_set* readfds, fd_set* writefds, fd_set* exceptfds,
                      const PTIMEVAL timeout, LPINT lpErrno) {
    return Result(::select(nfds, readfds, writefds, exceptfds, timeout), lpErrno);
}

int WSPAPI BaseSend(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount, LPDWORD lpNumberOfBytesSent,
                    DWORD dwFlags, LPWSAOVERLAPPED lpOverlapped,
                    LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine, LPWSATHREADID,
                    LPINT lpErrno) {
    return Result(::WSASend(s, lpBuffers, dwBufferCount, lpNumberOfBytesSent, dwFlags, lpOverlapped,
                            lpCompletionRoutine),
                  lpErrno);
}

int WSPAPI BaseSendDisconnect(SOCKET s, LPWSABUF lpOutboundDisconnectData, LPINT lpErrno) {
    return Result(::WSASendDisconnect(s, lpOutboundDisconnectData), lpErrno);
}

int WSPAPI BaseSendTo(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount,
                      LPDWORD lpNumberOfBytesSent, DWORD dwFlags, const sockaddr* lpTo, int iTolen,
                      LPWSAOVERLAPPED lpOverlapped,
                      LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine, LPWSATHREADID,
                      LPINT lpErrno) {
    return Result(::WSASendTo(s, lpBuffers, dwBufferCount, lpNumberOfBytesSent, dwFlags, lpTo,
                              iTolen, lpOverlapped, lpCompletionRoutine),
                  lpErrno);
}

int WSPAPI BaseSetSockOpt(SOCKET s, int level, int optname, const char* optval, int optlen,
                          LPINT lpErrno) {
    return Result(::setsockopt(s, level, optname, optval, optlen), lpErrno);
}

int WSPAPI BaseShutdown(SOCKET s, int how, LPINT lpErrno) {
    return Result(::shutdown(s, how), lpErrno);
}

SOCKET WSPAPI BaseSocket(int af, int type, int protocol, LPWSAPROTOCOL_INFOW lpProtocolInfo,
                         GROUP g, DWORD dwFlags, LPINT lpErrno) {
    if (lpProtocolInfo != nullptr && lpProtocolInfo->dwProviderReserved != 0) {
        // A socket duplicated into this process: the platform already made the handle.
        return static_cast<SOCKET>(lpProtocolInfo->dwProviderReserved);
    }
    // An unspecified family or type is the record's, as for any provider given its record.
    if ((af == FROM_PROTOCOL_INFO || af == AF_UNSPEC) && lpProtocolInfo != nullptr) {
        af = lpProtocolInfo->iAddressFamily;
    }
    if ((type == FROM_PROTOCOL_INFO || type == 0) && lpProtocolInfo != nullptr) {
        type = lpProtocolInfo->iSocketType;
    }
    if (protocol == FROM_PROTOCOL_INFO && lpProtocolInfo != nullptr) {
        protocol = lpProtocolInfo->iProtocol;
    }
    const SOCKET s = ::WSASocketW(af, type, protocol, nullptr, g, dwFlags);
    if (s == INVALID_SOCKET) {
        *lpErrno = ::WSAGetLastError();
    }
    return s;
}

INT WSPAPI BaseStringToAddress(LPWSTR AddressString, INT AddressFamily, LPWSAPROTOCOL_INFOW,
                               LPSOCKADDR lpAddress, LPINT lpAddressLength, LPINT lpErrno) {
    return Result(
        ::WSAStringToAddressW(AddressString, AddressFamily, nullptr, lpAddress, lpAddressLength),
        lpErrno);
}

constexpr WSPPROC_TABLE kProcTable = {
    BaseAccept,
    BaseAddressToString,
    BaseAsyncSelect,
    BaseBind,
    BaseCancelBlockingCall,
    BaseCleanup,
    BaseCloseSocket,
    BaseConnect,
    BaseDuplicateSocket,
    BaseEnumNetworkEvents,
    BaseEventSelect,
    BaseGetOverlappedResult,
    BaseGetPeerName,
    BaseGetSockName,
    BaseGetSockOpt,
    BaseGetQOSByName,
    BaseIoctl,
    BaseJoinLeaf,
    BaseListen,
    BaseRecv,
    BaseRecvDisconnect,
    BaseRecvFrom,
    BaseSelect,
    BaseSend,
    BaseSendDisconnect,
    BaseSendTo,
    BaseSetSockOpt,
    BaseShutdown,
    BaseSocket,
    BaseStringToAddress,
};

}  // namespace

extern "C" int WSPAPI WSPStartup(WORD wVersionRequested, LPWSPDATA lpWSPData, LPWSAPROTOCOL_INFOW,
                                 WSPUPCALLTABLE, LPWSPPROC_TABLE lpProcTable) {
    if (LOBYTE(wVersionRequested) < 2) {
        return WSAVERNOTSUPPORTED;
    }
    WSADATA data{};
    // Each start-up is matched by the WSACleanup in BaseCleanup.
    const int iResult = ::WSAStartup(MAKEWORD(2, 2), &data);
    if (iResult != 0) {
        return iResult;
    }
    lpWSPData->wVersion = MAKEWORD(2, 2);
    lpWSPData->wHighVersion = MAKEWORD(2, 2);
    std::wcsncpy(lpWSPData->szDescription, L"Stand-in base provider over the platform's sockets",
                 WSPDESCRIPTION_LEN);
    *lpProcTable = kProcTable;
    return 0;
}
