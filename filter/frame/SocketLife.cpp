// Creating and destroying sockets: each application socket over a served chain gets a record
// that ties its handle to the next provider's socket.
#include "filter/core/FilterHooks.h"
#include "filter/frame/CallProviderScope.h"
#include "filter/frame/Entries.h"
#include "filter/frame/EntryGuard.h"
#include "filter/frame/ProcessState.h"
#include "filter/frame/ProviderInfo.h"
#include "filter/frame/SocketInfo.h"
#include "filter/frame/Trace.h"

namespace {

bool IsBase(const WSAPROTOCOL_INFOW& info) {
    return info.ProtocolChain.ChainLen == BASE_PROTOCOL;
}

// The chain that serves (af, type, protocol), or null with the error and its log line.
ProviderInfo* ChooseChain(int af, int type, int protocol, LPINT lpErrno) {
    bool bFamily = false;
    bool bType = false;
    bool bProtocol = false;
    for (int i = 0; i < gProviderCount; ++i) {
        const WSAPROTOCOL_INFOW& next = gBaseInfo[i].NextProvider;
        bFamily = bFamily || af == 0 || next.iAddressFamily == af;
        bType = bType || next.iSocketType == type;
        bProtocol = bProtocol || protocol == 0 || next.iProtocol == protocol || protocol == 255 ||
                    type == SOCK_RAW;
    }
    if (!bFamily) {
        *lpErrno = WSAEAFNOSUPPORT;
        Trace(1, "WSPSocket :: Error=WSAEAFNOSUPPORT");
        return nullptr;
    }
    if (!bType) {
        *lpErrno = WSAESOCKTNOSUPPORT;
        Trace(1, "WSPSocket :: Error=WSAESOCKTNOSUPPORT");
        return nullptr;
    }
    if (!bProtocol) {
        *lpErrno = WSAEPROTONOSUPPORT;
        Trace(1, "WSPSocket :: Error=WSAEPROTONOSUPPORT");
        return nullptr;
    }
    const bool bAnyProtocol = protocol == 0 || protocol == 255 || type == SOCK_RAW;
    for (int i = 0; i < gProviderCount; ++i) {
        const WSAPROTOCOL_INFOW& next = gBaseInfo[i].NextProvider;
        bool bMatch = false;
        if (af == 0 && protocol == 0) {
            bMatch = next.iSocketType == type;
        } else if (af == 0) {
            bMatch = next.iProtocol == protocol && next.iSocketType == type;
        } else if (!bAnyProtocol) {
            bMatch =
                next.iAddressFamily == af && next.iSocketType == type && next.iProtocol == protocol;
        } else {
            bMatch = next.iAddressFamily == af && next.iSocketType == type;
        }
        if (bMatch) {
            return &gBaseInfo[i];
        }
    }
    if (af == 0 && protocol != 0) {
        *lpErrno = WSAEPROTOTYPE;
        Trace(1, "WSPSocket :: Error=WSAEPROTOTYPE");
    } else {
        *lpErrno = WSAEAFNOSUPPORT;
        Trace(1, "WSPSocket :: Error=Failed To Create Provider");
    }
    return nullptr;
}

// Gives a new next-provider socket its record and application handle; INVALID_SOCKET (and the
// next provider's socket left to its caller) when either fails. szEntry names the entry in the
// debugger line of a failed handle.
SOCKET Adopt(ProviderInfo* pProvider, SOCKET sProvider, SocketInfo* pInherit, const char* szEntry,
             LPINT lpErrno) {
    SocketInfo* pInfo = NewSocketInfo(pProvider, sProvider, pInherit);
    if (pInfo == nullptr) {
        *lpErrno = WSAENOBUFS;
        return INVALID_SOCKET;
    }
    const SOCKET s =
        gUpcalls.lpWPUCreateSocketHandle(pProvider->LayeredProvider.ProtocolChain.ChainEntries[0],
                                         reinterpret_cast<DWORD_PTR>(pInfo), lpErrno);
    if (s == INVALID_SOCKET) {
        DebugOut("%s: WPUCreateSocketHandle() failed: %d\r\n", szEntry, *lpErrno);
        UnlinkSocketInfo(pProvider, pInfo);
        FreeSocketInfo(pInfo);
        return INVALID_SOCKET;
    }
    pInfo->LayeredSocket = s;
    return s;
}

}  // namespace

SOCKET WSPAPI WSPSocket(int af, int type, int protocol, LPWSAPROTOCOL_INFOW lpProtocolInfo, GROUP g,
                        DWORD dwFlags, LPINT lpErrno) {
    return GuardEntry(lpErrno, INVALID_SOCKET, [&]() -> SOCKET {
        TraceAndDebugOut(2, "WSPSocket");
        *lpErrno = 0;
        const int iFamily = lpProtocolInfo != nullptr ? lpProtocolInfo->iAddressFamily : af;
        const int iType = lpProtocolInfo != nullptr ? lpProtocolInfo->iSocketType : type;
        const int iProtocol = lpProtocolInfo != nullptr ? lpProtocolInfo->iProtocol : protocol;
        ProviderInfo* pProvider = ChooseChain(iFamily, iType, iProtocol, lpErrno);
        if (pProvider == nullptr) {
            return INVALID_SOCKET;
        }
        if (lpProtocolInfo != nullptr) {
            pProvider->NextProvider.dwProviderReserved = lpProtocolInfo->dwProviderReserved;
        }
        LPWSAPROTOCOL_INFOW lpRecord = &pProvider->NextProvider;
        if (!IsBase(pProvider->NextProvider)) {
            lpRecord = lpProtocolInfo;
            DebugOut("Not over base protocol!\r\n");
        }
        SOCKET sProvider = INVALID_SOCKET;
        {
            const CCallProviderScope slot(pProvider);
            sProvider = pProvider->NextProcTable.lpWSPSocket(af, type, protocol, lpRecord, g,
                                                             dwFlags, lpErrno);
        }
        if (sProvider == INVALID_SOCKET) {
            DebugOut("WSPSocket: NextProcTable.WSPSocket() failed: %d\r\n", *lpErrno);
            Trace(1, "WSPSocket :: InvalidSocket Returned");
            return INVALID_SOCKET;
        }
        const SOCKET s = Adopt(pProvider, sProvider, nullptr, "WSPSocket", lpErrno);
        if (s != INVALID_SOCKET && lpRecord != nullptr) {
            lpRecord->dwProviderReserved = 0;
        }
        return s;
    });
}

SOCKET WSPAPI WSPAccept(SOCKET s, sockaddr* addr, LPINT addrlen, LPCONDITIONPROC lpfnCondition,
                        DWORD_PTR dwCallbackData, LPINT lpErrno) {
    return GuardEntry(lpErrno, INVALID_SOCKET, [&]() -> SOCKET {
        SocketInfo* pListen =
            QuerySocketInfo(s, {"WSPAccept: WPUQuerySocketHandleContext() failed: "}, lpErrno);
        if (pListen == nullptr) {
            return INVALID_SOCKET;
        }
        SOCKET sAccepted = INVALID_SOCKET;
        {
            const CCallProviderScope slot(pListen->Provider);
            sAccepted = pListen->Provider->NextProcTable.lpWSPAccept(
                pListen->ProviderSocket, addr, addrlen, lpfnCondition, dwCallbackData, lpErrno);
        }
        if (sAccepted == INVALID_SOCKET) {
            return INVALID_SOCKET;
        }
        return Adopt(pListen->Provider, sAccepted, pListen, "WSPAccept()", lpErrno);
    });
}

SOCKET WSPAPI WSPJoinLeaf(SOCKET s, const sockaddr* name, int namelen, LPWSABUF lpCallerData,
                          LPWSABUF lpCalleeData, LPQOS lpSQOS, LPQOS lpGQOS, DWORD dwFlags,
                          LPINT lpErrno) {
    return GuardEntry(lpErrno, INVALID_SOCKET, [&]() -> SOCKET {
        SocketInfo* pInfo =
            QuerySocketInfo(s, {"WSPJoinLeaf: WPUQuerySocketHandleContext() failed: "}, lpErrno);
        if (pInfo == nullptr) {
            *lpErrno = WSAENOTSOCK;
            return INVALID_SOCKET;
        }
        SOCKET sLeaf = INVALID_SOCKET;
        {
            const CCallProviderScope slot(pInfo->Provider);
            sLeaf = pInfo->Provider->NextProcTable.lpWSPJoinLeaf(
                pInfo->ProviderSocket, name, namelen, lpCallerData, lpCalleeData, lpSQOS, lpGQOS,
                dwFlags, lpErrno);
        }
        if (sLeaf == INVALID_SOCKET) {
            return INVALID_SOCKET;
        }
        if (sLeaf == pInfo->ProviderSocket) {
            return s;
        }
        const SOCKET sNew = Adopt(pInfo->Provider, sLeaf, pInfo, "WSPJoinLeaf", lpErrno);
        if (sNew == INVALID_SOCKET) {
            *lpErrno = WSAENOBUFS;
        }
        return sNew;
    });
}

int WSPAPI WSPCloseSocket(SOCKET s, LPINT lpErrno) {
    return GuardEntry(lpErrno, SOCKET_ERROR, [&]() -> int {
        Trace(2, "WSPCloseSocket");
        SocketInfo* pInfo =
            QuerySocketInfo(s, {"WSPCloseSocket: WPUQuerySocketHandle() failed: "}, lpErrno);
        if (pInfo == nullptr) {
            *lpErrno = WSAENOTSOCK;
            return SOCKET_ERROR;
        }
        ProviderInfo* pProvider = pInfo->Provider;
        const SOCKET sProvider = pInfo->ProviderSocket;
        bool bOutstanding = false;
        {
            const CCriticalSectionLock lock(gOverlappedLock);
            bOutstanding = pInfo->OutstandingAsync != 0;
            if (bOutstanding) {
                pInfo->Closing = TRUE;
            }
        }
        if (bOutstanding) {
            // The overlapped manager frees the record when the last operation completes (the
            // close below may be what completes it), so the record is not touched again here.
            if (pProvider->NextProcTable.lpWSPCloseSocket(sProvider, lpErrno) == SOCKET_ERROR) {
                *lpErrno = WSAENOTSOCK;
                return SOCKET_ERROR;
            }
            return 0;
        }
        {
            const CCallProviderScope slot(pProvider);
            if (pProvider->NextProcTable.lpWSPCloseSocket(pInfo->ProviderSocket, lpErrno) ==
                SOCKET_ERROR) {
                return SOCKET_ERROR;
            }
        }
        UnlinkSocketInfo(pProvider, pInfo);
        // The filter's state is keyed by the handle's value, which the system may give to a
        // new socket as soon as the handle is closed: it goes first.
        FilterClose(s);
        // The record is unreachable once unlinked, so it is freed even when the handle
        // cannot be closed.
        const int iResult = gUpcalls.lpWPUCloseSocketHandle(s, lpErrno);
        FreeSocketInfo(pInfo);
        return iResult == SOCKET_ERROR ? SOCKET_ERROR : 0;
    });
}
