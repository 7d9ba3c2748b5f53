// The pool of operation records: batches of 1000 from the provider heap, never given back
// before the heap goes, so no operation allocates on its own. All but the count under
// gOverlappedLock.
#pragma once

#include "filter/frame/OverlappedStructure.h"

bool GrowOverlappedPool();
OverlappedStructure* TakeFromPool();
// Gives a record back: its completion event and wait and its own buffer copy go with it.
void ReleaseOverlappedStructure(OverlappedStructure* pRecord);
int OverlappedRecordsInUse();
// The batches went with the provider heap.
void ForgetOverlappedPool();
// Copies the caller's buffer array (and a send-to address) into the record, for an operation
// that is issued after the caller's call has returned.
bool CaptureBuffers(OverlappedStructure* pRecord);
