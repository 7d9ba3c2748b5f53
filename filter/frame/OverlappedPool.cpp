// The pool of operation records: batches of 1000 from the provider heap, never given back
// before the heap goes, so no operation allocates on its own.
#include <cstring>

#include "filter/frame/Overlapped.h"

namespace {

constexpr size_t kBatchSize = 1000;

OverlappedStructure* gFreeList = nullptr;
int gRecordsInUse = 0;

}  // namespace

bool GrowOverlappedPool() {
    auto* pBatch = static_cast<OverlappedStructure*>(
        gProviderHeap != nullptr
            ? ::HeapAlloc(gProviderHeap, HEAP_ZERO_MEMORY, kBatchSize * sizeof(OverlappedStructure))
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

void ReturnToPool(OverlappedStructure* pRecord) {
    std::memset(pRecord, 0, sizeof *pRecord);
    pRecord->Next = gFreeList;
    gFreeList = pRecord;
    --gRecordsInUse;
}

int OverlappedRecordsInUse() {
    const COverlappedLockScope lock;
    return gRecordsInUse;
}

// The batches went with the provider heap.
void ForgetOverlappedPool() {
    const COverlappedLockScope lock;
    gFreeList = nullptr;
    gRecordsInUse = 0;
}

// Copies the caller's buffer array (and a send-to address) into the record, for an operation
// that is issued after the caller's call has returned.
bool CaptureBuffers(OverlappedStructure* pRecord) {
    if (pRecord->Operation < kOpRecv || pRecord->Operation > kOpSendTo) {
        return true;
    }
    TransferArgs& args = pRecord->Args.Transfer;
    LPWSABUF pCopy = pRecord->OwnBuffers;
    if (args.BufferCount > kInlineBuffers) {
        pCopy =
            static_cast<LPWSABUF>(::HeapAlloc(gProviderHeap, 0, args.BufferCount * sizeof(WSABUF)));
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
