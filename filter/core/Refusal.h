// How the strict filter refuses a connection: nothing more of it reaches the server (the frame
// withholds the send that brought the refusal and shuts the send side), and the application's
// receives get the protocol's own refusal and then the end of the stream.
#pragma once

#include <string_view>

#include "filter/core/portable/SocketFilterState.h"

// A blocked site (state.policyApplied says why), on any kind of stream: refused with the
// refusal its protocol knows (a TLS access_denied alert, a SOCKS5 "not allowed by ruleset"
// or SOCKS4 "rejected" reply, a 403 to an HTTP CONNECT) and recorded in the journal of blocks.
// Every kind of block that ends a connection comes here.
void RefuseBlocked(SocketFilterState& state);

// Bytes the filter cannot read as a server would (a malformed or oversized ClientHello or
// request head): refused with `reply`, which is not a block of any rule, so not journalled.
// With filtering switched off the connection is passed instead. True when refused.
bool RefuseUnreadable(SocketFilterState& state, std::string_view reply, const char* szWhy);

// The replies for bytes that could not be read.
inline constexpr std::string_view kBadRequestReply =
    "HTTP/1.1 400 Bad Request\r\nConnection: close\r\nContent-Length: 0\r\n\r\n";
std::string_view TlsRefusalReply();
