#include "wsock/host/Upcalls.h"

#include <mutex>
#include <shared_mutex>
#include <unordered_map>

namespace wsock {

namespace {

struct IssuedHandle {
    DWORD_PTR context;
    DWORD catalogEntryId;
};

// Application handles come from a range no kernel handle reaches (kernel handle values stay
// far below 2^26), so they never collide with the IFS providers' socket handles, and issuing
// one costs no kernel call.
class CHandleTable {
public:
    SOCKET Create(DWORD dwCatalogEntryId, DWORD_PTR dwContext) {
        const std::unique_lock lock(m_lock);
        for (;;) {
            m_uNext = m_uNext + kStep > kLast ? kFirst : m_uNext + kStep;
            if (m_handles.find(m_uNext) == m_handles.end()) {
                break;
            }
        }
        m_handles[m_uNext] = {dwContext, dwCatalogEntryId};
        return m_uNext;
    }
    bool Query(SOCKET s, DWORD_PTR* pContext) const {
        const std::shared_lock lock(m_lock);
        const auto it = m_handles.find(s);
        if (it == m_handles.end()) {
            return false;
        }
        *pContext = it->second.context;
        return true;
    }
    bool Close(SOCKET s) {
        const std::unique_lock lock(m_lock);
        return m_handles.erase(s) != 0;
    }
    size_t Count() const {
        const std::shared_lock lock(m_lock);
        return m_handles.size();
    }

private:
    static constexpr SOCKET kFirst = 0x70000000;
    static constexpr SOCKET kLast = 0x7ffffffc;
    static constexpr SOCKET kStep = 4;

    SOCKET m_uNext = kFirst - kStep;
    mutable std::shared_mutex m_lock;
    std::unordered_map<SOCKET, IssuedHandle> m_handles;
};

CHandleTable& Handles() {
    // Never destroyed: providers may close handles while the process unloads modules.
    static auto* s_pTable = new CHandleTable;
    return *s_pTable;
}

SOCKET WSPAPI CreateSocketHandle(DWORD dwCatalogEntryId, DWORD_PTR dwContext, LPINT lpErrno) {
    try {
        const SOCKET s = Handles().Create(dwCatalogEntryId, dwContext);
        if (s == INVALID_SOCKET) {
            *lpErrno = WSAENOBUFS;
        }
        return s;
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

// Not in the upcall table: providers import it from the system's Winsock by name. Completion
// for non-IFS handles: the error goes to Offset and the byte count to InternalHigh, where a
// layer's WSPGetOverlappedResult reads them; then the caller's event is signalled.
extern "C" int WSPAPI WPUCompleteOverlappedRequest(SOCKET, LPWSAOVERLAPPED lpOverlapped,
                                                   DWORD dwError, DWORD cbTransferred,
                                                   LPINT lpErrno) {
    if (lpOverlapped == nullptr) {
        *lpErrno = WSAEINVAL;
        return SOCKET_ERROR;
    }
    lpOverlapped->Offset = dwError;
    lpOverlapped->InternalHigh = cbTransferred;
    lpOverlapped->Internal = 0;
    const auto uEvent = reinterpret_cast<ULONG_PTR>(lpOverlapped->hEvent);
    // A set low bit asks for no completion-port notice; the event is still signalled.
    if (uEvent != 0) {
        ::SetEvent(reinterpret_cast<HANDLE>(uEvent & ~static_cast<ULONG_PTR>(1)));
    }
    return 0;
}
