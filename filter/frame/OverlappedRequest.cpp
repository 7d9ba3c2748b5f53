// The application's side of the manager: handing a request over, and reading its outcome
// back from the application's own record.
#include "filter/frame/Entries.h"
#include "filter/frame/Overlapped.h"

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
    }
    pRecord->CallerCompletionRoutine = request.CompletionRoutine;
    pRecord->Error = 0;
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

// Waits for the request behind a record to complete. A completer marks the record done before
// it sets the event, so a signal found while the record is still pending is a late one from
// the record's previous request: it is cleared and the wait goes on. The record is looked at
// again after the clearing, so a completion in between is never missed.
bool AwaitRecord(LPWSAOVERLAPPED lpOverlapped, const volatile ULONG_PTR& internal) {
    const auto uEvent = reinterpret_cast<ULONG_PTR>(lpOverlapped->hEvent);
    HANDLE hEvent = reinterpret_cast<HANDLE>(uEvent & ~static_cast<ULONG_PTR>(1));
    for (;;) {
        if (::WaitForSingleObject(hEvent, INFINITE) != WAIT_OBJECT_0) {
            return false;
        }
        if (internal != WSS_OPERATION_IN_PROGRESS) {
            return true;
        }
        ::ResetEvent(hEvent);
        if (internal != WSS_OPERATION_IN_PROGRESS) {
            return true;
        }
    }
}

}  // namespace

BOOL WSPAPI WSPGetOverlappedResult(SOCKET, LPWSAOVERLAPPED lpOverlapped, LPDWORD lpcbTransfer,
                                   BOOL fWait, LPDWORD lpdwFlags, LPINT lpErrno) {
    const volatile ULONG_PTR& internal = lpOverlapped->Internal;
    if (internal == WSS_OPERATION_IN_PROGRESS) {
        if (!fWait) {
            *lpErrno = WSA_IO_INCOMPLETE;
            return FALSE;
        }
        if (!AwaitRecord(lpOverlapped, internal)) {
            *lpErrno = internal == WSS_OPERATION_IN_PROGRESS ? WSA_IO_PENDING : WSASYSCALLFAILURE;
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
