// An absolute-form request forwarded to its server in origin form, over a connection of its
// own through the layer, and the response carried back.
#pragma once

#include "tools/filter-proxy/BrowserSide.h"
#include "tools/filter-proxy/portable/ProxyRequest.h"

// True when the browser's connection stays open for its next request.
bool ForwardRequest(CBrowser& browser, const CProxyContext& context, const CProxyRequest& request);
