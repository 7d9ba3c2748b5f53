// The start of every extension function of the strict switch: the socket's record, and the
// chain's next function to call.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <ws2spi.h>

#include <mswsock.h>

#include <atomic>

#include "filter/frame/ProviderInfo.h"
#include "filter/frame/SocketInfo.h"
#include "filter/frame/Trace.h"

// Asks the chain's next provider for its function once; false with the provider's error when
// it has none, so that the application hears what it would hear without the layer.
template <class Fn>
bool FetchNextExtension(SocketInfo& info, const GUID& id, std::atomic<Fn>& next, LPINT lpErrno) {
    if (next.load() != nullptr) {
        return true;
    }
    GUID request = id;
    Fn pfn = nullptr;
    DWORD dwBytes = 0;
    if (info.Provider->NextProcTable.lpWSPIoctl(
            info.ProviderSocket, SIO_GET_EXTENSION_FUNCTION_POINTER, &request, sizeof request, &pfn,
            sizeof pfn, &dwBytes, nullptr, nullptr, nullptr, lpErrno) != 0 ||
        pfn == nullptr) {
        return false;
    }
    next.store(pfn);
    return true;
}

// The socket's record once the chain's next provider has given its function (a program may
// use a function it was given for a socket of another chain); null after setting the thread's
// last error (WSAENOTSOCK for an unknown handle).
template <class Fn>
SocketInfo* ExtensionTarget(SOCKET s, const char* szEntry, const GUID& id,
                            std::atomic<Fn> ChainExtensions::*next) noexcept {
    int iError = 0;
    SocketInfo* pInfo = QuerySocketInfo(s, {}, &iError);
    if (pInfo == nullptr) {
        DebugOut("%s: WPUQuerySocketHandleContext() failed: %d\n", szEntry, iError);
        ::SetLastError(WSAENOTSOCK);
        return nullptr;
    }
    if (!FetchNextExtension(*pInfo, id, pInfo->Provider->Extensions.*next, &iError)) {
        DebugOut("%s: the next provider has no such function: %d\n", szEntry, iError);
        ::SetLastError(static_cast<DWORD>(iError));
        return nullptr;
    }
    return pInfo;
}
