// Plain blocking receives and sends, for comparison with the overlapped kind. Each wait is a
// select on this one socket, in short slices so that the proxy's stop is seen.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <string_view>

#include "tools/filter-proxy/PageBuffer.h"
#include "tools/filter-proxy/ProxyStream.h"

class CBlockingStream : public CProxyStream {
public:
    CBlockingStream(CSocket socket, HANDLE hStop);

    Received Receive(std::string_view& data, DWORD dwIdleMs) override;
    bool Send(std::string_view bytes, DWORD dwIdleMs) override;
    void ShutdownSend() override;
    void Abort() override;

private:
    // kData when the socket is ready, else why not.
    Received AwaitReady(bool bWrite, DWORD dwIdleMs) const;

    CSocket m_socket;
    HANDLE m_hStop;
    CPageBuffer m_buffer;
};
