// The public suffixes (com, co.uk, *.ck) that a list entry may not be: an entry for one would
// give a category to every site under it. Read from Debian's copy of the public suffix list.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>

class CPublicSuffixes {
public:
    // Reads the list's rules: "name", "*.name" (every name one label under it), "!name" (an
    // exception to a wildcard); "//" comments. When the file marks its ICANN section, only that
    // section counts: the private section's names (blogspot.com, github.io) are companies'
    // domains, which a list may rightly categorise whole. UTF-8 rules are kept in their "xn--"
    // form. Returns the number of rules kept.
    std::size_t Parse(std::string_view text);

    bool Empty() const noexcept { return m_plain.empty() && m_wildcard.empty(); }

    // True when host (normalised) is itself a public suffix. The list's implicit rule that an
    // unlisted top-level name is one is not applied, so that "localhost" or "lan" stay entries;
    // a wildcard's base ("ck" for "*.ck") counts as a suffix too.
    bool IsPublicSuffix(std::string_view host) const;

private:
    struct CHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const noexcept {
            return std::hash<std::string_view>{}(text);
        }
    };
    using CSet = std::unordered_set<std::string, CHash, std::equal_to<>>;
    CSet m_plain;
    CSet m_wildcard;  // "ck" for "*.ck"
    CSet m_exceptions;
};
