// The send path's reading of a connection's request: bytes of 1- and 2-byte sends collected
// into a head, the request line parsed until a send shows "HTTP/", and the copy of the first
// buffer that the judgement then reads.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "filter/core/portable/IFilterLog.h"
#include "filter/core/portable/SocketFilterState.h"

struct InspectedSend {
    bool bJudge = false;  // false for a 1-byte send: it is only collected
    std::string copy;     // the first buffer up to its first NUL byte
    std::optional<std::string> requestUri;
};

// Updates state (isHttp, host, pendingRequest) from one non-empty first buffer.
InspectedSend InspectSend(SocketFilterState& state, std::string_view firstBuffer, IFilterLog& log);
