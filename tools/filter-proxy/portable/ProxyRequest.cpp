#include "tools/filter-proxy/portable/ProxyRequest.h"

#include <algorithm>
#include <vector>

namespace {

CParsedRequest Refuse(int iStatus, std::string reason) {
    CParsedRequest parsed;
    parsed.iStatus = iStatus;
    parsed.reason = std::move(reason);
    return parsed;
}

bool IsHostChar(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' ||
           c == '.' || c == '_';
}

bool IsPathChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u > 0x20 && u < 0x7f && c != '#';
}

// "HTTP/1.0" or "HTTP/1.1": the minor version; -1 for another version in a valid form, -2
// for something else.
int MinorVersion(std::string_view version) {
    if (version.size() != 8 || version.substr(0, 5) != "HTTP/" || version[6] != '.' ||
        version[5] < '0' || version[5] > '9' || version[7] < '0' || version[7] > '9') {
        return -2;
    }
    if (version[5] != '1' || version[7] > '1') {
        return -1;
    }
    return version[7] - '0';
}

// The target of a forwarded request, http://authority[/path]; sets the status on failure.
int TakeAbsoluteTarget(std::string_view target, CProxyRequest& request, std::string& reason) {
    constexpr std::string_view kScheme = "http://";
    if (target.size() < kScheme.size() || !EqualsNoCase(target.substr(0, 7), kScheme)) {
        const bool bHttps = target.size() >= 8 && EqualsNoCase(target.substr(0, 8), "https://");
        reason = bHttps ? "https URLs go through CONNECT" : "not an absolute http URL";
        return bHttps ? 501 : 400;
    }
    target.remove_prefix(kScheme.size());
    const std::size_t end = target.find_first_of("/?");
    if (!ParseAuthority(target.substr(0, end), 80, request.host, request.uPort)) {
        reason = "bad host in the URL";
        return 400;
    }
    const std::string_view rest = end == std::string_view::npos ? "" : target.substr(end);
    if (!std::all_of(rest.begin(), rest.end(), IsPathChar)) {
        reason = "bad byte in the URL";
        return 400;
    }
    request.path = rest.empty() || rest[0] != '/' ? "/" + std::string(rest) : std::string(rest);
    return 0;
}

int TakeRequestLine(std::string_view line, CProxyRequest& request, std::string& reason) {
    const std::size_t first = line.find(' ');
    const std::size_t second = first == std::string_view::npos ? first : line.find(' ', first + 1);
    if (second == std::string_view::npos || line.find(' ', second + 1) != std::string_view::npos) {
        reason = "malformed request line";
        return 400;
    }
    request.method = std::string(line.substr(0, first));
    const std::string_view target = line.substr(first + 1, second - first - 1);
    request.iMinorVersion = MinorVersion(line.substr(second + 1));
    if (!IsToken(request.method) || target.empty() || request.iMinorVersion == -2) {
        reason = "malformed request line";
        return 400;
    }
    if (request.iMinorVersion < 0) {
        reason = "HTTP version not supported";
        return 505;
    }
    request.bConnect = request.method == "CONNECT";
    if (request.bConnect) {
        if (!ParseAuthority(target, 0, request.host, request.uPort)) {
            reason = "CONNECT needs host:port";
            return 400;
        }
        return 0;
    }
    return TakeAbsoluteTarget(target, request, reason);
}

int TakeBody(CProxyRequest& request, std::string& reason) {
    if (!HeaderValues(request.headers, "Transfer-Encoding").empty()) {
        reason = "request bodies with Transfer-Encoding are not supported";
        return 501;
    }
    if (ContentLength(request.headers, request.nBodyBytes) == LengthStatus::kInvalid) {
        reason = "bad Content-Length";
        return 400;
    }
    return 0;
}

bool WantsKeepAlive(const CProxyRequest& request) {
    const HeaderList& headers = request.headers;
    for (const char* szName : {"Connection", "Proxy-Connection"}) {
        if (HeaderHasToken(headers, szName, "close")) {
            return false;
        }
    }
    return request.iMinorVersion == 1 || HeaderHasToken(headers, "Connection", "keep-alive") ||
           HeaderHasToken(headers, "Proxy-Connection", "keep-alive");
}

bool IsHopByHop(const HeaderList& headers, std::string_view name) {
    for (const char* szHop :
         {"Connection", "Proxy-Connection", "Keep-Alive", "TE", "Trailer", "Transfer-Encoding",
          "Upgrade", "Proxy-Authorization", "Proxy-Authenticate", "Host"}) {
        if (EqualsNoCase(name, szHop)) {
            return true;
        }
    }
    return HeaderHasToken(headers, "Connection", name);
}

}  // namespace

bool ParseAuthority(std::string_view authority, std::uint16_t uDefaultPort, std::string& host,
                    std::uint16_t& uPort) {
    const std::size_t colon = authority.rfind(':');
    const std::string_view name = authority.substr(0, colon);
    if (name.empty() || name.size() > 253 || !std::all_of(name.begin(), name.end(), IsHostChar)) {
        return false;
    }
    if (colon == std::string_view::npos) {
        uPort = uDefaultPort;
    } else {
        const std::string_view digits = authority.substr(colon + 1);
        unsigned long nPort = 0;
        if (digits.empty() || digits.size() > 5) {
            return false;
        }
        for (const char c : digits) {
            if (c < '0' || c > '9') {
                return false;
            }
            nPort = nPort * 10 + static_cast<unsigned long>(c - '0');
        }
        uPort = static_cast<std::uint16_t>(nPort > 65535 ? 0 : nPort);
    }
    host = LowerCopy(name);
    return uPort != 0;
}

CParsedRequest ParseProxyRequest(std::string_view head) {
    const std::vector<std::string_view> lines = HeadLines(head);
    if (lines.empty()) {
        return Refuse(400, "empty request");
    }
    CParsedRequest parsed;
    CProxyRequest& request = parsed.request;
    parsed.iStatus = TakeRequestLine(lines.front(), request, parsed.reason);
    if (parsed.iStatus != 0) {
        return parsed;
    }
    auto headers = ParseHeaderLines({lines.begin() + 1, lines.end()});
    if (!headers) {
        return Refuse(400, "malformed header line");
    }
    request.headers = std::move(*headers);
    parsed.iStatus = TakeBody(request, parsed.reason);
    request.bKeepAlive = WantsKeepAlive(request);
    return parsed;
}

std::string UpstreamHead(const CProxyRequest& request) {
    std::string head = request.method + " " + request.path + " HTTP/1." +
                       std::to_string(request.iMinorVersion) + "\r\nHost: " + request.host;
    if (request.uPort != 80) {
        head += ":" + std::to_string(request.uPort);
    }
    head += "\r\n";
    for (const auto& [name, value] : request.headers) {
        if (!IsHopByHop(request.headers, name)) {
            head.append(name).append(": ").append(value).append("\r\n");
        }
    }
    return head + "Connection: close\r\n\r\n";
}
