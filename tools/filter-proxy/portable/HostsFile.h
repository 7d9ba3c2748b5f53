// Names to IPv4 addresses from a file in the format of /etc/hosts: "address name...", with
// comments from '#'. The first line naming a host wins, as with the system's resolver. IPv6
// lines and malformed ones are skipped and counted.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

class CHostsFile {
public:
    explicit CHostsFile(std::string_view text);

    // A name (any case) from the file, or a dotted-quad IPv4 address as it stands; the address
    // with its first byte in the highest bits.
    std::optional<std::uint32_t> Resolve(std::string_view name) const;
    std::size_t Names() const { return m_names.size(); }
    std::size_t SkippedLines() const { return m_nSkipped; }

private:
    std::map<std::string, std::uint32_t, std::less<>> m_names;
    std::size_t m_nSkipped = 0;
};

// "a.b.c.d", each part 0 to 255 in at most three decimal digits.
std::optional<std::uint32_t> ParseIPv4(std::string_view text);
