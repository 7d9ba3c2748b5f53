#include "tools/category-server/portable/UrlParts.h"

#include <cstddef>

#include "tools/category-server/portable/ListText.h"

namespace {

bool StartsWithFolded(std::string_view text, std::string_view prefix) noexcept {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (LowerAscii(text[i]) != prefix[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

CUrlParts SplitUrl(std::string_view url) noexcept {
    url = TrimAscii(url);
    for (const std::string_view scheme :
         {std::string_view("http://"), std::string_view("https://")}) {
        if (StartsWithFolded(url, scheme)) {
            url.remove_prefix(scheme.size());
            break;
        }
    }
    // One pass over the authority, noting its last '@' and the first ':' after it.
    std::size_t nEnd = 0;
    std::size_t nHostStart = 0;
    std::size_t nColon = std::string_view::npos;
    for (; nEnd < url.size(); ++nEnd) {
        const char c = url[nEnd];
        if (c == '/' || c == '?' || c == '#') {
            break;
        }
        if (c == '@') {
            nHostStart = nEnd + 1;
            nColon = std::string_view::npos;
        } else if (c == ':' && nColon == std::string_view::npos) {
            nColon = nEnd;
        }
    }
    std::string_view path = url.substr(nEnd);
    std::string_view host;
    if (nHostStart < nEnd && url[nHostStart] == '[') {
        const std::string_view authority = url.substr(nHostStart, nEnd - nHostStart);
        const std::size_t nClose = authority.find(']');
        host = nClose == std::string_view::npos ? authority : authority.substr(0, nClose + 1);
    } else {
        host =
            url.substr(nHostStart, (nColon == std::string_view::npos ? nEnd : nColon) - nHostStart);
        while (!host.empty() && host.back() == '.') {
            host.remove_suffix(1);
        }
    }
    path = path.substr(0, path.find('#'));
    if (!path.empty() && path.front() == '/') {
        path.remove_prefix(1);
    }
    return {host, path};
}
