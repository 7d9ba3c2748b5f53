#include "tools/category-server/portable/LineFormats.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>

#include "tools/category-server/portable/HostName.h"
#include "tools/category-server/portable/ListText.h"
#include "tools/category-server/portable/UrlParts.h"

namespace {

// The line without a "#" comment: one at its start, or one after a blank.
std::string_view WithoutComment(std::string_view line) {
    if (!line.empty() && line.front() == '#') {
        return {};
    }
    for (std::size_t i = 1; i < line.size(); ++i) {
        if (line[i] == '#' && IsAsciiBlank(line[i - 1])) {
            return TrimAscii(line.substr(0, i));
        }
    }
    return line;
}

// A "host[/path]" field: scheme, user and port allowed; the host must be valid.
void AddUrlField(std::string_view field, std::string_view category, std::string& host,
                 CEntrySink& sink) {
    const CUrlParts parts = SplitUrl(field);
    if (NormaliseHost(parts.host, host)) {
        sink.Add(host, parts.path, category);
    } else {
        sink.Skip();
    }
}

bool IsAddress(std::string_view field) {
    if (IsIPv4Literal(field)) {
        return true;
    }
    std::size_t nColons = 0;
    for (const char c : field.substr(0, field.find('%'))) {
        const char folded = LowerAscii(c);
        if (!((folded >= '0' && folded <= '9') || (folded >= 'a' && folded <= 'f') || c == ':' ||
              c == '.')) {
            return false;
        }
        nColons += c == ':' ? 1 : 0;
    }
    return nColons >= 2;
}

bool IsSystemName(std::string_view name) {
    static constexpr std::array<std::string_view, 17> kNames = {"localhost",
                                                                "localhost.localdomain",
                                                                "localhost4",
                                                                "localhost6",
                                                                "localhost4.localdomain4",
                                                                "localhost6.localdomain6",
                                                                "local",
                                                                "broadcasthost",
                                                                "ip6-localhost",
                                                                "ip6-loopback",
                                                                "ip6-localnet",
                                                                "ip6-mcastprefix",
                                                                "ip6-allnodes",
                                                                "ip6-allrouters",
                                                                "ip6-allhosts",
                                                                "0.0.0.0",
                                                                "127.0.0.1"};
    for (const std::string_view known : kNames) {
        if (name == known) {
            return true;
        }
    }
    return false;
}

bool IsAdblockComment(std::string_view line) {
    if (line.front() == '!' || (line.front() == '[' && line.back() == ']')) {
        return true;
    }
    // "#" starts a comment, except in the element-hiding rules "##", "#@#", "#?#" and "#$#".
    return line.front() == '#' &&
           (line.size() == 1 || std::string_view("#@?$").find(line[1]) == std::string_view::npos);
}

}  // namespace

void ReadDomainsList(std::string_view text, std::string_view category, CEntrySink& sink) {
    std::string host;
    ForEachLine(text, [&](std::string_view line) {
        line = WithoutComment(line);
        if (line.empty()) {
            return;
        }
        if (NormaliseHost(line, host)) {
            sink.Add(host, {}, category);
        } else {
            sink.Skip();
        }
    });
}

void ReadUrlsList(std::string_view text, std::string_view category, CEntrySink& sink) {
    std::string host;
    ForEachLine(text, [&](std::string_view line) {
        line = WithoutComment(line);
        if (line.empty()) {
            return;
        }
        std::string_view rest = line;
        const std::string_view field = TakeField(rest);
        if (!rest.empty()) {
            sink.Skip();  // a blank inside: not one URL
            return;
        }
        AddUrlField(field, category, host, sink);
    });
}

void ReadHostsList(std::string_view text, std::string_view category, CEntrySink& sink) {
    std::string host;
    ForEachLine(text, [&](std::string_view line) {
        line = WithoutComment(line);
        if (line.empty()) {
            return;
        }
        const std::string_view address = TakeField(line);
        if (!IsAddress(address) || line.empty()) {
            sink.Skip();
            return;
        }
        while (!line.empty()) {
            const std::string_view name = TakeField(line);
            if (!NormaliseHost(name, host)) {
                sink.Skip();
            } else if (!IsSystemName(host)) {
                sink.Add(host, {}, category);
            }
        }
    });
}

void ReadAdblockList(std::string_view text, std::string_view category, CEntrySink& sink) {
    std::string host;
    ForEachLine(text, [&](std::string_view line) {
        if (line.empty() || IsAdblockComment(line)) {
            return;
        }
        if (line.size() > 3 && line.substr(0, 2) == "||" && line.back() == '^') {
            const std::string_view name = line.substr(2, line.size() - 3);
            // Only a name: a '/', '*', '$', '^', '|' or ':' inside makes it another rule.
            const bool bPlain = std::none_of(name.begin(), name.end(), [](char c) {
                return c == '/' || c == '*' || c == '$' || c == '^' || c == '|' || c == ':';
            });
            if (bPlain && NormaliseHost(name, host) && name.back() != '.') {
                sink.Add(host, {}, category);
                return;
            }
        }
        sink.Skip();
    });
}

void ReadCategoryDatabase(std::string_view text, CEntrySink& sink) {
    std::string host;
    ForEachLine(text, [&](std::string_view line) {
        if (line.empty() || line.front() == '#') {
            return;
        }
        const std::string_view field = TakeField(line);
        if (line.empty()) {
            sink.Skip();  // no category
            return;
        }
        AddUrlField(field, line, host, sink);
    });
}
