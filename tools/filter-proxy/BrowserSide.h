// What every part of serving a browser shares: the proxy's settings, the browser's side of the
// connection, the proxy's own answers, and the connection to a server through the layer.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "tools/filter-proxy/ProxyStream.h"
#include "tools/filter-proxy/portable/HostsFile.h"
#include "tools/filter-proxy/portable/ProxyOptions.h"

struct CProxyContext {
    const CProxyOptions& options;
    const CHostsFile& hosts;
    HANDLE hStop;

    DWORD IdleMs() const { return options.uIdleSeconds * 1000U; }
};

// What each part of serving a browser needs: its stream, the bytes it sent beyond what has
// been used so far, and where it came from (for the log).
struct CBrowser {
    CProxyStream& stream;
    std::string pending;
    std::string peer;
};

// Answers with the proxy's own status and a log line; the connection ends after it.
void Answer(CBrowser& browser, const CProxyContext& context, int iStatus, std::string_view text);

// A stream to the server through the layer; empty after answering 502 when the name does not
// resolve or the server cannot be reached.
std::unique_ptr<CProxyStream> OpenUpstream(CBrowser& browser, const CProxyContext& context,
                                           const std::string& host, std::uint16_t uPort);
