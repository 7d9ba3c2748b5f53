// Where the filter's judgement meets the frame's entry points. Each is called on the
// application's thread (but the completion of an overlapped receive), and never fails the call:
// an exception is logged and the call goes on as if the filter had not been asked.
#pragma once

#include <winsock2.h>

#include <string>

#include "filter/core/portable/SocketFilterState.h"

// The process's verdict records, keyed by the application's socket handle.
SocketFilterTable& TheSocketFilterTable();

// WSPConnect, before the next provider connects: a fresh record, and the rules reloaded when
// due.
void FilterConnect(SOCKET s, const sockaddr* name, int namelen) noexcept;

// WSPSend, before the next provider sends: judges an HTTP request and records the verdict.
// The bytes themselves go on unchanged. With the strict switch on, every request head is
// collected across the buffers and sends that carry it (otherwise only the first buffer is
// read), and a TLS connection is judged by its server name: true then when the bytes must not
// go on (a blocked site's ClientHello, and all after it).
bool FilterSend(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount) noexcept;

// WSPSend with an overlapped structure, on the application's thread before the manager takes
// the operation: judged as FilterSend judges with the strict switch on, passed otherwise.
bool FilterOverlappedSend(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount) noexcept;

// A datagram about to be sent (lpTo null: to the address the socket was connected to): true
// when it must not be, with the strict switch on: a QUIC long-header packet to any port, so
// that the browser falls back to TCP, where its TLS ClientHello is judged.
bool FilterRefusesDatagram(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount, const sockaddr* lpTo,
                           int iToLen) noexcept;

// What became of a send FilterSend or FilterOverlappedSend kept from the provider (true):
// kRefused, nothing more may go and the send side is to be shut; kHeld, the bytes are kept
// until the ClientHello they start is whole; kRelease, the hello is whole and allowed, and
// *pHeld receives every byte kept, the last send's included, to be sent now in their place.
enum class KeptSend { kRefused, kHeld, kRelease };
KeptSend FilterKeptSend(SOCKET s, std::string* pHeld) noexcept;

// WSPRecv, before the next provider is asked: true when the rest of a block page (or, with the
// strict switch on, the end of the stream after it) was put in the buffers instead
// (*lpNumberOfBytesRecvd set); the provider is then not called.
bool FilterRecvPending(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount,
                       LPDWORD lpNumberOfBytesRecvd) noexcept;

// WSPRecv, after a successful receive: may replace the data with the block page or report
// the end of the stream. True when the block page replaced the data (the frame's count of
// received bytes then takes the page's length instead).
bool FilterRecv(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount,
                LPDWORD lpNumberOfBytesRecvd) noexcept;

// An overlapped WSPRecv before it is issued: as FilterRecvPending with the strict switch on,
// false otherwise. The frame then completes the request itself with *lpNumberOfBytesRecvd.
bool FilterOverlappedRecvPending(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount,
                                 LPDWORD lpNumberOfBytesRecvd) noexcept;

// An overlapped receive the next provider completed with cbTransferred bytes, before the
// application hears of it: the count to report. With the strict switch on the block page may
// have replaced the bytes; otherwise they pass unexamined.
DWORD FilterOverlappedRecvDone(SOCKET s, LPWSABUF lpBuffers, DWORD dwBufferCount,
                               DWORD cbTransferred) noexcept;

// Whether the strict switch is on, with the rules and configuration reloaded first when due:
// a program may ask for an extension function before its first connect, when this process
// (or, the first time, any) has not read the switch yet.
bool FilterStrictOn() noexcept;

// WSPCloseSocket, after a clean close.
void FilterClose(SOCKET s) noexcept;
