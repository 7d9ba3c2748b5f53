// The decision for one request, shared by the send path's ways of reading requests: the
// settings' state, the Host header, the words, and the category server, in that order. The
// verdict goes into the connection's record.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "filter/core/portable/RequestTarget.h"
#include "filter/core/portable/SocketFilterState.h"

// An HTTP request whose head (or first send) is `copy`, with its Request-URI when one was read.
void Judge(SocketFilterState& state, std::string_view copy,
           const std::optional<std::string>& requestUri);

// A connection by the site it names (a ClientHello's server name, a proxy request's target,
// or the peer's address), judged as a request for that host: case-folded, without a trailing
// dot, and its words also read percent-decoded.
void JudgeServerName(SocketFilterState& state, std::string_view serverName);

// A request head as the strict filter reads it (ReadStrictRequest).
void JudgeStrictRequest(SocketFilterState& state, const StrictRequest& request);
