// Completion ports for the handles the host issues: an application ties a handle to its port
// with CreateIoCompletionPort (the host's, in place of kernel32's), and a provider completes the
// handle's requests with WPUCompleteOverlappedRequest, which posts to that port as the kernel
// posts a request's completion.
#include <winsock2.h>
#include <windows.h>
#include <ws2spi.h>

#include "wsock/host/CompletionStatus.h"
#include "wsock/host/HandleTable.h"

namespace {

using NtSetIoCompletionFn = LONG(NTAPI*)(HANDLE, ULONG_PTR, ULONG_PTR, LONG, SIZE_T);

// Posts a packet with a status of its own (PostQueuedCompletionStatus posts only success), so
// that GetQueuedCompletionStatus reports a failed request as failed.
NtSetIoCompletionFn SetIoCompletion() noexcept {
    static const auto s_pfn = reinterpret_cast<NtSetIoCompletionFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtSetIoCompletion")));
    return s_pfn;
}

}  // namespace

extern "C" {

// In place of kernel32's for the programs the host serves (see ImportPatch.h).
HANDLE WINAPI WshCreateIoCompletionPort(HANDLE hFile, HANDLE hExistingPort, ULONG_PTR uKey,
                                        DWORD dwThreads) {
    const HANDLE hPort = ::CreateIoCompletionPort(hFile, hExistingPort, uKey, dwThreads);
    if (hPort != nullptr && hFile != INVALID_HANDLE_VALUE && hExistingPort != nullptr) {
        try {
            wsock::CHandleTable::Instance().BindPort(reinterpret_cast<SOCKET>(hFile), hPort, uKey);
        } catch (...) {
            // Without the binding the handle's completions reach its event alone.
        }
    }
    return hPort;
}

// Not in the upcall table: providers import it from the system's Winsock by name. Completion
// for the handles of providers that issue their own: the error goes to Offset and the byte
// count to InternalHigh, where a layer's WSPGetOverlappedResult reads them, and the request's
// status to Internal, as the kernel writes it; then the event is signalled and, unless the low
// bit of hEvent asks for none, a packet is posted to the port the handle is tied to.
int WSPAPI WPUCompleteOverlappedRequest(SOCKET s, LPWSAOVERLAPPED lpOverlapped, DWORD dwError,
                                        DWORD cbTransferred, LPINT lpErrno) {
    if (lpOverlapped == nullptr) {
        *lpErrno = WSAEINVAL;
        return SOCKET_ERROR;
    }
    const LONG lStatus = wsock::CompletionStatus(dwError);
    lpOverlapped->Offset = dwError;
    lpOverlapped->InternalHigh = cbTransferred;
    lpOverlapped->Internal = static_cast<ULONG_PTR>(static_cast<ULONG>(lStatus));
    const auto uEvent = reinterpret_cast<ULONG_PTR>(lpOverlapped->hEvent);
    if (uEvent != 0) {
        ::SetEvent(reinterpret_cast<HANDLE>(uEvent & ~static_cast<ULONG_PTR>(1)));
    }
    if ((uEvent & 1) != 0) {
        return 0;
    }
    try {
        const wsock::PortBinding binding = wsock::CHandleTable::Instance().Binding(s);
        const NtSetIoCompletionFn pfnPost = SetIoCompletion();
        if (binding.port != nullptr && pfnPost != nullptr &&
            pfnPost(binding.port, binding.key, reinterpret_cast<ULONG_PTR>(lpOverlapped), lStatus,
                    cbTransferred) < 0) {
            *lpErrno = WSAENOBUFS;
            return SOCKET_ERROR;
        }
    } catch (...) {
        *lpErrno = WSAENOBUFS;
        return SOCKET_ERROR;
    }
    return 0;
}

}  // extern "C"
