// The category server's lookup table: host or host suffix, optionally with a path prefix,
// mapped to a category name. The longest match wins.
#pragma once

#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CCategoryDatabase {
public:
    // Lines "host[/path-prefix] Category Name"; blank lines and lines starting with '#' are
    // skipped. Returns the number of entries read.
    size_t Load(std::istream& in);

    // The category of a URL as the filter sends it: host followed by the Request-URI, or an
    // absolute "http://host/..." form.
    std::optional<std::string> Lookup(std::string_view url) const;

private:
    struct Entry {
        std::string strHost;
        std::string strPathPrefix;
        std::string strCategory;
    };
    std::vector<Entry> m_entries;
};
