// Where the filter's judgement meets the frame's entry points. Each is called on the
// application's thread, for non-overlapped calls only, and never fails the call: an exception
// is logged and the call goes on as if the filter had not been asked.
#pragma once

#include <winsock2.h>

#include "filter/core/portable/SocketFilterState.h"

// The process's verdict records, keyed by the application's socket handle.
SocketFilterTable& TheSocketFilterTable();

// WSPConnect, before the next provider connects: a fresh record, and the rules reloaded when
// due.
void FilterConnect(SOCKET s, const sockaddr* name, int namelen) noexcept;

// WSPSend, before the next provider sends: judges an HTTP request in the first buffer and
// records the verdict. The bytes themselves go on unchanged.
void FilterSend(SOCKET s, const WSABUF& firstBuffer) noexcept;

// WSPRecv, before the next provider is asked: true when the rest of a block page was put in
// the first buffer instead (*lpNumberOfBytesRecvd set); the provider is then not called.
bool FilterRecvPending(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount,
                       LPDWORD lpNumberOfBytesRecvd) noexcept;

// WSPRecv, after a successful receive: may replace the data with the block page or report
// the end of the stream. True when the block page replaced the data (the frame's count of
// received bytes then takes the page's length instead).
bool FilterRecv(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount,
                LPDWORD lpNumberOfBytesRecvd) noexcept;

// WSPCloseSocket, after a clean close.
void FilterClose(SOCKET s) noexcept;
