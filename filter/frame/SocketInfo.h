// The socket records: each ties an application handle (from WPUCreateSocketHandle) to the
// next provider's socket. A chain's records form a list headed in its ProviderInfo; the lists
// change and are searched only under gStartupLock.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include "win/CriticalSection.h"

struct ProviderInfo;

struct SocketInfo {
    SOCKET ProviderSocket;
    SOCKET LayeredSocket;
    DWORD OutstandingAsync;  // guarded by gOverlappedLock
    BOOL Closing;            // guarded by gOverlappedLock
    DWORD BytesSent;
    DWORD BytesRecv;
    HANDLE CompletionPort;  // the manager's port, once ProviderSocket is tied to it
    HWND Window;
    UINT Message;
    CCriticalSection Lock;  // the one-time tie to the completion port
    ProviderInfo* Provider;
    SocketInfo* Prev;
    SocketInfo* Next;
};

// A new record on the provider heap, linked at the head of its chain's list; null after a
// debugger line when the heap has no room.
SocketInfo* NewSocketInfo(ProviderInfo* pProvider, SOCKET sProvider, SocketInfo* pInherit);
void InsertSocketInfo(ProviderInfo* pProvider, SocketInfo* pInfo);
void UnlinkSocketInfo(ProviderInfo* pProvider, SocketInfo* pInfo);
// The first record whose ProviderSocket is sProvider, in pProvider's list or, with null, in
// every chain's; null when there is none.
SocketInfo* FindSocketInfo(ProviderInfo* pProvider, SOCKET sProvider);
void FreeSocketInfo(SocketInfo* pInfo);
int CountSocketRecords();

// The debugger line of a failed handle query: szText, the query's error, then szEnd. A null
// szText writes nothing.
struct CQueryFailureText {
    const char* szText = nullptr;
    const char* szEnd = "\r\n";
};

// The record of an application handle, or null after writing the failure line. *lpErrno then
// holds the query's error.
SocketInfo* QuerySocketInfo(SOCKET s, const CQueryFailureText& failure, LPINT lpErrno) noexcept;
