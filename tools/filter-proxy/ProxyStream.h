// One side of a proxied connection (the browser's, or the server's through the layer) as the
// proxy uses it: receive with an idle limit, send all, finish sending. Overlapped and blocking
// kinds, chosen on the command line.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <memory>
#include <string_view>

#include "win/UniqueSocket.h"

class COverlappedStream;

class CProxyStream {
public:
    enum class Received { kData, kClosed, kIdle, kFailed, kStopped };

    CProxyStream() = default;
    CProxyStream(const CProxyStream&) = delete;
    CProxyStream& operator=(const CProxyStream&) = delete;
    virtual ~CProxyStream() = default;

    // Waits at most dwIdleMs (or until the proxy stops) for bytes; on kData `data` views them
    // until the next call.
    virtual Received Receive(std::string_view& data, DWORD dwIdleMs) = 0;
    // False when the peer is gone, or took nothing for dwIdleMs.
    virtual bool Send(std::string_view bytes, DWORD dwIdleMs) = 0;
    virtual void ShutdownSend() = 0;
    // Ends both directions at once, so that another thread blocked on this stream returns.
    virtual void Abort() = 0;
    virtual COverlappedStream* AsOverlapped() { return nullptr; }
};

// A stream of the kind the command line chose over a connected socket; hStop ends its waits.
std::unique_ptr<CProxyStream> MakeStream(CSocket socket, bool bOverlapped, HANDLE hStop);
