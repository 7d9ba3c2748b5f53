// WSPIoctl and the two extension functions the frame always hands out in place of the next
// provider's, so that their sockets are translated too.
#include <cstring>

#include "filter/core/FilterHooks.h"
#include "filter/core/SharedFilterState.h"

#include "filter/frame/CallProviderScope.h"
#include "filter/frame/Entries.h"
#include "filter/frame/ExtensionFunctions.h"
#include "filter/frame/Forward.h"
#include "filter/frame/OverlappedComplete.h"
#include "filter/frame/OverlappedExecute.h"
#include "filter/frame/OverlappedRequest.h"
#include "filter/frame/StrictExtensions.h"
#include "filter/frame/Trace.h"

namespace {

const GUID kTransmitFileId = WSAID_TRANSMITFILE;
const GUID kAcceptExId = WSAID_ACCEPTEX;
const GUID kGetAcceptExSockaddrsId = WSAID_GETACCEPTEXSOCKADDRS;

// Hands out an own extension function, fetching the next provider's on the first request.
int AnswerExtension(SocketInfo& info, const WSPPROC_TABLE& next, void* pOwn, void** ppProvider,
                    LPVOID lpvInBuffer, DWORD cbInBuffer, LPVOID lpvOutBuffer, DWORD cbOutBuffer,
                    LPDWORD lpcbBytesReturned, LPINT lpErrno) {
    if (lpvOutBuffer == nullptr || cbOutBuffer < sizeof pOwn) {
        *lpErrno = WSAEFAULT;
        return SOCKET_ERROR;
    }
    std::memcpy(lpvOutBuffer, &pOwn, sizeof pOwn);
    *lpcbBytesReturned = sizeof pOwn;
    if (*ppProvider != nullptr) {
        return 0;
    }
    DWORD dwBytes = 0;
    return next.lpWSPIoctl(info.ProviderSocket, SIO_GET_EXTENSION_FUNCTION_POINTER, lpvInBuffer,
                           cbInBuffer, ppProvider, sizeof *ppProvider, &dwBytes, nullptr, nullptr,
                           nullptr, lpErrno);
}

// The target handle is known at once; an overlapped caller still hears of it the usual way.
int CompleteTargetHandleQuery(SocketInfo& info, SOCKET s, LPWSAOVERLAPPED lpOverlapped,
                              LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine,
                              LPWSATHREADID lpThreadId, LPINT lpErrno) {
    OverlappedStructure* pRecord = TakeOverlappedStructure(
        info, s, ExtensionRequest(kOpIoctl, lpOverlapped, lpCompletionRoutine, lpThreadId));
    if (pRecord == nullptr) {
        *lpErrno = WSAENOBUFS;
        return SOCKET_ERROR;
    }
    lpOverlapped->Internal = reinterpret_cast<ULONG_PTR>(lpCompletionRoutine);
    lpOverlapped->InternalHigh = sizeof(SOCKET);
    IntermediateCompletionRoutine(0, sizeof(SOCKET), &pRecord->ProviderOverlapped, 0);
    return OverlappedEntryResult(CompletedAtOnce(), lpErrno);
}

// Every other extension function is refused: the layer's handles are its own, so the next
// provider's function could not take them. With the strict switch on the log names the GUID,
// so that a program that needs one shows up.
int RefuseExtension(const GUID& id, LPINT lpErrno) {
    *lpErrno = WSAEINVAL;
    if (StrictFilterOn()) {
        Trace(1, "WSPIoctl :: Error = WSAEINVAL, extension function %s not handed out",
              GuidText(id).szText);
    } else {
        Trace(1, "WSPIoctl :: Error = WSAEINVAL");
    }
    return SOCKET_ERROR;
}

}  // namespace

int WSPAPI WSPIoctl(SOCKET s, DWORD dwIoControlCode, LPVOID lpvInBuffer, DWORD cbInBuffer,
                    LPVOID lpvOutBuffer, DWORD cbOutBuffer, LPDWORD lpcbBytesReturned,
                    LPWSAOVERLAPPED lpOverlapped,
                    LPWSAOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine,
                    LPWSATHREADID lpThreadId, LPINT lpErrno) {
    return GuardEntry(lpErrno, SOCKET_ERROR, [&]() -> int {
        SocketInfo* pInfo =
            QuerySocketInfo(s, {"WSPIoctl: WPUQuerySocketHandleContext() failed: "}, lpErrno);
        if (pInfo == nullptr) {
            Trace(1, "WSPIoctl :: Error = WSAENOTSOCK");
            *lpErrno = WSAENOTSOCK;
            return SOCKET_ERROR;
        }
        const WSPPROC_TABLE& next = pInfo->Provider->NextProcTable;
        const CCallProviderScope slot(pInfo->Provider);
        if (dwIoControlCode == SIO_GET_EXTENSION_FUNCTION_POINTER) {
            GUID id{};
            if (lpvInBuffer == nullptr || cbInBuffer < sizeof id) {
                *lpErrno = WSAEFAULT;
                return SOCKET_ERROR;
            }
            std::memcpy(&id, lpvInBuffer, sizeof id);
            if (IsEqualGUID(id, kTransmitFileId)) {
                return AnswerExtension(*pInfo, next, reinterpret_cast<void*>(&ExtTransmitFile),
                                       reinterpret_cast<void**>(&lpfnProviderTransmitFile),
                                       lpvInBuffer, cbInBuffer, lpvOutBuffer, cbOutBuffer,
                                       lpcbBytesReturned, lpErrno);
            }
            if (IsEqualGUID(id, kAcceptExId)) {
                return AnswerExtension(*pInfo, next, reinterpret_cast<void*>(&AcceptExExt),
                                       reinterpret_cast<void**>(&lpfnProviderAcceptEx), lpvInBuffer,
                                       cbInBuffer, lpvOutBuffer, cbOutBuffer, lpcbBytesReturned,
                                       lpErrno);
            }
            int iResult = 0;
            if (FilterStrictOn() && AnswerStrictExtension(*pInfo, id, lpvOutBuffer, cbOutBuffer,
                                                          lpcbBytesReturned, lpErrno, &iResult)) {
                return iResult;
            }
            if (!IsEqualGUID(id, kGetAcceptExSockaddrsId)) {
                return RefuseExtension(id, lpErrno);
            }
        } else if (dwIoControlCode == SIO_QUERY_TARGET_PNP_HANDLE) {
            if (lpvOutBuffer == nullptr || cbOutBuffer < sizeof(SOCKET)) {
                *lpErrno = WSAEFAULT;
                return SOCKET_ERROR;
            }
            std::memcpy(lpvOutBuffer, &pInfo->ProviderSocket, sizeof(SOCKET));
            *lpcbBytesReturned = sizeof(SOCKET);
            if (lpOverlapped == nullptr) {
                return 0;
            }
            return CompleteTargetHandleQuery(*pInfo, s, lpOverlapped, lpCompletionRoutine,
                                             lpThreadId, lpErrno);
        }
        if (lpOverlapped != nullptr) {
            OverlappedRequest request =
                ExtensionRequest(kOpIoctl, lpOverlapped, lpCompletionRoutine, lpThreadId);
            request.Args.Ioctl = {dwIoControlCode, lpvInBuffer, cbInBuffer, lpvOutBuffer,
                                  cbOutBuffer};
            return OverlappedEntryResult(
                StartOverlappedOperation(*pInfo, s, request,
                                         "WSPIoctl: GetOverlappedStructure() returned NULL\r\n"),
                lpErrno);
        }
        return next.lpWSPIoctl(pInfo->ProviderSocket, dwIoControlCode, lpvInBuffer, cbInBuffer,
                               lpvOutBuffer, cbOutBuffer, lpcbBytesReturned, nullptr,
                               lpCompletionRoutine, lpThreadId, lpErrno);
    });
}

BOOL PASCAL ExtTransmitFile(SOCKET hSocket, HANDLE hFile, DWORD nNumberOfBytesToWrite,
                            DWORD nNumberOfBytesPerSend, LPOVERLAPPED lpOverlapped,
                            LPTRANSMIT_FILE_BUFFERS lpTransmitBuffers, DWORD dwFlags) {
    int iError = 0;
    return GuardEntry(&iError, FALSE, [&]() -> BOOL {
        SocketInfo* pInfo = QuerySocketInfo(
            hSocket, {"ExtTransmitFile: WPUQuerySocketHandleContext() failed: ", "\n"}, &iError);
        if (pInfo == nullptr) {
            ::SetLastError(static_cast<DWORD>(iError));
            return FALSE;
        }
        if (lpfnProviderTransmitFile == nullptr) {
            DebugOut("lpfnProviderTransmitFile == NULL!\n");
            return FALSE;
        }
        if (lpOverlapped == nullptr) {
            const CCallProviderScope slot(pInfo->Provider);
            return lpfnProviderTransmitFile(pInfo->ProviderSocket, hFile, nNumberOfBytesToWrite,
                                            nNumberOfBytesPerSend, nullptr, lpTransmitBuffers,
                                            dwFlags);
        }
        // No thread id and no completion routine: the caller hears through its event.
        OverlappedRequest request = ExtensionRequest(kOpTransmitFile, lpOverlapped);
        request.Args.TransmitFile = {hFile, nNumberOfBytesToWrite, nNumberOfBytesPerSend,
                                     lpTransmitBuffers, dwFlags};
        return ExtensionResult(
            StartOverlappedOperation(*pInfo, hSocket, request,
                                     "ExtTransmitFile: GetOverlappedStructure() returned NULL!\n"));
    });
}

BOOL PASCAL AcceptExExt(SOCKET sListenSocket, SOCKET sAcceptSocket, PVOID lpOutputBuffer,
                        DWORD dwReceiveDataLength, DWORD dwLocalAddressLength,
                        DWORD dwRemoteAddressLength, LPDWORD lpdwBytesReceived,
                        LPOVERLAPPED lpOverlapped) {
    int iError = 0;
    return GuardEntry(&iError, FALSE, [&]() -> BOOL {
        SocketInfo* pListen = QuerySocketInfo(
            sListenSocket,
            {"AcceptExExt: WPUQuerySocketHandleContext on listen socket failed: ", "\n"}, &iError);
        SocketInfo* pAccept =
            pListen == nullptr
                ? nullptr
                : QuerySocketInfo(
                      sAcceptSocket,
                      {"AcceptExExt: WPUQuerySocketHandleContext on accept socket failed: ", "\n"},
                      &iError);
        if (pAccept == nullptr) {
            ::SetLastError(WSAENOTSOCK);
            return FALSE;
        }
        if (lpfnProviderAcceptEx == nullptr) {
            DebugOut("lpfnProviderAcceptEx == NULL!\n");
            return FALSE;
        }
        if (lpOverlapped == nullptr) {
            const CCallProviderScope slot(pListen->Provider);
            return lpfnProviderAcceptEx(pListen->ProviderSocket, pAccept->ProviderSocket,
                                        lpOutputBuffer, dwReceiveDataLength, dwLocalAddressLength,
                                        dwRemoteAddressLength, lpdwBytesReceived, nullptr);
        }
        // Completes on the listening socket; the bytes count for the accepted one.
        OverlappedRequest request = ExtensionRequest(kOpAcceptEx, lpOverlapped);
        request.Provider = pAccept->Provider;
        request.Args.AcceptEx = {sAcceptSocket,        pAccept->ProviderSocket,
                                 lpOutputBuffer,       dwReceiveDataLength,
                                 dwLocalAddressLength, dwRemoteAddressLength};
        return ExtensionResult(
            StartOverlappedOperation(*pListen, sListenSocket, request,
                                     "ExtAcceptEx: GetOverlappedStructre() returne NULL!\n"));
    });
}
