// The decision for one request, shared by the send path's ways of reading requests: the
// settings' state, the Host header, the words, and the category server, in that order. The
// verdict goes into the connection's record.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "filter/core/portable/SocketFilterState.h"

// An HTTP request whose head (or first send) is `copy`, with its Request-URI when one was read.
void Judge(SocketFilterState& state, std::string_view copy,
           const std::optional<std::string>& requestUri);

// A TLS connection by the server name of its ClientHello, judged as a request for that name.
void JudgeServerName(SocketFilterState& state, std::string_view serverName);
