// The layered provider frame's records and process globals. One set per process that loads
// FilterLsp.dll; see Startup.cpp for their life cycle.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <ws2spi.h>

#include <mswsock.h>

#include <exception>

#include "log/LogFile.h"

// One per protocol chain served: the chain's record, the next provider's record, and the next
// provider's module and procedure table.
struct ProviderInfo {
    WSAPROTOCOL_INFOW NextProvider;
    WSAPROTOCOL_INFOW LayeredProvider;
    WSPPROC_TABLE NextProcTable;
    WCHAR ProviderPath[MAX_PATH];
    WCHAR LibraryPath[MAX_PATH];
    CHAR ProviderPathAnsi[MAX_PATH * 2];
    INT ProviderPathLen;
    HMODULE Module;
    LPWSPSTARTUP StartupEntry;
    struct SocketInfo* SocketList;
};

// Ties an application handle (from WPUCreateSocketHandle) to the next provider's socket.
struct SocketInfo {
    SOCKET ProviderSocket;
    SOCKET LayeredSocket;
    DWORD OutstandingAsync;
    BOOL Closing;
    DWORD BytesSent;
    DWORD BytesRecv;
    HANDLE CompletionPort;
    HWND Window;
    UINT Message;
    CRITICAL_SECTION Lock;
    ProviderInfo* Provider;
    SocketInfo* Prev;
    SocketInfo* Next;
};

// {3F8A61D2-7C4B-4E19-9D05-B2E6A4C8F731}: the catalogue record with this provider id is the
// module's own layer entry.
inline constexpr GUID kProviderGuid = {
    0x3f8a61d2, 0x7c4b, 0x4e19, {0x9d, 0x05, 0xb2, 0xe6, 0xa4, 0xc8, 0xf7, 0x31}};

inline constexpr SIZE_T kProviderHeapInitialSize = 128000;

extern LONG gEntryCount;
extern ProviderInfo* gBaseInfo;
extern BYTE gProviderCount;
extern DWORD gLayerEntryId;
extern WSPUPCALLTABLE gUpcalls;
extern WSPDATA gSavedWSPData;
extern WSPPROC_TABLE gSavedProcTable;
extern CRITICAL_SECTION gStartupLock;
extern CRITICAL_SECTION gOverlappedLock;
extern DWORD gCallProviderSlot;
extern volatile LONG gDetaching;
extern HINSTANCE gModuleInstance;
extern HANDLE gProviderHeap;
extern LPFN_TRANSMITFILE lpfnProviderTransmitFile;
extern LPFN_ACCEPTEX lpfnProviderAcceptEx;

// The module's log writer, named after the host program at attach.
CLogFile& FrameLog();
// The same log as the filter's judgement writes to it.
class IFilterLog;
IFilterLog& ProcessFilterLog();

// Debugger output, formatted with printf rules, written only while a debugger or a debug
// output monitor is there to read it.
void DebugOut(const char* szFormat, ...) noexcept;
bool DebugOutputWanted() noexcept;
// A log record formatted with printf rules.
void LogFormat(signed char iLevel, const char* szFormat, ...) noexcept;

// Holds one of the process-wide locks for its scope.
template <CRITICAL_SECTION& Section>
class CGlobalLockScope {
public:
    CGlobalLockScope() noexcept { ::EnterCriticalSection(&Section); }
    CGlobalLockScope(const CGlobalLockScope&) = delete;
    CGlobalLockScope& operator=(const CGlobalLockScope&) = delete;
    ~CGlobalLockScope() { ::LeaveCriticalSection(&Section); }
};

// Leaves, for its scope, a process-wide lock that the caller holds.
template <CRITICAL_SECTION& Section>
class CGlobalUnlockScope {
public:
    CGlobalUnlockScope() noexcept { ::LeaveCriticalSection(&Section); }
    CGlobalUnlockScope(const CGlobalUnlockScope&) = delete;
    CGlobalUnlockScope& operator=(const CGlobalUnlockScope&) = delete;
    ~CGlobalUnlockScope() { ::EnterCriticalSection(&Section); }
};

using CStartupLockScope = CGlobalLockScope<gStartupLock>;
using COverlappedLockScope = CGlobalLockScope<gOverlappedLock>;
using CStartupLockRelease = CGlobalUnlockScope<gStartupLock>;

// Puts a chain in gCallProviderSlot for the length of one next-provider call.
class CCallProviderScope {
public:
    explicit CCallProviderScope(ProviderInfo* pProvider) noexcept;
    CCallProviderScope(const CCallProviderScope&) = delete;
    CCallProviderScope& operator=(const CCallProviderScope&) = delete;
    ~CCallProviderScope();
};

// The record of an application handle, or null after writing szFailFormat (with the query's
// error) to the debugger. *lpErrno then holds the query's error.
SocketInfo* QuerySocketInfo(SOCKET s, const char* szFailFormat, LPINT lpErrno) noexcept;

// Runs an entry point body; an exception is logged and fails the call with WSAENOBUFS.
void LogException(const char* szWhat) noexcept;
template <class R, class F>
R GuardEntry(LPINT lpErrno, R failed, F body) noexcept {
    try {
        return body();
    } catch (const std::exception& e) {
        LogException(e.what());
    } catch (...) {
        LogException("");
    }
    if (lpErrno != nullptr) {
        *lpErrno = WSAENOBUFS;
    }
    return failed;
}

// Part of the socket records (SocketInfo.cpp).
SocketInfo* NewSocketInfo(ProviderInfo* pProvider, SOCKET sProvider, SocketInfo* pInherit);
void InsertSocketInfo(ProviderInfo* pProvider, SocketInfo* pInfo);
void UnlinkSocketInfo(ProviderInfo* pProvider, SocketInfo* pInfo);
SocketInfo* FindSocketInfo(ProviderInfo* pProvider, SOCKET sProvider);
void FreeSocketInfo(SocketInfo* pInfo);
int CountSocketRecords();

// Start-up and clean-up (Startup.cpp).
void FreeSocketsAndMemory(LPINT lpErrno);
LPWSAPROTOCOL_INFOW GetProviders(LPINT lpnTotalProtocols);
int CheckProcTable(const WSPPROC_TABLE* pTable);

// The worker window of asynchronous selects (AsyncSelect.cpp).
HWND GetWorkerWindow();
void StopWorkerWindow();

// The 30 own entries, in the published order (ProcTable.cpp).
void FillProcTable(LPWSPPROC_TABLE lpProcTable);
