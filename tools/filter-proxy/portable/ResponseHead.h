// A server's response head as the proxy needs it: how its body ends, and the head the client
// gets, with the proxy's own say on whether the connection stays open.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tools/filter-proxy/portable/HeaderFields.h"

struct CResponseHead {
    enum class Body { kNone, kLength, kUntilClose };

    int iStatus = 0;
    Body body = Body::kUntilClose;
    std::uint64_t nLength = 0;  // with kLength
    // The client can find the end of the body by itself (a length, chunks, or none at all).
    bool bDelimited = false;
    HeaderList headers;
};

// Empty when the head is not an HTTP/1.x status line and headers. bHeadRequest: the response
// to a HEAD request, which has no body whatever its headers say.
std::optional<CResponseHead> ParseResponseHead(std::string_view head, bool bHeadRequest);

// The head for the client: the status line as the server sent it, the headers without the
// hop-by-hop ones, and a Connection header saying whether the connection stays open.
std::string ClientResponseHead(std::string_view head, const CResponseHead& response,
                               bool bKeepAlive);
