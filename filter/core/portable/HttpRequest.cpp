#include "filter/core/portable/HttpRequest.h"

#include "base/portable/Ascii.h"

std::string_view UpToFirstNul(std::string_view bytes) {
    return bytes.substr(0, bytes.find('\0'));
}

RequestLine ParseRequestLine(std::string_view head) {
    head = UpToFirstNul(head);
    RequestLine line;
    const std::size_t first = head.find(' ');
    if (first == std::string_view::npos) {
        return line;
    }
    line.method = head.substr(0, first);
    const std::size_t second = head.find(' ', first + 1);
    if (second == std::string_view::npos) {
        line.status = RequestLineStatus::NoRequestUri;
        return line;
    }
    line.requestUri = head.substr(first + 1, second - first - 1);
    line.status = head.substr(second + 1, 5) == "HTTP/" ? RequestLineStatus::Http
                                                        : RequestLineStatus::NotHttp;
    return line;
}

HostHeader FindHostHeader(std::string_view head) {
    head = UpToFirstNul(head);
    constexpr std::string_view kName = "host:";
    HostHeader header;
    // Header lines start after a line feed; the request line is never one of them.
    for (std::size_t lineStart = head.find('\n'); lineStart != std::string_view::npos;
         lineStart = head.find('\n', lineStart)) {
        ++lineStart;
        if (!EqualsNoCase(head.substr(lineStart, kName.size()), kName)) {
            continue;
        }
        std::size_t valueStart = lineStart + kName.size();
        while (valueStart < head.size() && (head[valueStart] == ' ' || head[valueStart] == '\t')) {
            ++valueStart;
        }
        const std::size_t valueEnd = head.find('\r', valueStart);
        if (valueEnd == std::string_view::npos) {
            header.status = HostStatus::NoValueEnd;
            return header;
        }
        header.status = HostStatus::Found;
        header.value = head.substr(valueStart, std::min(valueEnd - valueStart, kMaxHostLength));
        return header;
    }
    return header;
}

std::string UrlToJudge(std::string_view host, const std::string_view* pRequestUri) {
    if (pRequestUri == nullptr) {
        return std::string(host);
    }
    if (pRequestUri->substr(0, 7) == "http://") {
        return std::string(*pRequestUri);
    }
    std::string url(host);
    url += *pRequestUri;
    return url;
}

std::string_view HostName(std::string_view host) {
    if (host.starts_with('[')) {
        const std::size_t close = host.find(']');
        return close == std::string_view::npos ? host : host.substr(0, close + 1);
    }
    const std::size_t colon = host.find(':');
    // More than one colon: a bare IPv6 address, which has no port to take away.
    return colon == std::string_view::npos || host.find(':', colon + 1) != std::string_view::npos
               ? host
               : host.substr(0, colon);
}
