// WSPCleanup, and the one tear-down of what the first WSPStartup built.
#include "filter/frame/Cleanup.h"

#include <windows.h>
#include <ws2spi.h>

#include "filter/frame/Entries.h"
#include "filter/frame/OverlappedManager.h"
#include "filter/frame/OverlappedPool.h"
#include "filter/frame/ProcessState.h"
#include "filter/frame/ProviderHeap.h"
#include "filter/frame/ProviderInfo.h"
#include "filter/frame/SocketInfo.h"
#include "filter/frame/Trace.h"
#include "filter/frame/WorkerWindow.h"

namespace {

// Resets and closes every socket still open on one chain, and frees its records.
void CloseChainSockets(ProviderInfo& info, LPINT lpErrno) {
    SocketInfo* pInfo = info.SocketList;
    while (pInfo != nullptr) {
        SocketInfo* pNext = pInfo->Next;
        if (info.NextProcTable.lpWSPSetSockOpt != nullptr) {
            const linger zeroLinger = {1, 0};
            if (info.NextProcTable.lpWSPSetSockOpt(pInfo->ProviderSocket, SOL_SOCKET, SO_LINGER,
                                                   reinterpret_cast<const char*>(&zeroLinger),
                                                   sizeof zeroLinger, lpErrno) == SOCKET_ERROR) {
                DebugOut("WSPSetSockOpt(SO_LINGER) failed: %d\n", *lpErrno);
            }
        }
        if (info.NextProcTable.lpWSPCloseSocket != nullptr &&
            info.NextProcTable.lpWSPCloseSocket(pInfo->ProviderSocket, lpErrno) == SOCKET_ERROR) {
            DebugOut("WSPCloseSocket() on handle %d failed: %d\n",
                     static_cast<int>(pInfo->ProviderSocket), *lpErrno);
        }
        if (gUpcalls.lpWPUCloseSocketHandle != nullptr) {
            gUpcalls.lpWPUCloseSocketHandle(pInfo->LayeredSocket, lpErrno);
        }
        FreeSocketInfo(pInfo);
        pInfo = pNext;
    }
    info.SocketList = nullptr;
}

}  // namespace

int WSPAPI WSPCleanup(LPINT lpErrno) {
    if (gDetaching.load()) {
        return 0;
    }
    const CCriticalSectionLock lock(gStartupLock);
    if (gEntryCount == 0) {
        *lpErrno = WSANOTINITIALISED;
        DebugOut("WSPCleanup returning WSAENOTINITIALISED\r\n");
        return SOCKET_ERROR;
    }
    if (--gEntryCount == 0) {
        DebugOut("WSPCleanup: gEntryCount == 0; cleaning up\r\n");
        {
            // The threads being stopped take gStartupLock themselves: the worker window to
            // find a notice's socket, a manager thread to unlink a closed socket's record at
            // its last completion. Held here, they could not finish, the stops would time out,
            // and the records below would be freed under them. The host serialises start-up
            // and clean-up, so no start-up comes in meanwhile.
            const CCriticalSectionUnlock unlocked(gStartupLock);
            StopWorkerWindow();
            StopOverlappedManager();
        }
        ::Sleep(200);
        Trace(3, "WSPCleanup :: socket records left %d, overlapped records in use %d",
              CountSocketRecords(), OverlappedRecordsInUse());
        FreeSocketsAndMemory(lpErrno);
    }
    return 0;
}

void FreeSocketsAndMemory(LPINT lpErrno) {
    for (int i = 0; gBaseInfo != nullptr && i < gProviderCount; ++i) {
        ProviderInfo& info = gBaseInfo[i];
        CloseChainSockets(info, lpErrno);
        if (info.NextProcTable.lpWSPCleanup != nullptr &&
            info.NextProcTable.lpWSPCleanup(lpErrno) == SOCKET_ERROR) {
            DebugOut("FreeSocketsAndMemory: WSPCleanup() failed: %d\r\n", *lpErrno);
        }
        info.Module.Reset();
    }
    if (gBaseInfo != nullptr) {
        DeleteOnProviderHeap(gBaseInfo, gProviderCount);
        gBaseInfo = nullptr;
    }
    gProviderHeap.Reset();
    // The pool's batches went with the heap.
    ForgetOverlappedPool();
}
