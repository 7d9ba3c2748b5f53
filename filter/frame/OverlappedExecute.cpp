#include "filter/frame/OverlappedExecute.h"

#include "filter/core/SharedFilterState.h"

#include "filter/frame/CallProviderScope.h"
#include "filter/frame/ExtensionFunctions.h"
#include "filter/frame/OverlappedComplete.h"
#include "filter/frame/OverlappedPool.h"
#include "filter/frame/ProviderInfo.h"
#include "filter/frame/Trace.h"

namespace {

// What the next provider's call writes as it returns: its error, and its byte count when it
// finished at once. Never in the record: in port mode a manager thread may complete the record,
// and the pool hand it to another operation, before the call has returned.
struct IssueOutcome {
    int Error = 0;
    DWORD Bytes = 0;
};

// False, with the thread's last error: the extension functions report failure so.
bool TakeLastError(IssueOutcome& outcome) {
    outcome.Error = static_cast<int>(::GetLastError());
    return false;
}

// The BOOL extension functions of the strict switch, which take no completion routine.
bool IssueExtension(OverlappedStructure* pRecord, IssueOutcome& outcome) {
    const ChainExtensions& next = pRecord->Provider->Extensions;
    const SOCKET s = pRecord->ProviderSocket;
    LPOVERLAPPED lpOverlapped = &pRecord->ProviderOverlapped;
    BOOL bDone = FALSE;
    switch (pRecord->Operation) {
        case kOpConnectEx: {
            const ConnectExArgs& a = pRecord->Args.ConnectEx;
            bDone = next.ConnectEx.load()(s, a.Name, a.NameLength, a.SendBuffer, a.SendLength,
                                          &outcome.Bytes, lpOverlapped);
            break;
        }
        case kOpDisconnectEx: {
            const DisconnectExArgs& a = pRecord->Args.DisconnectEx;
            bDone = next.DisconnectEx.load()(s, lpOverlapped, a.Flags, a.Reserved);
            break;
        }
        default: {
            const TransmitPacketsArgs& a = pRecord->Args.TransmitPackets;
            bDone = next.TransmitPackets.load()(s, a.Elements, a.ElementCount, a.SendSize,
                                                lpOverlapped, a.Flags);
            break;
        }
    }
    return bDone || TakeLastError(outcome);
}

// The next provider's call for the record's operation; false with the error in outcome.Error.
bool IssueOperation(OverlappedStructure* pRecord,
                    LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine, IssueOutcome& outcome) {
    const WSPPROC_TABLE& next = pRecord->Provider->NextProcTable;
    const SOCKET s = pRecord->ProviderSocket;
    LPWSAOVERLAPPED lpOverlapped = &pRecord->ProviderOverlapped;
    LPWSATHREADID lpThreadId = pRecord->HasCallerThread ? &pRecord->CallerThreadId : nullptr;
    LPDWORD lpBytes = &outcome.Bytes;
    LPINT lpErrno = &outcome.Error;
    const CCallProviderScope slot(pRecord->Provider);
    switch (pRecord->Operation) {
        case kOpIoctl: {
            const IoctlArgs& a = pRecord->Args.Ioctl;
            return next.lpWSPIoctl(s, a.ControlCode, a.InBuffer, a.InLength, a.OutBuffer,
                                   a.OutLength, lpBytes, lpOverlapped, lpCompletionRoutine,
                                   lpThreadId, lpErrno) == 0;
        }
        case kOpRecv:
        case kOpRecvFrom: {
            TransferArgs& a = pRecord->Args.Transfer;
            return (pRecord->Operation == kOpRecv
                        ? next.lpWSPRecv(s, a.Buffers, a.BufferCount, lpBytes, &a.Flags,
                                         lpOverlapped, lpCompletionRoutine, lpThreadId, lpErrno)
                        : next.lpWSPRecvFrom(s, a.Buffers, a.BufferCount, lpBytes, &a.Flags,
                                             a.Address, a.FromLength, lpOverlapped,
                                             lpCompletionRoutine, lpThreadId, lpErrno)) == 0;
        }
        case kOpSend:
        case kOpSendTo: {
            const TransferArgs& a = pRecord->Args.Transfer;
            return (pRecord->Operation == kOpSend
                        ? next.lpWSPSend(s, a.Buffers, a.BufferCount, lpBytes, a.Flags,
                                         lpOverlapped, lpCompletionRoutine, lpThreadId, lpErrno)
                        : next.lpWSPSendTo(s, a.Buffers, a.BufferCount, lpBytes, a.Flags, a.Address,
                                           a.ToLength, lpOverlapped, lpCompletionRoutine,
                                           lpThreadId, lpErrno)) == 0;
        }
        case kOpTransmitFile: {
            const TransmitFileArgs& a = pRecord->Args.TransmitFile;
            if (lpfnProviderTransmitFile(s, a.File, a.BytesToWrite, a.BytesPerSend, lpOverlapped,
                                         a.Buffers, a.Flags)) {
                return true;
            }
            *lpErrno = static_cast<int>(::GetLastError());
            return false;
        }
        case kOpAcceptEx: {
            const AcceptExArgs& a = pRecord->Args.AcceptEx;
            if (lpfnProviderAcceptEx(s, a.AcceptProviderSocket, a.OutputBuffer, a.ReceiveDataLength,
                                     a.LocalAddressLength, a.RemoteAddressLength, lpBytes,
                                     lpOverlapped)) {
                return true;
            }
            *lpErrno = static_cast<int>(::GetLastError());
            return false;
        }
        case kOpConnectEx:
        case kOpDisconnectEx:
        case kOpTransmitPackets:
            return IssueExtension(pRecord, outcome);
        case kOpRecvMsg: {
            const MessageArgs& a = pRecord->Args.Message;
            return pRecord->Provider->Extensions.RecvMsg.load()(s, a.Message, lpBytes, lpOverlapped,
                                                                lpCompletionRoutine) == 0 ||
                   TakeLastError(outcome);
        }
        case kOpSendMsg: {
            const MessageArgs& a = pRecord->Args.Message;
            return pRecord->Provider->Extensions.SendMsg.load()(
                       s, a.Message, a.Flags, lpBytes, lpOverlapped, lpCompletionRoutine) == 0 ||
                   TakeLastError(outcome);
        }
        default:
            DebugOut("ExecuteOverlappedOperation: Unknown operation!\n");
            *lpErrno = WSAEINVAL;
            return false;
    }
}

// An event in the provider's record, its low bit set so that a port someone else tied the
// socket to gets no packet.
bool PrepareCompletionEvent(OverlappedStructure* pRecord) {
    pRecord->CompletionEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (pRecord->CompletionEvent == nullptr) {
        return false;
    }
    pRecord->CompletionRefs = 1;
    pRecord->ProviderOverlapped.hEvent =
        reinterpret_cast<HANDLE>(reinterpret_cast<ULONG_PTR>(pRecord->CompletionEvent) | 1);
    return true;
}

VOID CALLBACK CompletionSignalled(PVOID lpContext, BOOLEAN) {
    IntermediateCompletionRoutine(WSA_IO_PENDING, 0, static_cast<LPWSAOVERLAPPED>(lpContext), 0);
}

// Completes the record from a thread-pool wait on its event. The wait handle is stored after
// the wait may already have fired, so the record has two owners until both are done.
int AwaitCompletionEvent(OverlappedStructure* pRecord) {
    pRecord->CompletionRefs = 2;
    HANDLE hWait = nullptr;
    if (!::RegisterWaitForSingleObject(&hWait, pRecord->CompletionEvent, CompletionSignalled,
                                       pRecord, INFINITE, WT_EXECUTEONLYONCE)) {
        // No one else could complete it; waiting here is the one way the caller still hears.
        pRecord->CompletionRefs = 1;
        ::WaitForSingleObject(pRecord->CompletionEvent, INFINITE);
        IntermediateCompletionRoutine(WSA_IO_PENDING, 0, &pRecord->ProviderOverlapped, 0);
        return CompletedAtOnce();
    }
    pRecord->CompletionWait = hWait;
    ReleaseOverlappedStructure(pRecord);
    return WSA_IO_PENDING;
}

DWORD FailureFlags(const OverlappedStructure* pRecord) {
    switch (pRecord->Operation) {
        case kOpRecv:
        case kOpRecvFrom:
        case kOpSend:
        case kOpSendTo:
            return pRecord->Args.Transfer.Flags;
        case kOpTransmitFile:
            return pRecord->Args.TransmitFile.Flags;
        case kOpSendMsg:
            return pRecord->Args.Message.Flags;
        default:
            return 0;
    }
}

}  // namespace

void ResetCallerEvent(const OverlappedStructure* pRecord) {
    const auto uEvent = reinterpret_cast<ULONG_PTR>(pRecord->CallerOverlapped->hEvent);
    if (uEvent != 0 && pRecord->CallerCompletionRoutine == nullptr) {
        ::ResetEvent(reinterpret_cast<HANDLE>(uEvent & ~static_cast<ULONG_PTR>(1)));
    }
}

int FailOverlappedOperation(OverlappedStructure* pRecord, int iError) {
    LPWSAOVERLAPPED lpCaller = pRecord->CallerOverlapped;
    lpCaller->Offset = static_cast<DWORD>(iError);
    lpCaller->OffsetHigh = FailureFlags(pRecord);
    lpCaller->InternalHigh = pRecord->Operation < kOpTransmitFile ? pRecord->BytesTransferred : 0;
    // No longer pending, so that a result query reports the error rather than waiting.
    lpCaller->Internal = static_cast<ULONG_PTR>(iError);
    SocketInfo* pInfo = pRecord->SocketRecord;
    ReleaseOverlappedStructure(pRecord);
    CheckForContextClenaup(pInfo);
    return iError;
}

int ExecuteOverlappedOperation(OverlappedStructure* pRecord, bool bSynchronous, bool bPortMode) {
    ResetCallerEvent(pRecord);
    // The extension functions take no completion routine (or, the two message functions, have
    // no thread id of the application's own), so in queue mode they, like sockets that cannot be
    // tied to the port, are completed from an event.
    const bool bByEvent = bSynchronous || (!bPortMode && pRecord->Operation >= kOpTransmitFile);
    if (bByEvent && !PrepareCompletionEvent(pRecord)) {
        return FailOverlappedOperation(pRecord, WSAENOBUFS);
    }
    IssueOutcome outcome;
    const bool bIssued = IssueOperation(
        pRecord, bPortMode || bByEvent ? nullptr : IntermediateCompletionRoutine, outcome);
    // From here a port-mode record belongs to whichever thread gets its completion, unless the
    // operation failed at once, when none comes.
    const int iError = bIssued ? 0 : outcome.Error;
    if (iError != 0 && iError != WSA_IO_PENDING) {
        pRecord->BytesTransferred = outcome.Bytes;
        if (!bPortMode) {
            // Queued earlier: the caller was told it is pending, so it must hear the failure.
            IntermediateCompletionRoutine(static_cast<DWORD>(iError), 0,
                                          &pRecord->ProviderOverlapped, 0);
            return iError;
        }
        return FailOverlappedOperation(pRecord, iError);
    }
    if (!bByEvent) {
        return WSA_IO_PENDING;
    }
    if (iError == 0) {
        IntermediateCompletionRoutine(WSA_IO_PENDING, 0, &pRecord->ProviderOverlapped, 0);
        return CompletedAtOnce();
    }
    return AwaitCompletionEvent(pRecord);
}

int CompletedAtOnce() {
    return StrictFilterOn() ? WSA_IO_PENDING : 0;
}
