// Issuing an operation to the next provider with the frame's own overlapped record.
#pragma once

#include "filter/frame/OverlappedStructure.h"

// bSynchronous: the provider socket could not be tied to the port, so no manager thread hears
// of the completion. bPortMode: the manager collects completions from its port (else its one
// thread issues queued operations with a completion routine).
int ExecuteOverlappedOperation(OverlappedStructure* pRecord, bool bSynchronous, bool bPortMode);
// An operation that will not complete: its error, flags and byte count go to the caller's
// record, the count and the record are given back; returns the error.
int FailOverlappedOperation(OverlappedStructure* pRecord, int iError);
// A new request starts with the caller's event cleared (its low bit, which keeps a packet off a
// port, ignored). With a completion routine hEvent is the application's own, not an event.
void ResetCallerEvent(const OverlappedStructure* pRecord);

// What an entry reports for a request the frame completed before returning, the caller already
// told through its event, port or routine: success, or with the strict switch on WSA_IO_PENDING,
// since an application that skips its completion port on success would hear of it twice.
int CompletedAtOnce();
