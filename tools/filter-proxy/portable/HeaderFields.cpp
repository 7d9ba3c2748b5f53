#include "tools/filter-proxy/portable/HeaderFields.h"

#include <algorithm>

namespace {

// HTTP's optional white space around values and list members.
constexpr std::string_view kWhite = " \t";

bool ValidValue(std::string_view value) {
    return std::none_of(value.begin(), value.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return (u < 0x20 && c != '\t') || u == 0x7f;
    });
}

}  // namespace

bool IsTokenChar(char c) {
    if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
        return true;
    }
    return std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

bool IsToken(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), IsTokenChar);
}

std::vector<std::string_view> HeadLines(std::string_view head) {
    std::vector<std::string_view> lines;
    while (!head.empty()) {
        const std::size_t end = head.find('\n');
        std::string_view line = head.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty()) {
            break;
        }
        lines.push_back(line);
        if (end == std::string_view::npos) {
            break;
        }
        head.remove_prefix(end + 1);
    }
    return lines;
}

std::optional<HeaderList> ParseHeaderLines(const std::vector<std::string_view>& lines) {
    HeaderList headers;
    for (const std::string_view line : lines) {
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos || !IsToken(line.substr(0, colon))) {
            return std::nullopt;
        }
        const std::string_view value = TrimAscii(line.substr(colon + 1), kWhite);
        if (!ValidValue(value)) {
            return std::nullopt;
        }
        headers.emplace_back(line.substr(0, colon), value);
    }
    return headers;
}

std::vector<std::string_view> HeaderValues(const HeaderList& headers, std::string_view name) {
    std::vector<std::string_view> values;
    for (const auto& [field, value] : headers) {
        if (EqualsNoCase(field, name)) {
            values.emplace_back(value);
        }
    }
    return values;
}

bool HeaderHasToken(const HeaderList& headers, std::string_view name, std::string_view token) {
    for (std::string_view list : HeaderValues(headers, name)) {
        while (!list.empty()) {
            const std::size_t comma = list.find(',');
            if (EqualsNoCase(TrimAscii(list.substr(0, comma), kWhite), token)) {
                return true;
            }
            list.remove_prefix(comma == std::string_view::npos ? list.size() : comma + 1);
        }
    }
    return false;
}

LengthStatus ContentLength(const HeaderList& headers, std::uint64_t& nLength) {
    const auto values = HeaderValues(headers, "Content-Length");
    if (values.empty()) {
        return LengthStatus::kAbsent;
    }
    constexpr std::uint64_t kMax = std::uint64_t{1} << 53;
    std::optional<std::uint64_t> agreed;
    for (const std::string_view value : values) {
        if (value.empty() || value.size() > 16) {
            return LengthStatus::kInvalid;
        }
        std::uint64_t n = 0;
        for (const char c : value) {
            if (c < '0' || c > '9') {
                return LengthStatus::kInvalid;
            }
            n = n * 10 + static_cast<std::uint64_t>(c - '0');
        }
        if (n > kMax || (agreed && *agreed != n)) {
            return LengthStatus::kInvalid;
        }
        agreed = n;
    }
    nLength = *agreed;
    return LengthStatus::kValid;
}
