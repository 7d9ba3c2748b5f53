// A URL cut into the two parts categories are kept by: the host and the path after it.
// Takes "http://host:port/path" and "https://..." (scheme in any case), "host/path", a bare
// host, "user@host", "[IPv6]:port". The host keeps its case and IPv6 brackets, loses its port
// and trailing dots; the path is what follows the host without its first '/' and without a
// "#fragment": "host" and "host/" both have the empty path.
#pragma once

#include <string_view>

struct CUrlParts {
    std::string_view host;
    std::string_view path;
};

CUrlParts SplitUrl(std::string_view url) noexcept;
