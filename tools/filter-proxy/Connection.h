// One browser connection, served on its own thread: request after request while the browser
// keeps it open, or one tunnel.
#pragma once

#include "tools/filter-proxy/BrowserSide.h"
#include "win/UniqueSocket.h"

// bRefuse: the proxy is at its connection limit; the first request is answered with 503.
void ServeConnection(CSocket browser, const CProxyContext& context, bool bRefuse) noexcept;
