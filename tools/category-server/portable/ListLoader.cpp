// A first loader for "host[/path] Category" files only, scanning its entries; the indexed
// loader of every list format replaces it.
#include "tools/category-server/portable/ListLoader.h"

#include <algorithm>
#include <fstream>
#include <string_view>
#include <utility>

namespace {

struct CEntry {
    std::string strHost;
    std::string strPath;
    std::string strCategory;
};

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return out;
}

class CScanIndex : public CCategoryIndex {
public:
    explicit CScanIndex(std::vector<CEntry> entries) : m_entries(std::move(entries)) {}

    CCategoryAnswer Lookup(std::string_view url) const noexcept override {
        if (url.size() >= 7 && Lower(url.substr(0, 7)) == "http://") {
            url.remove_prefix(7);
        }
        const std::size_t nSlash = url.find('/');
        std::string_view host = url.substr(0, nSlash);
        const std::string_view path = nSlash == std::string_view::npos ? "" : url.substr(nSlash);
        host = host.substr(0, host.find(':'));
        const CEntry* pBest = nullptr;
        for (const CEntry& entry : m_entries) {
            const bool bHost =
                host.size() == entry.strHost.size()
                    ? Lower(host) == entry.strHost
                    : host.size() > entry.strHost.size() &&
                          host[host.size() - entry.strHost.size() - 1] == '.' &&
                          Lower(host.substr(host.size() - entry.strHost.size())) == entry.strHost;
            if (bHost && Lower(path).rfind(entry.strPath, 0) == 0 &&
                (pBest == nullptr || entry.strHost.size() + entry.strPath.size() >
                                         pBest->strHost.size() + pBest->strPath.size())) {
                pBest = &entry;
            }
        }
        return {pBest == nullptr ? std::string_view() : pBest->strCategory, false};
    }
    std::size_t EntryCount() const noexcept override { return m_entries.size(); }
    std::size_t MemoryBytes() const noexcept override { return 0; }

private:
    std::vector<CEntry> m_entries;
};

}  // namespace

std::string CLoadReport::Summary() const {
    return std::to_string(nEntries) + " entries, " + std::to_string(nSkipped) + " skipped, " +
           std::to_string(errors.size()) + " errors";
}

std::unique_ptr<const CCategoryIndex> LoadLists(const CListSet& lists, CLoadReport& report) {
    std::vector<CEntry> entries;
    for (const CListSource& source : lists.sources) {
        std::ifstream in(source.strPath);
        if (source.kind != CListSource::Kind::Database || !in) {
            report.errors.push_back(source.strPath + ": cannot be read");
            continue;
        }
        report.files.push_back(source.strPath);
        for (std::string line; std::getline(in, line);) {
            const std::size_t nBlank = line.find(' ');
            if (line.empty() || line[0] == '#' || nBlank == std::string::npos) {
                continue;
            }
            const std::string strKey = Lower(line.substr(0, nBlank));
            const std::size_t nSlash = strKey.find('/');
            entries.push_back({strKey.substr(0, nSlash),
                               nSlash == std::string::npos ? "" : strKey.substr(nSlash),
                               line.substr(nBlank + 1)});
        }
    }
    report.nEntries = entries.size();
    return std::make_unique<CScanIndex>(std::move(entries));
}
