// The parts of an HTTP request head that the filter judges: the request line, the Host
// header, and the URL built from them. Texts end at their first NUL byte, as the send path
// sees them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

inline constexpr std::size_t kMaxHostLength = 1024;

enum class RequestLineStatus { NoMethod, NoRequestUri, NotHttp, Http };

struct RequestLine {
    RequestLineStatus status = RequestLineStatus::NoMethod;
    std::string_view method;      // the bytes before the first blank
    std::string_view requestUri;  // between the first and the second blank
};

// "METHOD SP Request-URI SP HTTP/..."; the version prefix "HTTP/" is case-sensitive.
RequestLine ParseRequestLine(std::string_view head);

enum class HostStatus { NotFound, NoValueEnd, Found };

struct HostHeader {
    HostStatus status = HostStatus::NotFound;
    std::string_view value;  // at most kMaxHostLength characters
};

// The Host header: only at the start of a header line, its name compared without regard to
// case, blanks after the colon skipped, the value ending before the next carriage return.
HostHeader FindHostHeader(std::string_view head);

// The URL to judge: an absolute "http://" Request-URI as it stands, else the host followed by
// the Request-URI, else the host alone.
std::string UrlToJudge(std::string_view host, const std::string_view* pRequestUri);

// A Host header's name without its port: "a.example:8080" gives "a.example", "[::1]:80"
// gives "[::1]"; anything else as it stands.
std::string_view HostName(std::string_view host);

std::string_view UpToFirstNul(std::string_view bytes);
