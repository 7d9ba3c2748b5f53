#include "tools/category-server/CategoryDatabase.h"

#include <algorithm>
#include <cctype>

namespace {

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

bool HostMatches(std::string_view host, std::string_view entry) {
    if (host == entry) {
        return true;
    }
    return host.size() > entry.size() && host.substr(host.size() - entry.size()) == entry &&
           host[host.size() - entry.size() - 1] == '.';
}

}  // namespace

size_t CCategoryDatabase::Load(std::istream& in) {
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const size_t blank = line.find(' ');
        if (line.empty() || line[0] == '#' || blank == std::string::npos) {
            continue;
        }
        const std::string strKey = Lower(line.substr(0, blank));
        const size_t slash = strKey.find('/');
        Entry entry;
        entry.strHost = strKey.substr(0, slash);
        entry.strPathPrefix = slash == std::string::npos ? "" : strKey.substr(slash);
        entry.strCategory = line.substr(blank + 1);
        m_entries.push_back(std::move(entry));
    }
    return m_entries.size();
}

std::optional<std::string> CCategoryDatabase::Lookup(std::string_view url) const {
    std::string strUrl = Lower(url);
    if (strUrl.rfind("http://", 0) == 0) {
        strUrl.erase(0, 7);
    }
    const size_t slash = strUrl.find('/');
    std::string strHost = strUrl.substr(0, slash);
    const std::string strPath = slash == std::string::npos ? "/" : strUrl.substr(slash);
    strHost = strHost.substr(0, strHost.find(':'));

    const Entry* pBest = nullptr;
    size_t nBest = 0;
    for (const Entry& entry : m_entries) {
        if (!HostMatches(strHost, entry.strHost) ||
            strPath.compare(0, entry.strPathPrefix.size(), entry.strPathPrefix) != 0) {
            continue;
        }
        const size_t nScore = entry.strHost.size() + entry.strPathPrefix.size();
        if (pBest == nullptr || nScore > nBest) {
            pBest = &entry;
            nBest = nScore;
        }
    }
    if (pBest == nullptr) {
        return std::nullopt;
    }
    return pBest->strCategory;
}
