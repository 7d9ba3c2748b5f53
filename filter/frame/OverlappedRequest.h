// The application's side of the overlapped manager: what an entry point hands over, and the
// outcome it reports.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include "filter/frame/OverlappedStructure.h"

struct OverlappedRequest {
    DWORD Operation;
    LPWSAOVERLAPPED CallerOverlapped;
    LPWSAOVERLAPPED_COMPLETION_ROUTINE CompletionRoutine;
    LPWSATHREADID ThreadId;
    ProviderInfo* Provider;  // null: the socket record's chain
    OverlappedArgs Args;
};

// 0 when completed at once, else the error for the caller (after writing szNoRecordText, if
// any, when no record could be had).
int StartOverlappedOperation(SocketInfo& info, SOCKET s, const OverlappedRequest& request,
                             const char* szNoRecordText);
// A filled record for the request, or null with the count given back.
OverlappedStructure* TakeOverlappedStructure(SocketInfo& info, SOCKET s,
                                             const OverlappedRequest& request);

// The buffers of a send or receive (of any of the four kinds) handed to the manager; the
// filter never sees them.
struct OverlappedTransfer {
    DWORD Operation;
    LPWSABUF Buffers;
    DWORD BufferCount;
    DWORD Flags;
    sockaddr* Address = nullptr;  // from (receive-from) or to (send-to)
    LPINT FromLength = nullptr;
    int ToLength = 0;
};
// An entry point's result: 0, or SOCKET_ERROR with the error in *lpErrno.
int StartOverlappedTransfer(SocketInfo& info, SOCKET s, const OverlappedTransfer& transfer,
                            LPWSAOVERLAPPED lpOverlapped,
                            LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine,
                            LPWSATHREADID lpThreadId, const char* szNoRecordText, LPINT lpErrno);

// A transfer the filter answered itself (a refused send): the caller's request is completed at
// once with cbTransferred through its own notification, without the next provider, and the
// result is SOCKET_ERROR with WSA_IO_PENDING, as for one still running.
int CompleteOverlappedTransfer(SocketInfo& info, SOCKET s, const OverlappedTransfer& transfer,
                               LPWSAOVERLAPPED lpOverlapped,
                               LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine,
                               LPWSATHREADID lpThreadId, DWORD cbTransferred,
                               const char* szNoRecordText, LPINT lpErrno);

// An overlapped receive, which the filter may answer itself (the rest of a block page, or the
// end of the stream after it): the caller's request is then completed at once through its own
// notification, and the result is SOCKET_ERROR with WSA_IO_PENDING, as for one still running.
int StartOverlappedReceive(SocketInfo& info, SOCKET s, const OverlappedTransfer& transfer,
                           LPWSAOVERLAPPED lpOverlapped,
                           LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine,
                           LPWSATHREADID lpThreadId, const char* szNoRecordText, LPINT lpErrno);

// A request the frame answered itself (a refused send of an extension function): completed at
// once through the caller's own notification; the result is WSA_IO_PENDING, as for one still
// running (WSAENOBUFS without a record).
int CompleteOverlappedRequest(SocketInfo& info, SOCKET s, const OverlappedRequest& request,
                              DWORD cbTransferred, const char* szNoRecordText);

// The request of an extension function. Those that take a completion routine have no thread
// id: the frame opens the calling thread for it.
inline OverlappedRequest ExtensionRequest(
    DWORD dwOperation, LPOVERLAPPED lpOverlapped,
    LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine = nullptr,
    LPWSATHREADID lpThreadId = nullptr) noexcept {
    OverlappedRequest request{};
    request.Operation = dwOperation;
    request.CallerOverlapped = reinterpret_cast<LPWSAOVERLAPPED>(lpOverlapped);
    request.CompletionRoutine = lpCompletionRoutine;
    request.ThreadId = lpThreadId;
    return request;
}

// A BOOL extension function's result for StartOverlappedOperation's: the error goes to the
// thread's last error.
inline BOOL ExtensionResult(int iResult) noexcept {
    if (iResult == 0) {
        return TRUE;
    }
    ::SetLastError(static_cast<DWORD>(iResult));
    return FALSE;
}

// An overlapped stream receive of any kind, whose buffers are lpBuffers: the filter may answer
// it itself (as StartOverlappedReceive). 0, WSA_IO_PENDING or the error.
int StartFilteredReceive(SocketInfo& info, SOCKET s, const OverlappedRequest& request,
                         LPWSABUF lpBuffers, DWORD dwBufferCount, const char* szNoRecordText);

// An entry point's result for StartOverlappedOperation's.
inline int OverlappedEntryResult(int iResult, LPINT lpErrno) noexcept {
    if (iResult == 0) {
        return 0;
    }
    *lpErrno = iResult;
    return SOCKET_ERROR;
}
