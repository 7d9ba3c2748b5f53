// The status a completed request carries in its OVERLAPPED's Internal and in its completion
// packet, as the kernel gives it: programs read it there (libuv), and GetQueuedCompletionStatus
// turns it into the error it reports.
#pragma once

#include <windows.h>

namespace wsock {

// The NT status for a Winsock error (0: success); an error without one of its own gets
// STATUS_UNSUCCESSFUL.
LONG CompletionStatus(DWORD dwError) noexcept;

}  // namespace wsock
