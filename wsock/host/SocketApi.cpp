// The application-facing socket calls of the stand-in. Each turns the application's handle
// into its owning provider and makes the matching WSP call; errors come back through
// WSASetLastError as from the system's Winsock. No exception leaves an export.
#include <winsock2.h>
#include <windows.h>
#include <ws2spi.h>

#include <cstddef>
#include <cstring>
#include <utility>

#include "win/UniqueHandle.h"
#include "wsock/host/CatalogCache.h"
#include "wsock/host/ProviderHost.h"
#include "wsock/host/Selection.h"

using wsock::CatalogRecord;
using wsock::CProviderHost;
using wsock::HostProvider;
using wsock::SocketOwner;

namespace {

CProviderHost& Host() {
    return CProviderHost::Instance();
}

int FailWith(int iError) noexcept {
    ::SetLastError(static_cast<DWORD>(iError));
    return SOCKET_ERROR;
}

SOCKET FailSocket(int iError) noexcept {
    ::SetLastError(static_cast<DWORD>(iError));
    return INVALID_SOCKET;
}

// Runs f(table, owner, &error) for the provider that owns s; f returns the WSP result.
template <class F>
auto OnSocket(SOCKET s, F f) noexcept
    -> decltype(f(std::declval<const WSPPROC_TABLE&>(), std::declval<const SocketOwner&>(),
                  static_cast<int*>(nullptr))) {
    using Result = decltype(f(std::declval<const WSPPROC_TABLE&>(),
                              std::declval<const SocketOwner&>(), static_cast<int*>(nullptr)));
    const Result failed = static_cast<Result>(SOCKET_ERROR);
    try {
        if (!Host().IsStarted()) {
            FailWith(WSANOTINITIALISED);
            return failed;
        }
        const SocketOwner owner = Host().Owner(s);
        if (owner.provider == nullptr) {
            FailWith(WSAENOTSOCK);
            return failed;
        }
        int iError = 0;
        const Result result = f(owner.provider->table, owner, &iError);
        if (result == failed) {
            FailWith(iError);
        }
        return result;
    } catch (...) {
        FailWith(WSAENOBUFS);
        return failed;
    }
}

// The calling thread's identity for providers that complete through APCs; opened once.
struct ThreadIdentity {
    CHandle thread;
    WSATHREADID id{};
    ThreadIdentity() {
        HANDLE hThread = nullptr;
        ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(),
                          &hThread, 0, FALSE, DUPLICATE_SAME_ACCESS);
        thread.Reset(hThread);
        id.ThreadHandle = hThread;
    }
};

LPWSATHREADID ThreadIdFor(LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine) {
    if (lpCompletionRoutine == nullptr) {
        return nullptr;
    }
    thread_local ThreadIdentity s_identity;
    return &s_identity.id;
}

SOCKET AdoptAccepted(SOCKET sNew, const SocketOwner& owner) {
    if (sNew != INVALID_SOCKET) {
        Host().Adopt(sNew, owner);
    }
    return sNew;
}

// The record a call without a socket is served by: the caller's, else the family's first.
bool RecordForAddress(const WSAPROTOCOL_INFOW* lpProtocolInfo, int af, CatalogRecord* pRecord) {
    const auto pCatalog = wsock::CCatalogCache::Instance().Current();
    const CatalogRecord* pFound =
        lpProtocolInfo != nullptr
            ? wsock::SelectRecord(pCatalog->records, 0, 0, 0, lpProtocolInfo).record
            : wsock::SelectByFamily(pCatalog->records, af);
    if (pFound == nullptr) {
        return false;
    }
    *pRecord = *pFound;
    return true;
}

}  // namespace

extern "C" {

int WSAAPI WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData) {
    if (LOBYTE(wVersionRequested) < 1 ||
        (LOBYTE(wVersionRequested) == 1 && HIBYTE(wVersionRequested) < 1)) {
        return WSAVERNOTSUPPORTED;
    }
    if (lpWSAData == nullptr) {
        return WSAEFAULT;
    }
    std::memset(lpWSAData, 0, sizeof *lpWSAData);
    lpWSAData->wVersion = LOBYTE(wVersionRequested) >= 2 ? MAKEWORD(2, 2) : wVersionRequested;
    lpWSAData->wHighVersion = MAKEWORD(2, 2);
    std::strcpy(lpWSAData->szDescription, "WinSock 2.0 provider host stand-in");
    std::strcpy(lpWSAData->szSystemStatus, "Running");
    return Host().Startup();
}

int WSAAPI WSACleanup() {
    try {
        return Host().Cleanup() ? 0 : FailWith(WSANOTINITIALISED);
    } catch (...) {
        return FailWith(WSAENOBUFS);
    }
}

SOCKET WSAAPI WSASocketW(int af, int type, int protocol, LPWSAPROTOCOL_INFOW lpProtocolInfo,
                         GROUP g, DWORD dwFlags) {
    try {
        if (!Host().IsStarted()) {
            return FailSocket(WSANOTINITIALISED);
        }
        const auto pCatalog = wsock::CCatalogCache::Instance().Current();
        const wsock::Selection chosen =
            wsock::SelectRecord(pCatalog->records, af, type, protocol, lpProtocolInfo);
        if (chosen.record == nullptr) {
            return FailSocket(chosen.error);
        }
        int iError = 0;
        HostProvider* pProvider = Host().ProviderFor(*chosen.record, &iError);
        if (pProvider == nullptr) {
            return FailSocket(iError);
        }
        // The provider sees the caller's record when one was given (it may carry a
        // duplicated socket), else the catalogue's.
        WSAPROTOCOL_INFOW info = lpProtocolInfo != nullptr ? *lpProtocolInfo : chosen.record->info;
        const SOCKET s =
            pProvider->table.lpWSPSocket(af, type, protocol, &info, g, dwFlags, &iError);
        if (s == INVALID_SOCKET) {
            return FailSocket(iError);
        }
        Host().Adopt(s, {pProvider, chosen.record->info.dwCatalogEntryId});
        return s;
    } catch (...) {
        return FailSocket(WSAENOBUFS);
    }
}

SOCKET WSAAPI WSASocketA(int af, int type, int protocol, LPWSAPROTOCOL_INFOA lpProtocolInfo,
                         GROUP g, DWORD dwFlags) {
    if (lpProtocolInfo == nullptr) {
        return WSASocketW(af, type, protocol, nullptr, g, dwFlags);
    }
    // The records differ only in the protocol name's characters.
    WSAPROTOCOL_INFOW info{};
    std::memcpy(&info, lpProtocolInfo, offsetof(WSAPROTOCOL_INFOA, szProtocol));
    ::MultiByteToWideChar(CP_ACP, 0, lpProtocolInfo->szProtocol, -1, info.szProtocol,
                          WSAPROTOCOL_LEN + 1);
    return WSASocketW(af, type, protocol, &info, g, dwFlags);
}

SOCKET WSAAPI socket(int af, int type, int protocol) {
    return WSASocketW(af, type, protocol, nullptr, 0, WSA_FLAG_OVERLAPPED);
}

int WSAAPI closesocket(SOCKET s) {
    // The handle is forgotten before the provider closes it: once closed, its value may be
    // issued again at once to a socket another thread creates.
    return OnSocket(s, [s](const WSPPROC_TABLE& t, const SocketOwner& owner, int* e) {
        Host().Forget(s);
        const int iResult = t.lpWSPCloseSocket(s, e);
        if (iResult != 0) {
            Host().Adopt(s, owner);
        }
        return iResult;
    });
}

int WSAAPI bind(SOCKET s, const sockaddr* name, int namelen) {
    return OnSocket(s, [&](const WSPPROC_TABLE& t, const SocketOwner&, int* e) {
        return t.lpWSPBind(s, name, namelen, e);
    });
}

int WSAAPI listen(SOCKET s, int backlog) {
    return OnSocket(s, [&](const WSPPROC_TABLE& t, const SocketOwner&, int* e) {
        return t.lpWSPListen(s, backlog, e);
    });
}

SOCKET WSAAPI WSAAccept(SOCKET s, sockaddr* addr, LPINT addrlen, LPCONDITIONPROC lpfnCondition,
                        DWORD_PTR dwCallbackData) {
    return OnSocket(s, [&](const WSPPROC_TABLE& t, const SocketOwner& owner, int* e) {
        return AdoptAccepted(t.lpWSPAccept(s, addr, addrlen, lpfnCondition, dwCallbackData, e),
                             owner);
    });
}

SOCKET WSAAPI accept(SOCKET s, sockaddr* addr, int* addrlen) {
    return WSAAccept(s, addr, addrlen, nullptr, 0);
}

int WSAAPI WSAConnect(SOCKET s, const sockaddr* name, int namelen, LPWSABUF lpCallerData,
                      LPWSABUF lpCalleeData, LPQOS lpSQOS, LPQOS lpGQOS) {
    return OnSocket(s, [&](const WSPPROC_TABLE& t, const SocketOwner&, int* e) {
        return t.lpWSPConnect(s, name, namelen, lpCallerData, lpCalleeData, lpSQOS, lpGQOS, e);
    });
}

int WSAAPI connect(SOCKET s, const sockaddr* name, int namelen) {
    return WSAConnect(s, name, namelen, nullptr, nullptr, nullptr, nullptr);
}

int WSAAPI WSASend(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount, LPDWORD lpNumberOfBytesSent,
                   DWORD dwFlags, LPWSAOVERLAPPED lpOverlapped,
                   LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine) {
    return OnSocket(s, [&](const WSPPROC_TABLE& t, const SocketOwner&, int* e) {
        return t.lpWSPSend(s, lpBuffers, dwBufferCount, lpNumberOfBytesSent, dwFlags, lpOverlapped,
                           lpCompletionRoutine, ThreadIdFor(lpCompletionRoutine), e);
    });
}

int WSAAPI WSARecv(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount, LPDWORD lpNumberOfBytesRecvd,
                   LPDWORD lpFlags, LPWSAOVERLAPPED lpOverlapped,
                   LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine) {
    return OnSocket(s, [&](const WSPPROC_TABLE& t, const SocketOwner&, int* e) {
        return t.lpWSPRecv(s, lpBuffers, dwBufferCount, lpNumberOfBytesRecvd, lpFlags, lpOverlapped,
                           lpCompletionRoutine, ThreadIdFor(lpCompletionRoutine), e);
    });
}

int WSAAPI WSASendTo(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount, LPDWORD lpNumberOfBytesSent,
                     DWORD dwFlags, const sockaddr* lpTo, int iTolen, LPWSAOVERLAPPED lpOverlapped,
                     LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine) {
    return OnSocket(s, [&](const WSPPROC_TABLE& t, const SocketOwner&, int* e) {
        return t.lpWSPSendTo(s, lpBuffers, dwBufferCount, lpNumberOfBytesSent, dwFlags, lpTo,
                             iTolen, lpOverlapped, lpCompletionRoutine,
                             ThreadIdFor(lpCompletionRoutine), e);
    });
}

int WSAAPI WSARecvFrom(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount,
                       LPDWORD lpNumberOfBytesRecvd, LPDWORD lpFlags, sockaddr* lpFrom,
                       LPINT lpFromlen, LPWSAOVERLAPPED lpOverlapped,
                       LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine) {
    return OnSocket(s, [&](const WSPPROC_TABLE& t, const SocketOwner&, int* e) {
        return t.lpWSPRecvFrom(s, lpBuffers, dwBufferCount, lpNumberOfBytesRecvd, lpFlags, lpFrom,
                               lpFromlen, lpOverlapped, lpCompletionRoutine,
                               ThreadIdFor(lpCompletionRoutine), e);
    });
}

int WSAAPI send(SOCKET s, const char* buf, int len, int flags) {
    WSABUF wsabuf{static_cast<ULONG>(len), const_cast<char*>(buf)};
    DWORD dwSent = 0;
    if (WSASend(s, &wsabuf, 1, &dwSent, static_cast<DWORD>(flags), nullptr, nullptr) ==
        SOCKET_ERROR) {
        return SOCKET_ERROR;
    }
    return static_cast<int>(dwSent);
}

int WSAAPI recv(SOCKET s, char* buf, int len, int flags) {
    WSABUF wsabuf{static_cast<ULONG>(len), buf};
    DWORD dwReceived = 0;
    auto dwFlags = static_cast<DWORD>(flags);
    if (WSARecv(s, &wsabuf, 1, &dwReceived, &dwFlags, nullptr, nullptr) == SOCKET_ERROR) {
        return SOCKET_ERROR;
    }
    return static_cast<int>(dwReceived);
}

int WSAAPI sendto(SOCKET s, const char* buf, int len, int flags, const sockaddr* to, int tolen) {
    WSABUF wsabuf{static_cast<ULONG>(len), const_cast<char*>(buf)};
    DWORD dwSent = 0;
    if (WSASendTo(s, &wsabuf, 1, &dwSent, static_cast<DWORD>(flags), to, tolen, nullptr, nullptr) ==
        SOCKET_ERROR) {
        return SOCKET_ERROR;
    }
    return static_cast<int>(dwSent);
}

int WSAAPI recvfrom(SOCKET s, char* buf, int len, int flags, sockaddr* from, int* fromlen) {
    WSABUF wsabuf{static_cast<ULONG>(len), buf};
    DWORD dwReceived = 0;
    auto dwFlags = static_cast<DWORD>(flags);
    if (WSARecvFrom(s, &wsabuf, 1, &dwReceived, &dwFlags, from, fromlen, nullptr, nullptr) ==
        SOCKET_ERROR) {
        return SOCKET_ERROR;
    }
    return static_cast<int>(dwReceived);
}

int WSAAPI shutdown(SOCKET s, int how) {
    return OnSocket(s, [&](const WSPPROC_TABLE& t, const SocketOwner&, int* e) {
        return t.lpWSPShutdown(s, how, e);
    });
}

int WSAAPI select(int nfds, fd_set* readfds, fd_set* writefds, fd_set* exceptfds,
                  const PTIMEVAL timeout) {
    // As the system's Winsock does, the provider of the first socket named serves the call.
    SOCKET sFirst = INVALID_SOCKET;
    for (const fd_set* pSet : {readfds, writefds, exceptfds}) {
        if (pSet != nullptr && pSet->fd_count > 0) {
            sFirst = pSet->fd_array[0];
            break;
        }
    }
    if (sFirst == INVALID_SOCKET) {
        return FailWith(Host().IsStarted() ? WSAEINVAL : WSANOTINITIALISED);
    }
    return OnSocket(sFirst, [&](const WSPPROC_TABLE& t, const SocketOwner&, int* e) {
        return t.lpWSPSelect(nfds, readfds, writefds, exceptfds, timeout, e);
    });
}

int WSAAPI WSAIoctl(SOCKET s, DWORD dwIoControlCode, LPVOID lpvInBuffer, DWORD cbInBuffer,
                    LPVOID lpvOutBuffer, DWORD cbOutBuffer, LPDWORD lpcbBytesReturned,
                    LPWSAOVERLAPPED lpOverlapped,
                    LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine) {
    return OnSocket(s, [&](const WSPPROC_TABLE& t, const SocketOwner&, int* e) {
        return t.lpWSPIoctl(s, dwIoControlCode, lpvInBuffer, cbInBuffer, lpvOutBuffer, cbOutBuffer,
                            lpcbBytesReturned, lpOverlapped, lpCompletionRoutine,
                            ThreadIdFor(lpCompletionRoutine), e);
    });
}

int WSAAPI ioctlsocket(SOCKET s, long cmd, u_long* argp) {
    DWORD dwBytes = 0;
    return WSAIoctl(s, static_cast<DWORD>(cmd), argp, sizeof *argp, argp, sizeof *argp, &dwBytes,
                    nullptr, nullptr);
}

int WSAAPI getsockopt(SOCKET s, int level, int optname, char* optval, int* optlen) {
    return OnSocket(s, [&](const WSPPROC_TABLE& t, const SocketOwner&, int* e) {
        return t.lpWSPGetSockOpt(s, level, optname, optval, optlen, e);
    });
}

int WSAAPI setsockopt(SOCKET s, int level, int optname, const char* optval, int optlen) {
    return OnSocket(s, [&](const WSPPROC_TABLE& t, const SocketOwner&, int* e) {
        return t.lpWSPSetSockOpt(s, level, optname, optval, optlen, e);
    });
}

int WSAAPI getpeername(SOCKET s, sockaddr* name, int* namelen) {
    return OnSocket(s, [&](const WSPPROC_TABLE& t, const SocketOwner&, int* e) {
        return t.lpWSPGetPeerName(s, name, namelen, e);
    });
}

int WSAAPI getsockname(SOCKET s, sockaddr* name, int* namelen) {
    return OnSocket(s, [&](const WSPPROC_TABLE& t, const SocketOwner&, int* e) {
        return t.lpWSPGetSockName(s, name, namelen, e);
    });
}

int WSAAPI WSAAsyncSelect(SOCKET s, HWND hWnd, u_int wMsg, long lEvent) {
    return OnSocket(s, [&](const WSPPROC_TABLE& t, const SocketOwner&, int* e) {
        return t.lpWSPAsyncSelect(s, hWnd, wMsg, lEvent, e);
    });
}

int WSAAPI WSAEventSelect(SOCKET s, WSAEVENT hEventObject, long lNetworkEvents) {
    return OnSocket(s, [&](const WSPPROC_TABLE& t, const SocketOwner&, int* e) {
        return t.lpWSPEventSelect(s, hEventObject, lNetworkEvents, e);
    });
}

int WSAAPI WSAEnumNetworkEvents(SOCKET s, WSAEVENT hEventObject,
                                LPWSANETWORKEVENTS lpNetworkEvents) {
    return OnSocket(s, [&](const WSPPROC_TABLE& t, const SocketOwner&, int* e) {
        return t.lpWSPEnumNetworkEvents(s, hEventObject, lpNetworkEvents, e);
    });
}

BOOL WSAAPI WSAGetOverlappedResult(SOCKET s, LPWSAOVERLAPPED lpOverlapped, LPDWORD lpcbTransfer,
                                   BOOL fWait, LPDWORD lpdwFlags) {
    // OnSocket treats SOCKET_ERROR as failure; FALSE is this call's failure.
    const int iResult = OnSocket(s, [&](const WSPPROC_TABLE& t, const SocketOwner&, int* e) {
        return t.lpWSPGetOverlappedResult(s, lpOverlapped, lpcbTransfer, fWait, lpdwFlags, e)
                   ? 0
                   : SOCKET_ERROR;
    });
    return iResult == 0 ? TRUE : FALSE;
}

int WSAAPI WSADuplicateSocketW(SOCKET s, DWORD dwProcessId, LPWSAPROTOCOL_INFOW lpProtocolInfo) {
    if (lpProtocolInfo == nullptr) {
        return FailWith(WSAEFAULT);
    }
    return OnSocket(s, [&](const WSPPROC_TABLE& t, const SocketOwner& owner, int* e) {
        // The provider starts from the socket's own catalogue record and adjusts it.
        const auto pCatalog = wsock::CCatalogCache::Instance().Current();
        const CatalogRecord* pRecord = wsock::FindEntry(pCatalog->records, owner.catalogEntryId);
        if (pRecord == nullptr) {
            *e = WSAEINVAL;
            return SOCKET_ERROR;
        }
        *lpProtocolInfo = pRecord->info;
        return t.lpWSPDuplicateSocket(s, dwProcessId, lpProtocolInfo, e);
    });
}

INT WSAAPI WSAAddressToStringW(LPSOCKADDR lpsaAddress, DWORD dwAddressLength,
                               LPWSAPROTOCOL_INFOW lpProtocolInfo, LPWSTR lpszAddressString,
                               LPDWORD lpdwAddressStringLength) {
    try {
        if (!Host().IsStarted()) {
            return FailWith(WSANOTINITIALISED);
        }
        if (lpsaAddress == nullptr || lpdwAddressStringLength == nullptr) {
            return FailWith(WSAEFAULT);
        }
        CatalogRecord record{};
        if (!RecordForAddress(lpProtocolInfo, lpsaAddress->sa_family, &record)) {
            return FailWith(WSAEINVAL);
        }
        int iError = 0;
        HostProvider* pProvider = Host().ProviderFor(record, &iError);
        if (pProvider == nullptr) {
            return FailWith(iError);
        }
        const int iResult = pProvider->table.lpWSPAddressToString(lpsaAddress, dwAddressLength,
                                                                  &record.info, lpszAddressString,
                                                                  lpdwAddressStringLength, &iError);
        return iResult == SOCKET_ERROR ? FailWith(iError) : iResult;
    } catch (...) {
        return FailWith(WSAENOBUFS);
    }
}

INT WSAAPI WSAStringToAddressW(LPWSTR AddressString, INT AddressFamily,
                               LPWSAPROTOCOL_INFOW lpProtocolInfo, LPSOCKADDR lpAddress,
                               LPINT lpAddressLength) {
    try {
        if (!Host().IsStarted()) {
            return FailWith(WSANOTINITIALISED);
        }
        if (AddressString == nullptr || lpAddress == nullptr || lpAddressLength == nullptr) {
            return FailWith(WSAEFAULT);
        }
        CatalogRecord record{};
        if (!RecordForAddress(lpProtocolInfo, AddressFamily, &record)) {
            return FailWith(WSAEINVAL);
        }
        int iError = 0;
        HostProvider* pProvider = Host().ProviderFor(record, &iError);
        if (pProvider == nullptr) {
            return FailWith(iError);
        }
        const int iResult = pProvider->table.lpWSPStringToAddress(
            AddressString, AddressFamily, &record.info, lpAddress, lpAddressLength, &iError);
        return iResult == SOCKET_ERROR ? FailWith(iError) : iResult;
    } catch (...) {
        return FailWith(WSAENOBUFS);
    }
}

}  // extern "C"
