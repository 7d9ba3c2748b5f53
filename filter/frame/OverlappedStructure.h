// The frame's own record of one overlapped operation, and the arguments the operation keeps
// until it is issued.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <ws2spi.h>

#include <mswsock.h>

struct ProviderInfo;
struct SocketInfo;

enum OverlappedOperation : DWORD {
    kOpIoctl = 0,
    kOpRecv = 1,
    kOpRecvFrom = 2,
    kOpSend = 3,
    kOpSendTo = 4,
    kOpTransmitFile = 5,
    kOpAcceptEx = 6,
    // The extension functions handed out with the strict switch on.
    kOpConnectEx = 7,
    kOpDisconnectEx = 8,
    kOpTransmitPackets = 9,
    kOpRecvMsg = 10,
    kOpSendMsg = 11,
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

// The extension functions of the strict switch are always issued on the application's thread,
// so what they point at is still there.
struct ConnectExArgs {
    const sockaddr* Name;
    int NameLength;
    PVOID SendBuffer;
    DWORD SendLength;
    DWORD WithheldLength;  // a refused first send: reported sent once the connect completes
};

struct DisconnectExArgs {
    DWORD Flags;
    DWORD Reserved;
};

struct TransmitPacketsArgs {
    LPTRANSMIT_PACKETS_ELEMENT Elements;
    DWORD ElementCount;
    DWORD SendSize;
    DWORD Flags;
};

struct MessageArgs {
    LPWSAMSG Message;
    DWORD Flags;  // WSASendMsg's flags (WSARecvMsg's are in the message)
    // A stream receive's buffers, kept for the filter, which reads them at completion.
    LPWSABUF Buffers;
    DWORD BufferCount;
};

union OverlappedArgs {
    IoctlArgs Ioctl;
    TransferArgs Transfer;
    TransmitFileArgs TransmitFile;
    AcceptExArgs AcceptEx;
    ConnectExArgs ConnectEx;
    DisconnectExArgs DisconnectEx;
    TransmitPacketsArgs TransmitPackets;
    MessageArgs Message;
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
    OverlappedArgs Args;
    DWORD Operation;
    WSATHREADID CallerThreadId;  // a copy: the caller's may not outlive its call
    BOOL HasCallerThread;
    BOOL OwnsCallerThread;  // opened by the frame (an extension function has no thread id)
    LPWSAOVERLAPPED CallerOverlapped;
    LPWSAOVERLAPPED_COMPLETION_ROUTINE CallerCompletionRoutine;
    DWORD BytesTransferred;  // the next provider's byte count of an operation that failed at once
    DWORD PacketError;       // a failed completion packet's error, for a provider socket gone
    // Completion through an event for operations no manager thread hears of. Plain handles:
    // records are zero-filled by the pool, which closes them when the record goes back.
    HANDLE CompletionEvent;
    HANDLE CompletionWait;
    LONG CompletionRefs;  // changed with interlocked operations
    WSABUF OwnBuffers[kInlineBuffers];
    LPWSABUF HeapBuffers;
    sockaddr_storage OwnAddress;
    OverlappedStructure* Next;
};
