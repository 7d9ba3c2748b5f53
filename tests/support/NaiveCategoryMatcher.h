// The category matching rules written the slow and obvious way, to check the index against:
// every entry is tried against the queried host and each of its parents.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/category-server/portable/CategoryIndex.h"
#include "tools/category-server/portable/HostName.h"
#include "tools/category-server/portable/ListText.h"
#include "tools/category-server/portable/UrlParts.h"

class CNaiveCategoryMatcher {
public:
    // host normalised; path in any case; rank: the lower wins at equal specificity.
    void Add(std::string host, std::string_view path, std::size_t nRank, std::string category) {
        m_entries.push_back({std::move(host), Folded(path), nRank, std::move(category)});
    }

    CCategoryAnswer Lookup(std::string_view url) const {
        const CUrlParts parts = SplitUrl(url);
        const std::string host = Folded(parts.host);
        const std::string path = Folded(parts.path);
        std::vector<std::string_view> candidates;  // the host, then its parents
        for (std::size_t i = 0; i < host.size(); ++i) {
            if ((i == 0 || (host[i - 1] == '.' && !IsIPLiteral(host))) && host[i] != '.') {
                candidates.push_back(std::string_view(host).substr(i));
            }
        }
        const CEntry* pBest = nullptr;
        for (const CEntry& entry : m_entries) {
            bool bHost = false;
            for (const std::string_view candidate : candidates) {
                bHost = bHost || candidate == entry.host;
            }
            if (!bHost || path.compare(0, entry.path.size(), entry.path) != 0) {
                continue;
            }
            if (pBest == nullptr || Better(entry, *pBest)) {
                pBest = &entry;
            }
        }
        bool bUrls = false;
        for (const CEntry& entry : m_entries) {
            for (const std::string_view candidate : candidates) {
                bUrls = bUrls || (!entry.path.empty() && candidate == entry.host &&
                                  (pBest == nullptr || entry.host.size() >= pBest->host.size()));
            }
        }
        return {pBest == nullptr ? std::string_view() : std::string_view(pBest->category), !bUrls};
    }

private:
    struct CEntry {
        std::string host;
        std::string path;
        std::size_t nRank;
        std::string category;
    };

    static std::string Folded(std::string_view text) {
        std::string out(text);
        for (char& c : out) {
            c = LowerAscii(c);
        }
        return out;
    }

    static bool Better(const CEntry& a, const CEntry& b) {
        if (a.host.size() != b.host.size()) {
            return a.host.size() > b.host.size();
        }
        if (a.path.size() != b.path.size()) {
            return a.path.size() > b.path.size();
        }
        return a.nRank < b.nRank;
    }

    std::vector<CEntry> m_entries;
};
