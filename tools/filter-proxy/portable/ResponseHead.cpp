#include "tools/filter-proxy/portable/ResponseHead.h"

#include <vector>

namespace {

// "HTTP/1.x NNN reason": the status, or 0.
int StatusOf(std::string_view line) {
    if (line.size() < 12 || line.substr(0, 7) != "HTTP/1." || line[8] != ' ' ||
        (line.size() > 12 && line[12] != ' ')) {
        return 0;
    }
    int iStatus = 0;
    for (const char c : line.substr(9, 3)) {
        if (c < '0' || c > '9') {
            return 0;
        }
        iStatus = iStatus * 10 + (c - '0');
    }
    return iStatus >= 100 ? iStatus : 0;
}

}  // namespace

std::optional<CResponseHead> ParseResponseHead(std::string_view head, bool bHeadRequest) {
    const std::vector<std::string_view> lines = HeadLines(head);
    if (lines.empty()) {
        return std::nullopt;
    }
    CResponseHead response;
    response.iStatus = StatusOf(lines.front());
    auto headers = ParseHeaderLines({lines.begin() + 1, lines.end()});
    if (response.iStatus == 0 || !headers) {
        return std::nullopt;
    }
    response.headers = std::move(*headers);
    const bool bChunked = HeaderHasToken(response.headers, "Transfer-Encoding", "chunked");
    const LengthStatus length = ContentLength(response.headers, response.nLength);
    if (bHeadRequest || response.iStatus < 200 || response.iStatus == 204 ||
        response.iStatus == 304) {
        response.body = CResponseHead::Body::kNone;
        response.nLength = 0;
        response.bDelimited = true;
    } else if (bChunked) {
        // Relayed as it comes until the server closes (it was asked to); the client reads
        // the chunks' own end.
        response.bDelimited = lines.front()[7] == '1';
    } else if (length == LengthStatus::kValid) {
        response.body = CResponseHead::Body::kLength;
        response.bDelimited = true;
    } else if (length == LengthStatus::kInvalid) {
        return std::nullopt;
    }
    return response;
}

std::string ClientResponseHead(std::string_view head, const CResponseHead& response,
                               bool bKeepAlive) {
    std::string out(HeadLines(head).front());
    out += "\r\n";
    for (const auto& [name, value] : response.headers) {
        const bool bHop = EqualsNoCase(name, "Connection") || EqualsNoCase(name, "Keep-Alive") ||
                          EqualsNoCase(name, "Proxy-Connection") ||
                          HeaderHasToken(response.headers, "Connection", name);
        if (!bHop) {
            out += name + ": " + value + "\r\n";
        }
    }
    return out + (bKeepAlive ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n");
}
