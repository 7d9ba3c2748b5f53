#include "filter/frame/OverlappedPool.h"

#include <cstring>

#include "filter/frame/ProcessState.h"

namespace {

constexpr size_t kBatchSize = 1000;

OverlappedStructure* gFreeList = nullptr;
int gRecordsInUse = 0;

}  // namespace

bool GrowOverlappedPool() {
    auto* pBatch = static_cast<OverlappedStructure*>(
        gProviderHeap ? ::HeapAlloc(gProviderHeap.Get(), HEAP_ZERO_MEMORY,
                                    kBatchSize * sizeof(OverlappedStructure))
                      : nullptr);
    if (pBatch == nullptr) {
        return false;
    }
    for (size_t i = 0; i < kBatchSize; ++i) {
        pBatch[i].Next = gFreeList;
        gFreeList = &pBatch[i];
    }
    return true;
}

OverlappedStructure* TakeFromPool() {
    if (gFreeList == nullptr && !GrowOverlappedPool()) {
        return nullptr;
    }
    OverlappedStructure* pRecord = gFreeList;
    gFreeList = pRecord->Next;
    std::memset(pRecord, 0, sizeof *pRecord);
    ++gRecordsInUse;
    return pRecord;
}

void ReleaseOverlappedStructure(OverlappedStructure* pRecord) {
    if (pRecord->CompletionEvent != nullptr &&
        ::InterlockedDecrement(&pRecord->CompletionRefs) > 0) {
        return;
    }
    if (pRecord->CompletionWait != nullptr) {
        // Not the blocking variant: this may run inside the wait's own callback.
        ::UnregisterWait(pRecord->CompletionWait);
    }
    if (pRecord->CompletionEvent != nullptr) {
        ::CloseHandle(pRecord->CompletionEvent);
    }
    if (pRecord->HeapBuffers != nullptr) {
        ::HeapFree(gProviderHeap.Get(), 0, pRecord->HeapBuffers);
    }
    if (pRecord->OwnsCallerThread) {
        int iError = 0;
        gUpcalls.lpWPUCloseThread(&pRecord->CallerThreadId, &iError);
    }
    const CCriticalSectionLock lock(gOverlappedLock);
    std::memset(pRecord, 0, sizeof *pRecord);
    pRecord->Next = gFreeList;
    gFreeList = pRecord;
    --gRecordsInUse;
}

int OverlappedRecordsInUse() {
    const CCriticalSectionLock lock(gOverlappedLock);
    return gRecordsInUse;
}

void ForgetOverlappedPool() {
    const CCriticalSectionLock lock(gOverlappedLock);
    gFreeList = nullptr;
    gRecordsInUse = 0;
}

namespace {

// A copy of nCount buffer descriptors in the record; null when there is no room for it.
LPWSABUF CopyBuffers(OverlappedStructure* pRecord, const WSABUF* pBuffers, DWORD nCount) {
    LPWSABUF pCopy = pRecord->OwnBuffers;
    if (nCount > kInlineBuffers) {
        pCopy = static_cast<LPWSABUF>(::HeapAlloc(gProviderHeap.Get(), 0, nCount * sizeof(WSABUF)));
        if (pCopy == nullptr) {
            return nullptr;
        }
        pRecord->HeapBuffers = pCopy;
    }
    if (nCount != 0) {
        std::memcpy(pCopy, pBuffers, nCount * sizeof(WSABUF));
    }
    return pCopy;
}

}  // namespace

bool CaptureBuffers(OverlappedStructure* pRecord) {
    if (pRecord->Operation == kOpRecvMsg) {
        MessageArgs& args = pRecord->Args.Message;
        args.Buffers = CopyBuffers(pRecord, args.Message->lpBuffers, args.Message->dwBufferCount);
        args.BufferCount = args.Buffers != nullptr ? args.Message->dwBufferCount : 0;
        return args.Buffers != nullptr;
    }
    if (pRecord->Operation < kOpRecv || pRecord->Operation > kOpSendTo) {
        return true;
    }
    TransferArgs& args = pRecord->Args.Transfer;
    LPWSABUF pCopy = CopyBuffers(pRecord, args.Buffers, args.BufferCount);
    if (pCopy == nullptr) {
        return false;
    }
    args.Buffers = pCopy;
    if (pRecord->Operation == kOpSendTo && args.Address != nullptr && args.ToLength > 0 &&
        static_cast<size_t>(args.ToLength) <= sizeof pRecord->OwnAddress) {
        std::memcpy(&pRecord->OwnAddress, args.Address, static_cast<size_t>(args.ToLength));
        args.Address = reinterpret_cast<sockaddr*>(&pRecord->OwnAddress);
    }
    return true;
}
