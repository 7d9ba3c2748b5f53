// The overlapped operation manager: its threads, its two modes, and the hand-over of records.
#pragma once

#include "filter/frame/OverlappedStructure.h"

int InitOverlappedManager();
void StopOverlappedManager();
// A zeroed record, counted in the socket's OutstandingAsync, or null (the count is taken
// all the same; the caller gives it back).
OverlappedStructure* GetOverlappedStructure(SocketInfo* pInfo);
// 0 (completed at once), WSA_IO_PENDING, or the error.
int QueueOverlappedOperation(OverlappedStructure* pRecord, SocketInfo* pInfo);
