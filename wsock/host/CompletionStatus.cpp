#include "wsock/host/CompletionStatus.h"

#include <winsock2.h>

#include <iterator>

namespace wsock {

namespace {

struct StatusOfError {
    DWORD error;
    DWORD status;
};

constexpr DWORD kHandlesClosed = 676;  // ERROR_HANDLES_CLOSED

// The statuses the kernel completes socket requests with, by the error Winsock reports for
// them.
constexpr StatusOfError kStatuses[] = {
    {WSA_OPERATION_ABORTED, 0xC0000120},  // STATUS_CANCELLED
    {kHandlesClosed, 0xC0000120},         // Wine's word for a request cut short by a close
    {WSAECONNREFUSED, 0xC0000236},        // STATUS_CONNECTION_REFUSED
    {WSAECONNRESET, 0xC000020D},          // STATUS_CONNECTION_RESET
    {WSAECONNABORTED, 0xC0000241},        // STATUS_CONNECTION_ABORTED
    {WSAETIMEDOUT, 0xC00000B5},           // STATUS_IO_TIMEOUT
    {WSAENETUNREACH, 0xC000023C},         // STATUS_NETWORK_UNREACHABLE
    {WSAEHOSTUNREACH, 0xC000023D},        // STATUS_HOST_UNREACHABLE
    {WSAEACCES, 0xC0000022},              // STATUS_ACCESS_DENIED
    {WSAEINVAL, 0xC000000D},              // STATUS_INVALID_PARAMETER
    {WSAEFAULT, 0xC0000005},              // STATUS_ACCESS_VIOLATION
    {WSAEMSGSIZE, 0x80000005},            // STATUS_BUFFER_OVERFLOW
    {WSAENOBUFS, 0xC000009A},             // STATUS_INSUFFICIENT_RESOURCES
    {WSAEADDRINUSE, 0xC000020A},          // STATUS_ADDRESS_ALREADY_EXISTS
    {WSAEADDRNOTAVAIL, 0xC0000207},       // STATUS_INVALID_ADDRESS_COMPONENT
    {WSAENOTCONN, 0xC0000140},            // STATUS_INVALID_CONNECTION
    {WSAENOTSOCK, 0xC0000008},            // STATUS_INVALID_HANDLE
    {WSAEOPNOTSUPP, 0xC00000BB},          // STATUS_NOT_SUPPORTED
};

constexpr DWORD kUnsuccessful = 0xC0000001;

}  // namespace

LONG CompletionStatus(DWORD dwError) noexcept {
    if (dwError == 0) {
        return 0;
    }
    for (const StatusOfError& entry : kStatuses) {
        if (entry.error == dwError) {
            return static_cast<LONG>(entry.status);
        }
    }
    return static_cast<LONG>(kUnsuccessful);
}

}  // namespace wsock
