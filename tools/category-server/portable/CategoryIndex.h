// The category server's table: host names and host/path prefixes mapped to category names.
// Built once from the lists, then only read, by any number of threads at once.
#pragma once

#include <cstddef>
#include <string_view>

// A lookup's answer; category points into the index and lives as long as it.
struct CCategoryAnswer {
    std::string_view category;  // empty when no entry matches
    // True when no "urls" entry lies between the queried host and the matched one (for an
    // unknown site: on the host or any of its parents), so that every URL of the queried host
    // gets this answer and a client may keep it by host.
    bool bHostScope = true;
};

class CCategoryIndex {
public:
    virtual ~CCategoryIndex() = default;
    // url in any form the filter sends: "http://host:port/path" (scheme in any case),
    // "host/path", a bare host, a host with a trailing dot, upper case, an IP address.
    // Never allocates.
    virtual CCategoryAnswer Lookup(std::string_view url) const noexcept = 0;
    virtual std::size_t EntryCount() const noexcept = 0;
    // Bytes held by the index's own tables.
    virtual std::size_t MemoryBytes() const noexcept = 0;
};
