// The proxy's own answers (502, 503, 431, ...): a status line, a short text body saying why,
// and the end of the connection.
#pragma once

#include <string>
#include <string_view>

std::string StatusReply(int iStatus, std::string_view text);

// The reason phrase of the statuses the proxy sends itself.
const char* ReasonPhrase(int iStatus);
