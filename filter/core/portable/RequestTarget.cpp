#include "filter/core/portable/RequestTarget.h"

#include "base/portable/Ascii.h"
#include "filter/core/portable/HttpRequest.h"

namespace {

// The scheme of an absolute-form target, in any case; 0 when the target is not one.
std::size_t SchemeLength(std::string_view target) {
    for (const std::string_view scheme :
         {std::string_view("http://"), std::string_view("https://")}) {
        if (StartsWithNoCase(target, scheme)) {
            return scheme.size();
        }
    }
    return 0;
}

struct AbsoluteTarget {
    std::string_view authority;
    std::string_view path;
};

AbsoluteTarget SplitAbsolute(std::string_view target, std::size_t nScheme) {
    const std::string_view rest = target.substr(nScheme);
    const std::size_t nEnd = std::min(rest.find_first_of("/?#"), rest.size());
    std::string_view authority = rest.substr(0, nEnd);
    // Credentials before an '@' are not part of the host a server serves.
    if (const std::size_t nAt = authority.rfind('@'); nAt != std::string_view::npos) {
        authority.remove_prefix(nAt + 1);
    }
    return {authority, rest.substr(nEnd)};
}

}  // namespace

std::string NormalizedHost(std::string_view host) {
    std::string_view name = HostName(host);
    const std::string_view port = host.substr(name.size());
    while (name.size() > 1 && name.back() == '.') {
        name.remove_suffix(1);
    }
    std::string normalized = LowerCopy(name);
    normalized += port;
    return normalized;
}

StrictRequest ReadStrictRequest(std::string_view head) {
    StrictRequest request;
    const RequestLine line = ParseRequestLine(head);
    if (line.status != RequestLineStatus::Http || line.requestUri.empty()) {
        return request;
    }
    request.bReadable = true;
    if (line.method == "CONNECT") {
        // The tunnel's site is its target, whatever a Host header says; its port is no part
        // of the site.
        request.bConnect = true;
        request.host = NormalizedHost(HostName(line.requestUri));
        request.url = request.host;
        return request;
    }
    std::string_view path = line.requestUri;
    if (const std::size_t nScheme = SchemeLength(line.requestUri); nScheme != 0) {
        // A server takes an absolute-form target's host and ignores the Host header.
        const AbsoluteTarget target = SplitAbsolute(line.requestUri, nScheme);
        request.host = NormalizedHost(target.authority);
        path = target.path;
    } else if (const HostHeader header = FindHostHeader(head); header.status == HostStatus::Found) {
        request.host = NormalizedHost(header.value);
    }
    request.url = request.host;
    request.url += path;
    return request;
}

std::string PercentDecoded(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexDigitValue(text[i + 1]) >= 0 &&
            HexDigitValue(text[i + 2]) >= 0) {
            decoded +=
                static_cast<char>(HexDigitValue(text[i + 1]) * 16 + HexDigitValue(text[i + 2]));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}
