// The overlapped operation manager: applications' overlapped calls are issued to the next
// provider with a record of the frame's own, and the application's record is completed from it.
#pragma once

#include "filter/frame/Frame.h"

enum OverlappedOperation : DWORD {
    kOpIoctl = 0,
    kOpRecv = 1,
    kOpRecvFrom = 2,
    kOpSend = 3,
    kOpSendTo = 4,
    kOpTransmitFile = 5,
    kOpAcceptEx = 6,
};

// The arguments an operation keeps until it is issued. Pointer-sized, not 32-bit words: the
// buffers and handles are 64-bit on x64.
struct IoctlArgs {
    DWORD ControlCode;
    LPVOID InBuffer;
    DWORD InLength;
    LPVOID OutBuffer;
    DWORD OutLength;
};

struct TransferArgs {
    LPWSABUF Buffers;
    DWORD BufferCount;
    DWORD Flags;        // in and out for receives
    sockaddr* Address;  // from (receive-from) or to (send-to)
    LPINT FromLength;
    int ToLength;
};

struct TransmitFileArgs {
    HANDLE File;
    DWORD BytesToWrite;
    DWORD BytesPerSend;
    LPTRANSMIT_FILE_BUFFERS Buffers;
    DWORD Flags;
};

struct AcceptExArgs {
    SOCKET AcceptSocket;  // the application's handle
    SOCKET AcceptProviderSocket;
    PVOID OutputBuffer;
    DWORD ReceiveDataLength;
    DWORD LocalAddressLength;
    DWORD RemoteAddressLength;
};

union OverlappedArgs {
    IoctlArgs Ioctl;
    TransferArgs Transfer;
    TransmitFileArgs TransmitFile;
    AcceptExArgs AcceptEx;
};

// Buffers an operation issued later (queue mode) keeps itself: the caller's array may live on
// its stack.
inline constexpr DWORD kInlineBuffers = 4;

struct OverlappedStructure {
    WSAOVERLAPPED ProviderOverlapped;  // first: the next provider's completions point here
    ProviderInfo* Provider;
    SocketInfo* SocketRecord;
    SOCKET CallerSocket;
    SOCKET ProviderSocket;
    INT Error;
    OverlappedArgs Args;
    DWORD Operation;
    WSATHREADID CallerThreadId;  // a copy: the caller's may not outlive its call
    BOOL HasCallerThread;
    LPWSAOVERLAPPED CallerOverlapped;
    LPWSAOVERLAPPED_COMPLETION_ROUTINE CallerCompletionRoutine;
    DWORD BytesTransferred;  // the next provider writes its immediate byte count here
    DWORD PacketError;       // a failed completion packet's error, for a provider socket gone
    // Completion through an event for operations no manager thread hears of.
    HANDLE CompletionEvent;
    HANDLE CompletionWait;
    volatile LONG CompletionRefs;
    WSABUF OwnBuffers[kInlineBuffers];
    LPWSABUF HeapBuffers;
    sockaddr_storage OwnAddress;
    OverlappedStructure* Next;
};

// What an entry point hands to StartOverlappedOperation.
struct OverlappedRequest {
    DWORD Operation;
    LPWSAOVERLAPPED CallerOverlapped;
    LPWSAOVERLAPPED_COMPLETION_ROUTINE CompletionRoutine;
    LPWSATHREADID ThreadId;
    ProviderInfo* Provider;  // null: the socket record's chain
    OverlappedArgs Args;
};

// The pool (OverlappedPool.cpp); all but the count under gOverlappedLock.
bool GrowOverlappedPool();
OverlappedStructure* TakeFromPool();
void ReturnToPool(OverlappedStructure* pRecord);
int OverlappedRecordsInUse();
void ForgetOverlappedPool();
bool CaptureBuffers(OverlappedStructure* pRecord);

// The manager (OverlappedManager.cpp).
int InitOverlappedManager();
void StopOverlappedManager();
bool OverlappedManagerPortMode();
OverlappedStructure* GetOverlappedStructure(SocketInfo* pInfo);
int QueueOverlappedOperation(OverlappedStructure* pRecord, SocketInfo* pInfo);
void ReleaseOverlappedStructure(OverlappedStructure* pRecord);

// Issuing and completing (OverlappedExecute.cpp, OverlappedComplete.cpp).
int ExecuteOverlappedOperation(OverlappedStructure* pRecord, bool bSynchronous);
// An operation that will not complete: its error, flags and byte count go to the caller's
// record, the count and the record are given back; returns the error.
int FailOverlappedOperation(OverlappedStructure* pRecord, int iError);
void CALLBACK IntermediateCompletionRoutine(DWORD dwError, DWORD cbTransferred,
                                            LPWSAOVERLAPPED lpOverlapped, DWORD dwFlags);
void CALLBACK CallerCompletionApc(DWORD_PTR dwContext);
// Takes back one count of OutstandingAsync; when that was the last of a closed socket, closes
// its application handle and frees its record.
void CheckForContextClenaup(SocketInfo* pInfo);

// For entry points: 0 when completed at once, else the error for the caller (after writing
// szNoRecordText, if any, when no record could be had).
int StartOverlappedOperation(SocketInfo& info, SOCKET s, const OverlappedRequest& request,
                             const char* szNoRecordText);
// A filled record for the request, or null with the count given back.
OverlappedStructure* TakeOverlappedStructure(SocketInfo& info, SOCKET s,
                                             const OverlappedRequest& request);
// An entry point's result for StartOverlappedOperation's.
inline int OverlappedEntryResult(int iResult, LPINT lpErrno) noexcept {
    if (iResult == 0) {
        return 0;
    }
    *lpErrno = iResult;
    return SOCKET_ERROR;
}
