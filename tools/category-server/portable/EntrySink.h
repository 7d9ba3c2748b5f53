// Where the list readers put what they find.
#pragma once

#include <string_view>

class CEntrySink {
public:
    virtual ~CEntrySink() = default;
    // One entry: host normalised (HostName.h); path what follows the host, without its first
    // '/', in any case (empty for a domain entry); category as the list names it.
    virtual void Add(std::string_view host, std::string_view path, std::string_view category) = 0;
    // A line or rule not imported: an invalid name, an unsupported rule, a cut field.
    virtual void Skip() = 0;
};
