#include "tools/category-server/portable/UrlParts.h"

#include <cstddef>

#include "tools/category-server/portable/ListText.h"

namespace {

bool StartsWithFolded(std::string_view text, std::string_view prefix) noexcept {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (FoldCase(text[i]) != prefix[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

CUrlParts SplitUrl(std::string_view url) noexcept {
    url = Trim(url);
    for (const std::string_view scheme :
         {std::string_view("http://"), std::string_view("https://")}) {
        if (StartsWithFolded(url, scheme)) {
            url.remove_prefix(scheme.size());
            break;
        }
    }
    const std::size_t nAuthorityEnd = url.find_first_of("/?#");
    std::string_view authority = url.substr(0, nAuthorityEnd);
    std::string_view path =
        nAuthorityEnd == std::string_view::npos ? std::string_view() : url.substr(nAuthorityEnd);
    const std::size_t nAt = authority.rfind('@');
    if (nAt != std::string_view::npos) {
        authority.remove_prefix(nAt + 1);
    }
    std::string_view host = authority;
    if (!authority.empty() && authority.front() == '[') {
        const std::size_t nClose = authority.find(']');
        host = nClose == std::string_view::npos ? authority : authority.substr(0, nClose + 1);
    } else {
        host = authority.substr(0, authority.find(':'));
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
