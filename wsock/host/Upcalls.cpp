#include "wsock/host/Upcalls.h"

#include "wsock/host/HandleTable.h"

namespace wsock {

namespace {

CHandleTable& Handles() {
    return CHandleTable::Instance();
}

SOCKET WSPAPI CreateSocketHandle(DWORD dwCatalogEntryId, DWORD_PTR dwContext, LPINT lpErrno) {
    try {
        return Handles().Create(dwCatalogEntryId, dwContext, lpErrno);
    } catch (...) {
        *lpErrno = WSAENOBUFS;
        return INVALID_SOCKET;
    }
}

int WSPAPI QuerySocketHandleContext(SOCKET s, PDWORD_PTR lpContext, LPINT lpErrno) {
    try {
        if (Handles().Query(s, lpContext)) {
            return 0;
        }
    } catch (...) {
    }
    *lpErrno = WSAENOTSOCK;
    return SOCKET_ERROR;
}

int WSPAPI CloseSocketHandle(SOCKET s, LPINT lpErrno) {
    try {
        if (Handles().Close(s)) {
            return 0;
        }
    } catch (...) {
    }
    *lpErrno = WSAENOTSOCK;
    return SOCKET_ERROR;
}

BOOL WSPAPI PostMessageUpcall(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return ::PostMessageW(hWnd, Msg, wParam, lParam);
}

int WSPAPI QueueApc(LPWSATHREADID lpThreadId, LPWSAUSERAPC lpfnUserApc, DWORD_PTR dwContext,
                    LPINT lpErrno) {
    if (lpThreadId == nullptr || ::QueueUserAPC(reinterpret_cast<PAPCFUNC>(lpfnUserApc),
                                                lpThreadId->ThreadHandle, dwContext) == 0) {
        *lpErrno = WSAEINVAL;
        return SOCKET_ERROR;
    }
    return 0;
}

int WSPAPI FDIsSet(SOCKET s, fd_set* fdset) {
    for (u_int i = 0; i < fdset->fd_count; ++i) {
        if (fdset->fd_array[i] == s) {
            return 1;
        }
    }
    return 0;
}

int WSPAPI OpenCurrentThread(LPWSATHREADID lpThreadId, LPINT lpErrno) {
    HANDLE hThread = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(),
                           &hThread, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        *lpErrno = WSAENOBUFS;
        return SOCKET_ERROR;
    }
    lpThreadId->ThreadHandle = hThread;
    lpThreadId->Reserved = 0;
    return 0;
}

int WSPAPI CloseThread(LPWSATHREADID lpThreadId, LPINT lpErrno) {
    if (lpThreadId == nullptr || !::CloseHandle(lpThreadId->ThreadHandle)) {
        *lpErrno = WSAEINVAL;
        return SOCKET_ERROR;
    }
    return 0;
}

// The upcalls the stand-in does not provide fail with an error their documentation lists.
BOOL WSPAPI CloseEvent(WSAEVENT, LPINT lpErrno) {
    *lpErrno = WSA_INVALID_HANDLE;
    return FALSE;
}

WSAEVENT WSPAPI CreateEventUpcall(LPINT lpErrno) {
    *lpErrno = WSA_NOT_ENOUGH_MEMORY;
    return WSA_INVALID_EVENT;
}

int WSPAPI GetProviderPath(LPGUID, WCHAR*, LPINT, LPINT lpErrno) {
    *lpErrno = WSAEINVAL;
    return SOCKET_ERROR;
}

SOCKET WSPAPI ModifyIFSHandle(DWORD, SOCKET, LPINT lpErrno) {
    *lpErrno = WSAEINVAL;
    return INVALID_SOCKET;
}

int WSPAPI QueryBlockingCallback(DWORD, LPBLOCKINGCALLBACK*, PDWORD_PTR, LPINT lpErrno) {
    *lpErrno = WSAEINVAL;
    return SOCKET_ERROR;
}

BOOL WSPAPI ResetEventUpcall(WSAEVENT, LPINT lpErrno) {
    *lpErrno = WSA_INVALID_HANDLE;
    return FALSE;
}

BOOL WSPAPI SetEventUpcall(WSAEVENT, LPINT lpErrno) {
    *lpErrno = WSA_INVALID_HANDLE;
    return FALSE;
}

constexpr WSPUPCALLTABLE kUpcalls = {
    CloseEvent,
    CloseSocketHandle,
    CreateEventUpcall,
    CreateSocketHandle,
    FDIsSet,
    GetProviderPath,
    ModifyIFSHandle,
    PostMessageUpcall,
    QueryBlockingCallback,
    QuerySocketHandleContext,
    QueueApc,
    ResetEventUpcall,
    SetEventUpcall,
    OpenCurrentThread,
    CloseThread,
};

}  // namespace

size_t OpenSocketHandleCount() noexcept {
    return Handles().Count();
}

const WSPUPCALLTABLE& UpcallTable() noexcept {
    return kUpcalls;
}

}  // namespace wsock
