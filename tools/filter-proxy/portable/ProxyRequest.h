// A request a browser sends to its HTTP proxy: an absolute-form request (GET http://host/...)
// to forward, or CONNECT host:port for a tunnel. Parsed from its complete head, and the head
// the proxy sends on to the server in its place.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tools/filter-proxy/portable/HeaderFields.h"

struct CProxyRequest {
    std::string method;
    bool bConnect = false;
    std::string host;         // lower case
    std::uint16_t uPort = 0;  // 80 when an absolute URL gives none
    std::string path;         // origin form: "/" at least; empty for CONNECT
    int iMinorVersion = 1;    // HTTP/1.x
    HeaderList headers;
    bool bKeepAlive = false;  // the client wants its connection kept after the response
    std::uint64_t nBodyBytes = 0;
};

struct CParsedRequest {
    int iStatus = 0;     // 0 when parsed, else the status to answer with
    std::string reason;  // why not, for the log
    CProxyRequest request;
};

CParsedRequest ParseProxyRequest(std::string_view head);

// The head for the server: origin form, the client's HTTP version, Host from the URL, no
// hop-by-hop headers, and "Connection: close" (one request per server connection).
std::string UpstreamHead(const CProxyRequest& request);

// host[:port] as a CONNECT target or URL authority names it; false when malformed. A port is
// required when uDefaultPort is 0.
bool ParseAuthority(std::string_view authority, std::uint16_t uDefaultPort, std::string& host,
                    std::uint16_t& uPort);
