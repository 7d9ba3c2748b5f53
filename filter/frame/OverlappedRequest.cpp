#include "filter/frame/OverlappedRequest.h"

#include <atomic>

#include "filter/core/FilterHooks.h"
#include "filter/frame/Entries.h"
#include "filter/frame/OverlappedComplete.h"
#include "filter/frame/OverlappedExecute.h"
#include "filter/frame/OverlappedManager.h"
#include "filter/frame/ProcessState.h"
#include "filter/frame/SocketInfo.h"
#include "filter/frame/Trace.h"

OverlappedStructure* TakeOverlappedStructure(SocketInfo& info, SOCKET s,
                                             const OverlappedRequest& request) {
    OverlappedStructure* pRecord = GetOverlappedStructure(&info);
    if (pRecord == nullptr) {
        CheckForContextClenaup(&info);
        return nullptr;
    }
    // The caller's position is the file offset of a transmit-file operation.
    pRecord->ProviderOverlapped.Offset = request.CallerOverlapped->Offset;
    pRecord->ProviderOverlapped.OffsetHigh = request.CallerOverlapped->OffsetHigh;
    pRecord->CallerOverlapped = request.CallerOverlapped;
    pRecord->SocketRecord = &info;
    pRecord->CallerSocket = s;
    pRecord->ProviderSocket = info.ProviderSocket;
    if (request.ThreadId != nullptr) {
        pRecord->CallerThreadId = *request.ThreadId;
        pRecord->HasCallerThread = TRUE;
    } else if (request.CompletionRoutine != nullptr && request.Operation >= kOpConnectEx) {
        // The message functions' routines run on the calling thread, which they do not name.
        int iError = 0;
        if (gUpcalls.lpWPUOpenCurrentThread(&pRecord->CallerThreadId, &iError) == 0) {
            pRecord->HasCallerThread = TRUE;
            pRecord->OwnsCallerThread = TRUE;
        }
    }
    pRecord->CallerCompletionRoutine = request.CompletionRoutine;
    pRecord->Operation = request.Operation;
    pRecord->Args = request.Args;
    pRecord->Provider = request.Provider != nullptr ? request.Provider : info.Provider;
    return pRecord;
}

int StartOverlappedOperation(SocketInfo& info, SOCKET s, const OverlappedRequest& request,
                             const char* szNoRecordText) {
    OverlappedStructure* pRecord = TakeOverlappedStructure(info, s, request);
    if (pRecord == nullptr) {
        if (szNoRecordText != nullptr) {
            DebugOut("%s", szNoRecordText);
        }
        return WSAENOBUFS;
    }
    return QueueOverlappedOperation(pRecord, &info);
}

namespace {

OverlappedRequest TransferRequest(const OverlappedTransfer& transfer, LPWSAOVERLAPPED lpOverlapped,
                                  LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine,
                                  LPWSATHREADID lpThreadId) {
    OverlappedRequest request{};
    request.Operation = transfer.Operation;
    request.CallerOverlapped = lpOverlapped;
    request.CompletionRoutine = lpCompletionRoutine;
    request.ThreadId = lpThreadId;
    request.Args.Transfer = {transfer.Buffers, transfer.BufferCount, transfer.Flags,
                             transfer.Address, transfer.FromLength,  transfer.ToLength};
    return request;
}

}  // namespace

int StartOverlappedTransfer(SocketInfo& info, SOCKET s, const OverlappedTransfer& transfer,
                            LPWSAOVERLAPPED lpOverlapped,
                            LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine,
                            LPWSATHREADID lpThreadId, const char* szNoRecordText, LPINT lpErrno) {
    const OverlappedRequest request =
        TransferRequest(transfer, lpOverlapped, lpCompletionRoutine, lpThreadId);
    return OverlappedEntryResult(StartOverlappedOperation(info, s, request, szNoRecordText),
                                 lpErrno);
}

namespace {

// Completes a caller's request the filter answered, through its own notification, at once.
int CompleteAtOnce(OverlappedStructure* pRecord, DWORD cbTransferred, LPINT lpErrno) {
    pRecord->CallerOverlapped->Internal = WSS_OPERATION_IN_PROGRESS;
    pRecord->CallerOverlapped->InternalHigh = 0;
    ResetCallerEvent(pRecord);
    // Told the way every overlapped request is, so the application waits as it always does.
    CompleteCallerRequest(pRecord, 0, cbTransferred, 0);
    return OverlappedEntryResult(WSA_IO_PENDING, lpErrno);
}

// The record for a transfer, or null after the debugger line.
OverlappedStructure* TakeTransferRecord(SocketInfo& info, SOCKET s,
                                        const OverlappedTransfer& transfer,
                                        LPWSAOVERLAPPED lpOverlapped,
                                        LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine,
                                        LPWSATHREADID lpThreadId, const char* szNoRecordText) {
    OverlappedStructure* pRecord = TakeOverlappedStructure(
        info, s, TransferRequest(transfer, lpOverlapped, lpCompletionRoutine, lpThreadId));
    if (pRecord == nullptr) {
        DebugOut("%s", szNoRecordText);
    }
    return pRecord;
}

}  // namespace

int CompleteOverlappedTransfer(SocketInfo& info, SOCKET s, const OverlappedTransfer& transfer,
                               LPWSAOVERLAPPED lpOverlapped,
                               LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine,
                               LPWSATHREADID lpThreadId, DWORD cbTransferred,
                               const char* szNoRecordText, LPINT lpErrno) {
    OverlappedStructure* pRecord = TakeTransferRecord(
        info, s, transfer, lpOverlapped, lpCompletionRoutine, lpThreadId, szNoRecordText);
    return pRecord == nullptr ? OverlappedEntryResult(WSAENOBUFS, lpErrno)
                              : CompleteAtOnce(pRecord, cbTransferred, lpErrno);
}

int CompleteOverlappedRequest(SocketInfo& info, SOCKET s, const OverlappedRequest& request,
                              DWORD cbTransferred, const char* szNoRecordText) {
    OverlappedStructure* pRecord = TakeOverlappedStructure(info, s, request);
    if (pRecord == nullptr) {
        DebugOut("%s", szNoRecordText);
        return WSAENOBUFS;
    }
    int iResult = 0;
    CompleteAtOnce(pRecord, cbTransferred, &iResult);
    return iResult;
}

int StartFilteredReceive(SocketInfo& info, SOCKET s, const OverlappedRequest& request,
                         LPWSABUF lpBuffers, DWORD dwBufferCount, const char* szNoRecordText) {
    // The record first: a page the filter hands over must not be lost for want of one.
    OverlappedStructure* pRecord = TakeOverlappedStructure(info, s, request);
    if (pRecord == nullptr) {
        DebugOut("%s", szNoRecordText);
        return WSAENOBUFS;
    }
    DWORD nAnswered = 0;
    if (!FilterOverlappedRecvPending(s, lpBuffers, dwBufferCount, &nAnswered)) {
        return QueueOverlappedOperation(pRecord, &info);
    }
    int iResult = 0;
    CompleteAtOnce(pRecord, nAnswered, &iResult);
    return iResult;
}

int StartOverlappedReceive(SocketInfo& info, SOCKET s, const OverlappedTransfer& transfer,
                           LPWSAOVERLAPPED lpOverlapped,
                           LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine,
                           LPWSATHREADID lpThreadId, const char* szNoRecordText, LPINT lpErrno) {
    return OverlappedEntryResult(
        StartFilteredReceive(
            info, s, TransferRequest(transfer, lpOverlapped, lpCompletionRoutine, lpThreadId),
            transfer.Buffers, transfer.BufferCount, szNoRecordText),
        lpErrno);
}

namespace {

// Waits for the request behind a record to complete. A completer marks the record done before
// it sets the event, so a signal found while the record is still pending is a late one from
// the record's previous request: it is cleared and the wait goes on. The record is looked at
// again after the clearing, so a completion in between is never missed.
bool AwaitRecord(LPWSAOVERLAPPED lpOverlapped) {
    const std::atomic_ref<ULONG_PTR> internal(lpOverlapped->Internal);
    const auto uEvent = reinterpret_cast<ULONG_PTR>(lpOverlapped->hEvent);
    HANDLE hEvent = reinterpret_cast<HANDLE>(uEvent & ~static_cast<ULONG_PTR>(1));
    for (;;) {
        if (::WaitForSingleObject(hEvent, INFINITE) != WAIT_OBJECT_0) {
            return false;
        }
        if (internal.load() != WSS_OPERATION_IN_PROGRESS) {
            return true;
        }
        ::ResetEvent(hEvent);
        if (internal.load() != WSS_OPERATION_IN_PROGRESS) {
            return true;
        }
    }
}

}  // namespace

BOOL WSPAPI WSPGetOverlappedResult(SOCKET, LPWSAOVERLAPPED lpOverlapped, LPDWORD lpcbTransfer,
                                   BOOL fWait, LPDWORD lpdwFlags, LPINT lpErrno) {
    // Written by the thread that completes the request.
    const std::atomic_ref<ULONG_PTR> internal(lpOverlapped->Internal);
    if (internal.load() == WSS_OPERATION_IN_PROGRESS) {
        if (!fWait) {
            *lpErrno = WSA_IO_INCOMPLETE;
            return FALSE;
        }
        if (!AwaitRecord(lpOverlapped)) {
            *lpErrno =
                internal.load() == WSS_OPERATION_IN_PROGRESS ? WSA_IO_PENDING : WSASYSCALLFAILURE;
            return FALSE;
        }
    }
    if (lpcbTransfer != nullptr) {
        *lpcbTransfer = static_cast<DWORD>(lpOverlapped->InternalHigh);
    }
    if (lpdwFlags != nullptr) {
        *lpdwFlags = lpOverlapped->OffsetHigh;
    }
    if (lpOverlapped->Offset == 0) {
        return TRUE;
    }
    *lpErrno = static_cast<int>(lpOverlapped->Offset);
    return FALSE;
}
