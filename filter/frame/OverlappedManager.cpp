// The manager's threads and its two modes: completions from a completion port (one thread per
// processor), or, when no port can be made, one thread that issues queued operations itself
// and collects their completions as procedures during its alertable waits.
#include "filter/frame/OverlappedManager.h"

#include <algorithm>

#include "filter/frame/OverlappedComplete.h"
#include "filter/frame/OverlappedExecute.h"
#include "filter/frame/OverlappedPool.h"
#include "filter/frame/ProcessState.h"
#include "filter/frame/SocketInfo.h"
#include "filter/frame/Trace.h"
#include "win/UniqueHandle.h"

namespace {

constexpr DWORD kMaxThreads = 32;
constexpr DWORD kStopMessage = 0xFFFFFFFF;
constexpr DWORD kStopWaitMs = 2000;

// Guarded by gOverlappedLock.
struct ManagerState {
    CHandle Threads[kMaxThreads];
    DWORD ThreadCount = 0;
    CHandle Port;
    CHandle Semaphore;  // queue mode: one count per queued operation
    CHandle StopEvent;  // queue mode: the port's stop messages have no queue counterpart
    OverlappedStructure* QueueHead = nullptr;
    OverlappedStructure* QueueTail = nullptr;
};

ManagerState gManager;

OverlappedStructure* PopQueued() {
    const CCriticalSectionLock lock(gOverlappedLock);
    OverlappedStructure* pRecord = gManager.QueueHead;
    if (pRecord != nullptr) {
        gManager.QueueHead = pRecord->Next;
        if (gManager.QueueHead == nullptr) {
            gManager.QueueTail = nullptr;
        }
        pRecord->Next = nullptr;
    }
    return pRecord;
}

void PushQueued(OverlappedStructure* pRecord) {
    const CCriticalSectionLock lock(gOverlappedLock);
    pRecord->Next = nullptr;
    if (gManager.QueueTail != nullptr) {
        gManager.QueueTail->Next = pRecord;
    } else {
        gManager.QueueHead = pRecord;
    }
    gManager.QueueTail = pRecord;
}

DWORD RunPort(HANDLE hPort) {
    for (;;) {
        DWORD cbTransferred = 0;
        ULONG_PTR uKey = 0;
        LPOVERLAPPED lpOverlapped = nullptr;
        const BOOL bOk =
            ::GetQueuedCompletionStatus(hPort, &cbTransferred, &uKey, &lpOverlapped, INFINITE);
        if (cbTransferred == kStopMessage) {
            return 0;
        }
        // Without a packet the port itself is gone; waiting again would only spin.
        if (!bOk && lpOverlapped == nullptr) {
            return 1;
        }
        // Failed operations come back as packets too; their error is read from the provider,
        // or kept from the packet for when the provider's socket is already closed.
        if (!bOk) {
            reinterpret_cast<OverlappedStructure*>(lpOverlapped)->PacketError = ::GetLastError();
        }
        IntermediateCompletionRoutine(WSA_IO_PENDING, cbTransferred,
                                      reinterpret_cast<LPWSAOVERLAPPED>(lpOverlapped), 0);
    }
}

DWORD RunQueue(HANDLE hSemaphore, HANDLE hStop) {
    const HANDLE waits[2] = {hStop, hSemaphore};
    for (;;) {
        const DWORD dwWait = ::WaitForMultipleObjectsEx(2, waits, FALSE, INFINITE, TRUE);
        if (dwWait == WAIT_IO_COMPLETION) {
            continue;
        }
        if (dwWait == WAIT_OBJECT_0) {
            return 0;
        }
        if (dwWait != WAIT_OBJECT_0 + 1) {
            DebugOut("OverlappedManagerThread: WaitForSingleObjectEx() failed: %d\n",
                     static_cast<int>(::GetLastError()));
            return 1;
        }
        if (OverlappedStructure* pRecord = PopQueued()) {
            ExecuteOverlappedOperation(pRecord, false, false);
        }
    }
}

DWORD WINAPI OverlappedManagerThread(LPVOID lpPort) {
    if (lpPort != nullptr) {
        return RunPort(lpPort);
    }
    HANDLE hSemaphore = nullptr;
    HANDLE hStop = nullptr;
    {
        const CCriticalSectionLock lock(gOverlappedLock);
        hSemaphore = gManager.Semaphore.Get();
        hStop = gManager.StopEvent.Get();
    }
    return RunQueue(hSemaphore, hStop);
}

// Under gOverlappedLock: the port, or the queue's semaphore and stop event.
int CreateManagerPort() {
    gManager.Port.Reset(::CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 0));
    if (gManager.Port) {
        SYSTEM_INFO info{};
        ::GetSystemInfo(&info);
        gManager.ThreadCount = std::clamp<DWORD>(info.dwNumberOfProcessors, 1, kMaxThreads);
        return 0;
    }
    gManager.Semaphore.Reset(::CreateSemaphoreW(nullptr, 0, MAXLONG, nullptr));
    gManager.StopEvent.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!gManager.Semaphore || !gManager.StopEvent) {
        DebugOut("InitOverlappedManager: CreateSemaphore() failed: %d\n",
                 static_cast<int>(::GetLastError()));
        gManager.Semaphore.Reset();
        gManager.StopEvent.Reset();
        return WSAEPROVIDERFAILEDINIT;
    }
    gManager.ThreadCount = 1;
    return 0;
}

// Ties the record's provider socket to the port, once per socket record. False when it
// cannot be.
bool TieToPort(SocketInfo& info, const OverlappedStructure& record, HANDLE hPort) {
    const CCriticalSectionLock lock(info.Lock);
    if (info.CompletionPort != nullptr) {
        return true;
    }
    info.CompletionPort = ::CreateIoCompletionPort(reinterpret_cast<HANDLE>(record.ProviderSocket),
                                                   hPort, record.CallerSocket, 0);
    if (info.CompletionPort != nullptr) {
        return true;
    }
    const DWORD dwError = ::GetLastError();
    if (dwError != ERROR_INVALID_PARAMETER) {
        DebugOut(
            "QueueOverlappedOperation: CreateIoCompletionPort() failed: %d (Prov %d Iocp %d "
            "Caller %d 0)\n",
            static_cast<int>(dwError), static_cast<int>(record.ProviderSocket),
            static_cast<int>(reinterpret_cast<ULONG_PTR>(hPort)),
            static_cast<int>(record.CallerSocket));
    }
    return false;
}

}  // namespace

int InitOverlappedManager() {
    const CCriticalSectionLock lock(gOverlappedLock);
    if (gManager.Threads[0]) {
        DebugOut("InitOverlappedManager already initialized!\n");
        return 0;
    }
    if (!GrowOverlappedPool()) {
        DebugOut("out of memory!\n");
        return WSAENOBUFS;
    }
    if (!gManager.Port && !gManager.Semaphore && CreateManagerPort() != 0) {
        return WSAEPROVIDERFAILEDINIT;
    }
    for (DWORD i = 0; i < gManager.ThreadCount; ++i) {
        if (gManager.Threads[i]) {
            continue;
        }
        gManager.Threads[i].Reset(
            ::CreateThread(nullptr, 0, OverlappedManagerThread, gManager.Port.Get(), 0, nullptr));
        if (!gManager.Threads[i]) {
            DebugOut("InitOverlappedManager: CreateThread() failed: %d\n",
                     static_cast<int>(::GetLastError()));
            return WSAEPROVIDERFAILEDINIT;
        }
    }
    return 0;
}

// The threads are told to stop and waited for outside the lock: their last completions take
// it too.
void StopOverlappedManager() {
    HANDLE threads[kMaxThreads] = {};
    DWORD nThreads = 0;
    HANDLE hPort = nullptr;
    {
        const CCriticalSectionLock lock(gOverlappedLock);
        for (DWORD i = 0; i < kMaxThreads && gManager.Threads[i]; ++i) {
            threads[nThreads++] = gManager.Threads[i].Get();
        }
        hPort = gManager.Port.Get();
        if (gManager.StopEvent) {
            ::SetEvent(gManager.StopEvent.Get());
        }
    }
    for (DWORD i = 0; hPort != nullptr && i < nThreads; ++i) {
        if (!::PostQueuedCompletionStatus(hPort, kStopMessage, 0, nullptr)) {
            DebugOut("PostQueuedCompletionStatus() failed\n");
        }
    }
    if (nThreads != 0) {
        const DWORD dwWait = ::WaitForMultipleObjects(nThreads, threads, TRUE, kStopWaitMs);
        if (dwWait == WAIT_TIMEOUT) {
            DebugOut("Wait timed out\n");
        } else if (dwWait == WAIT_FAILED) {
            DebugOut("WAIT failed\n");
        }
    }
    const CCriticalSectionLock lock(gOverlappedLock);
    for (CHandle& thread : gManager.Threads) {
        if (thread) {
            DebugOut("Closing thread\n");
            thread.Reset();
        }
    }
    if (gManager.Port) {
        DebugOut("Closing iocp\n");
    }
    gManager.Port.Reset();
    gManager.Semaphore.Reset();
    gManager.StopEvent.Reset();
    gManager.ThreadCount = 0;
    gManager.QueueHead = nullptr;
    gManager.QueueTail = nullptr;
}

OverlappedStructure* GetOverlappedStructure(SocketInfo* pInfo) {
    bool bRunning = false;
    {
        const CCriticalSectionLock lock(gOverlappedLock);
        bRunning = static_cast<bool>(gManager.Threads[0]);
    }
    if (!bRunning) {
        InitOverlappedManager();
    }
    const CCriticalSectionLock lock(gOverlappedLock);
    // Counted even when no record comes: the caller gives the count back on every failure.
    ++pInfo->OutstandingAsync;
    if (!gManager.Threads[0]) {
        DebugOut("GetOverlappedStructure: Still not properly inititalized!\n");
        return nullptr;
    }
    return TakeFromPool();
}

int QueueOverlappedOperation(OverlappedStructure* pRecord, SocketInfo* pInfo) {
    pRecord->CallerOverlapped->Internal = WSS_OPERATION_IN_PROGRESS;
    pRecord->CallerOverlapped->InternalHigh = 0;
    HANDLE hPort = nullptr;
    HANDLE hSemaphore = nullptr;
    {
        const CCriticalSectionLock lock(gOverlappedLock);
        hPort = gManager.Port.Get();
        hSemaphore = gManager.Semaphore.Get();
    }
    if (hPort == nullptr) {
        if (pRecord->Operation >= kOpConnectEx) {
            // Issued here and completed from an event: nothing of theirs need outlive the call.
            return CaptureBuffers(pRecord) ? ExecuteOverlappedOperation(pRecord, true, false)
                                           : FailOverlappedOperation(pRecord, WSAENOBUFS);
        }
        if (!CaptureBuffers(pRecord)) {
            return FailOverlappedOperation(pRecord, WSAENOBUFS);
        }
        PushQueued(pRecord);
        ::ReleaseSemaphore(hSemaphore, 1, nullptr);
        return WSA_IO_PENDING;
    }
    // The filter reads a receive's buffers when it completes, after the caller's array may
    // have gone with its stack.
    if ((pRecord->Operation == kOpRecv || pRecord->Operation == kOpRecvMsg) &&
        !CaptureBuffers(pRecord)) {
        return FailOverlappedOperation(pRecord, WSAENOBUFS);
    }
    // A socket that cannot be tied to the port sends no packet to a manager thread: the
    // frame completes its operations itself.
    const bool bSynchronous = !TieToPort(*pInfo, *pRecord, hPort);
    return ExecuteOverlappedOperation(pRecord, bSynchronous, true);
}
