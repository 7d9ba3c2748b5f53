#include "tools/filter-proxy/portable/HostsFile.h"

#include <vector>

#include "tools/filter-proxy/portable/HeaderFields.h"

namespace {

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    constexpr std::string_view kWhite = " \t\r\v\f";
    for (std::size_t pos = line.find_first_not_of(kWhite); pos != std::string_view::npos;) {
        const std::size_t end = line.find_first_of(kWhite, pos);
        words.push_back(line.substr(pos, end - pos));
        pos = line.find_first_not_of(kWhite, end);
    }
    return words;
}

}  // namespace

std::optional<std::uint32_t> ParseIPv4(std::string_view text) {
    std::uint32_t uAddress = 0;
    for (int iPart = 0; iPart < 4; ++iPart) {
        const std::size_t dot = text.find('.');
        const std::string_view part = text.substr(0, dot);
        if ((iPart < 3) == (dot == std::string_view::npos) || part.empty() || part.size() > 3) {
            return std::nullopt;
        }
        std::uint32_t uPart = 0;
        for (const char c : part) {
            if (c < '0' || c > '9') {
                return std::nullopt;
            }
            uPart = uPart * 10 + static_cast<std::uint32_t>(c - '0');
        }
        if (uPart > 255) {
            return std::nullopt;
        }
        uAddress = (uAddress << 8) | uPart;
        text.remove_prefix(dot == std::string_view::npos ? text.size() : dot + 1);
    }
    return uAddress;
}

CHostsFile::CHostsFile(std::string_view text) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        line = line.substr(0, line.find('#'));
        const std::vector<std::string_view> words = Words(line);
        if (words.empty()) {
            continue;
        }
        const auto address = ParseIPv4(words.front());
        if (!address || words.size() < 2) {
            ++m_nSkipped;
            continue;
        }
        for (std::size_t i = 1; i < words.size(); ++i) {
            m_names.emplace(LowerCopy(words[i]), *address);
        }
    }
}

std::optional<std::uint32_t> CHostsFile::Resolve(std::string_view name) const {
    if (const auto address = ParseIPv4(name)) {
        return address;
    }
    const auto found = m_names.find(LowerCopy(name));
    return found == m_names.end() ? std::nullopt : std::optional(found->second);
}
