// CONNECT: a tunnel to the server through the layer, so the browser's own TLS ClientHello is
// judged by its server name. The proxy only carries bytes both ways.
#pragma once

#include "tools/filter-proxy/BrowserSide.h"
#include "tools/filter-proxy/portable/ProxyRequest.h"

void RunTunnel(CBrowser& browser, const CProxyContext& context, const CProxyRequest& request);
