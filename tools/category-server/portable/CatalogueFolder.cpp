#include "tools/category-server/portable/CatalogueFolder.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

namespace fs = std::filesystem;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return text;
}

bool EndsWith(const std::string& lower, const char* szEnd) {
    const std::string end = szEnd;
    return lower.size() > end.size() &&
           lower.compare(lower.size() - end.size(), end.size(), end) == 0;
}

// "[NAME.]CATEGORY.kind" -> CATEGORY; the name without its kind's extension comes in.
std::string CategoryOf(const std::string& stem) {
    const std::size_t nDot = stem.rfind('.');
    return nDot == std::string::npos ? stem : stem.substr(nDot + 1);
}

// Adds one catalogue entry to lists, or its name to ignored.
void Recognise(const fs::directory_entry& entry, const CServerOptions& options, CListsToLoad& out) {
    using Kind = CListSource::Kind;
    const std::string path = entry.path().string();
    const std::string name = entry.path().filename().string();
    const std::string lower = Lower(name);
    std::error_code ec;
    if (entry.is_directory(ec)) {
        out.lists.sources.push_back({Kind::Tree, path, ""});
        return;
    }
    if (EndsWith(lower, ".tar.gz") || EndsWith(lower, ".tgz")) {
        out.lists.sources.push_back({Kind::Tarball, path, ""});
        return;
    }
    if (lower == kCatalogueMapName) {
        if (options.lists.strMapFile.empty()) {
            out.lists.strMapFile = path;
        }
        return;
    }
    if (lower == kCatalogueSuffixesName) {
        if (options.lists.strPublicSuffixFile.empty() && !options.bNoPublicSuffixes) {
            out.lists.strPublicSuffixFile = path;
        }
        return;
    }
    for (const auto& [szExtension, kind] :
         {std::pair{".hosts", Kind::Hosts}, std::pair{".adblock", Kind::Adblock},
          std::pair{".domains", Kind::Domains}}) {
        if (EndsWith(lower, szExtension)) {
            const std::string category =
                CategoryOf(name.substr(0, name.size() - std::string(szExtension).size()));
            if (category.empty()) {
                break;
            }
            out.lists.sources.push_back({kind, path, category});
            return;
        }
    }
    if (EndsWith(lower, ".txt")) {
        out.lists.sources.push_back({Kind::Database, path, ""});
        return;
    }
    if (!EndsWith(lower, ".log")) {  // the server's own log is no list, and no news
        out.ignored.push_back(path);
    }
}

void ReadCatalogue(const CServerOptions& options, CListsToLoad& out) {
    std::error_code ec;
    std::vector<fs::directory_entry> entries;
    for (fs::directory_iterator it(options.strCatalogue, ec), end; !ec && it != end;
         it.increment(ec)) {
        entries.push_back(*it);
    }
    if (ec) {
        out.strCatalogueError = options.strCatalogue + ": cannot be read (" + ec.message() + ")";
        return;
    }
    std::sort(entries.begin(), entries.end(),
              [](const fs::directory_entry& a, const fs::directory_entry& b) {
                  return a.path().filename() < b.path().filename();
              });
    for (const fs::directory_entry& entry : entries) {
        Recognise(entry, options, out);
    }
}

}  // namespace

CListsToLoad ListsToLoad(const CServerOptions& options, const std::string& strDefaultSuffixes) {
    CListsToLoad out;
    out.lists = options.lists;
    if (!options.strCatalogue.empty()) {
        ReadCatalogue(options, out);
    }
    std::error_code ec;
    if (out.lists.strPublicSuffixFile.empty() && !options.bNoPublicSuffixes &&
        !strDefaultSuffixes.empty() && fs::exists(strDefaultSuffixes, ec)) {
        out.lists.strPublicSuffixFile = strDefaultSuffixes;
    }
    return out;
}
