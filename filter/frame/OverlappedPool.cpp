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

bool CaptureBuffers(OverlappedStructure* pRecord) {
    if (pRecord->Operation < kOpRecv || pRecord->Operation > kOpSendTo) {
        return true;
    }
    TransferArgs& args = pRecord->Args.Transfer;
    LPWSABUF pCopy = pRecord->OwnBuffers;
    if (args.BufferCount > kInlineBuffers) {
        pCopy = static_cast<LPWSABUF>(
            ::HeapAlloc(gProviderHeap.Get(), 0, args.BufferCount * sizeof(WSABUF)));
        if (pCopy == nullptr) {
            return false;
        }
        pRecord->HeapBuffers = pCopy;
    }
    if (args.BufferCount != 0) {
        std::memcpy(pCopy, args.Buffers, args.BufferCount * sizeof(WSABUF));
    }
    args.Buffers = pCopy;
    if (pRecord->Operation == kOpSendTo && args.Address != nullptr && args.ToLength > 0 &&
        static_cast<size_t>(args.ToLength) <= sizeof pRecord->OwnAddress) {
        std::memcpy(&pRecord->OwnAddress, args.Address, static_cast<size_t>(args.ToLength));
        args.Address = reinterpret_cast<sockaddr*>(&pRecord->OwnAddress);
    }
    return true;
}
