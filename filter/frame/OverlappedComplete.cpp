#include "filter/frame/OverlappedComplete.h"

#include <ws2spi.h>

#include "filter/core/FilterHooks.h"
#include "filter/frame/CallProviderScope.h"
#include "filter/frame/OverlappedPool.h"
#include "filter/frame/OverlappedStructure.h"
#include "filter/frame/ProcessState.h"
#include "filter/frame/ProviderInfo.h"
#include "filter/frame/SocketInfo.h"
#include "filter/frame/Trace.h"
#include "filter/frame/WithheldSend.h"

namespace {

// The next provider's outcome of a finished operation.
void ProviderResult(OverlappedStructure* pRecord, LPDWORD lpdwError, LPDWORD lpcbTransferred,
                    LPDWORD lpdwFlags) {
    int iError = 0;
    DWORD cbTransferred = 0;
    DWORD dwFlags = 0;
    const CCallProviderScope slot(pRecord->Provider);
    if (!pRecord->Provider->NextProcTable.lpWSPGetOverlappedResult(
            pRecord->ProviderSocket, &pRecord->ProviderOverlapped, &cbTransferred, FALSE, &dwFlags,
            &iError)) {
        DebugOut("IntermediateCompletionRoutine: WSPGetOverlappedResult() failed: %d\n", iError);
        // A close that cut the operation short took the provider's socket with it, so only
        // the packet knows why it ended (676 under Wine, 995 on Windows).
        if (iError == WSAENOTSOCK && pRecord->PacketError != 0) {
            iError = static_cast<int>(pRecord->PacketError);
        }
        if (iError == 0) {
            iError = WSASYSCALLFAILURE;
        }
    }
    *lpdwError = static_cast<DWORD>(iError);
    *lpcbTransferred = cbTransferred;
    *lpdwFlags = dwFlags;
}

void CountBytes(OverlappedStructure* pRecord, DWORD cbTransferred) {
    switch (pRecord->Operation) {
        case kOpRecv:
        case kOpRecvFrom:
        case kOpRecvMsg:
            pRecord->SocketRecord->BytesRecv += cbTransferred;
            break;
        case kOpSend:
        case kOpSendTo:
        case kOpTransmitFile:
        case kOpConnectEx:
        case kOpTransmitPackets:
        case kOpSendMsg:
            pRecord->SocketRecord->BytesSent += cbTransferred;
            break;
        case kOpAcceptEx: {
            int iError = 0;
            SocketInfo* pAccepted =
                QuerySocketInfo(pRecord->Args.AcceptEx.AcceptSocket, {}, &iError);
            if (pAccepted == nullptr) {
                DebugOut(
                    "IntermediateCompletionRoutine: WPUQuerySocketHandleContext failed "
                    "(accept socket)\n");
            } else {
                pAccepted->BytesRecv += cbTransferred;
            }
            break;
        }
        default:
            break;
    }
}

void NotifyCaller(OverlappedStructure* pRecord, DWORD dwError, DWORD cbTransferred) {
    LPWSAOVERLAPPED lpCaller = pRecord->CallerOverlapped;
    int iError = 0;
    if (pRecord->CallerCompletionRoutine != nullptr) {
        lpCaller->Internal = reinterpret_cast<ULONG_PTR>(pRecord->CallerCompletionRoutine);
        if (!pRecord->HasCallerThread ||
            gUpcalls.lpWPUQueueApc(&pRecord->CallerThreadId, CallerCompletionApc,
                                   reinterpret_cast<DWORD_PTR>(lpCaller),
                                   &iError) == SOCKET_ERROR) {
            DebugOut("IntermediateCompletionRoutine: WPUQueueApc() failed: %d\n", iError);
            // The routine will not run; a result query still learns the outcome.
            lpCaller->Internal = dwError;
        }
        return;
    }
    if (::WPUCompleteOverlappedRequest(pRecord->CallerSocket, lpCaller, dwError, cbTransferred,
                                       &iError) == SOCKET_ERROR) {
        DebugOut("WPUCompleteOverlappedRequest failed: %d\n", iError);
    }
}

// What the filter makes of a finished operation before the application hears of it: the count
// to report.
DWORD FilterCompletion(OverlappedStructure* pRecord, DWORD cbTransferred) {
    switch (pRecord->Operation) {
        case kOpRecv: {
            const TransferArgs& args = pRecord->Args.Transfer;
            return FilterOverlappedRecvDone(pRecord->CallerSocket, args.Buffers, args.BufferCount,
                                            cbTransferred);
        }
        case kOpRecvMsg: {
            const MessageArgs& args = pRecord->Args.Message;
            return CarriesDatagrams(*pRecord->Provider)
                       ? cbTransferred
                       : FilterOverlappedRecvDone(pRecord->CallerSocket, args.Buffers,
                                                  args.BufferCount, cbTransferred);
        }
        case kOpConnectEx:
            if (pRecord->Args.ConnectEx.WithheldLength == 0) {
                return cbTransferred;
            }
            EndWithheldConnect(*pRecord->Provider, pRecord->ProviderSocket, pRecord->CallerSocket);
            return pRecord->Args.ConnectEx.WithheldLength;
        default:
            return cbTransferred;
    }
}

}  // namespace

void CALLBACK IntermediateCompletionRoutine(DWORD dwError, DWORD cbTransferred,
                                            LPWSAOVERLAPPED lpOverlapped, DWORD dwFlags) {
    if (lpOverlapped == nullptr) {
        DebugOut("lpOverlapped == NULL!\n");
        return;
    }
    // The provider's record is the first member of the frame's.
    auto* pRecord = reinterpret_cast<OverlappedStructure*>(lpOverlapped);
    int iError = 0;
    if (QuerySocketInfo(
            pRecord->CallerSocket,
            {"IntermediateCompletionRoutine: WPUQuerySocketHandleContext failed: ", "\n"},
            &iError) == nullptr) {
        // The socket went at clean-up, and its record with it.
        ReleaseOverlappedStructure(pRecord);
        return;
    }
    if (dwError == WSA_IO_PENDING) {
        ProviderResult(pRecord, &dwError, &cbTransferred, &dwFlags);
    }
    if (dwError == 0) {
        cbTransferred = FilterCompletion(pRecord, cbTransferred);
    }
    CompleteCallerRequest(pRecord, dwError, cbTransferred, dwFlags);
}

void CompleteCallerRequest(OverlappedStructure* pRecord, DWORD dwError, DWORD cbTransferred,
                           DWORD dwFlags) {
    LPWSAOVERLAPPED lpCaller = pRecord->CallerOverlapped;
    lpCaller->Offset = dwError;
    lpCaller->OffsetHigh = dwFlags;
    lpCaller->InternalHigh = cbTransferred;
    if (dwError == 0) {
        CountBytes(pRecord, cbTransferred);
    }
    NotifyCaller(pRecord, dwError, cbTransferred);
    SocketInfo* pInfo = pRecord->SocketRecord;
    ReleaseOverlappedStructure(pRecord);
    CheckForContextClenaup(pInfo);
}

void CALLBACK CallerCompletionApc(DWORD_PTR dwContext) {
    auto* lpCaller = reinterpret_cast<LPWSAOVERLAPPED>(dwContext);
    auto lpRoutine = reinterpret_cast<LPWSAOVERLAPPED_COMPLETION_ROUTINE>(lpCaller->Internal);
    lpCaller->Internal = lpCaller->Offset;
    lpRoutine(lpCaller->Offset, static_cast<DWORD>(lpCaller->InternalHigh), lpCaller,
              lpCaller->OffsetHigh);
}

void CheckForContextClenaup(SocketInfo* pInfo) {
    bool bLast = false;
    {
        const CCriticalSectionLock lock(gOverlappedLock);
        --pInfo->OutstandingAsync;
        bLast = pInfo->Closing && pInfo->OutstandingAsync == 0;
        if (bLast) {
            // Only the caller that saw the count reach 0 frees the record.
            pInfo->Closing = FALSE;
        }
    }
    if (!bLast) {
        return;
    }
    // Out of every table keyed by the handle before the handle goes: its value may be a new
    // socket's the moment it is closed.
    UnlinkSocketInfo(pInfo->Provider, pInfo);
    FilterClose(pInfo->LayeredSocket);
    int iError = 0;
    if (gUpcalls.lpWPUCloseSocketHandle(pInfo->LayeredSocket, &iError) == SOCKET_ERROR) {
        DebugOut("CheckForContextClenaup: WPUCloseSocketHandle() failed: %d\n", iError);
    }
    FreeSocketInfo(pInfo);
}
