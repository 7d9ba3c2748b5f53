// What a request head asks for, read as web servers read it (the strict filter's reading):
// the host case-folded and without the trailing dot a resolver ignores, an absolute-form
// target's host taking the place of the Host header, and a CONNECT's target as its site.
#pragma once

#include <string>
#include <string_view>

// "Casino.Example.:80" gives "casino.example:80": a name is the same site in any case and
// with or without its root dot; the port, when there is one, stays.
std::string NormalizedHost(std::string_view host);

struct StrictRequest {
    bool bReadable = false;  // false: a request line no server would take
    bool bConnect = false;
    std::string host;  // normalized; empty when the request names none
    std::string url;   // host and path: what the words and the category server judge
};

// `head` is one whole request head.
StrictRequest ReadStrictRequest(std::string_view head);

// `text` with every %XX decoded (a stray '%' stays as it is).
std::string PercentDecoded(std::string_view text);
