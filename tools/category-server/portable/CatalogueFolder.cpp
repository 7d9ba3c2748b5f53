#include "tools/category-server/portable/CatalogueFolder.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "tools/category-server/portable/ListText.h"

namespace {

namespace fs = std::filesystem;

// "[NAME.]CATEGORY.kind" -> CATEGORY.
std::string CategoryOf(const std::string& name) {
    const std::string stem = name.substr(0, name.rfind('.'));
    const std::size_t nDot = stem.rfind('.');
    return nDot == std::string::npos ? stem : stem.substr(nDot + 1);
}

// Adds one catalogue entry to lists, or its name to ignored.
void Recognise(const fs::directory_entry& entry, const CServerOptions& options, CListsToLoad& out) {
    using Kind = CListSource::Kind;
    const std::string path = entry.path().string();
    const std::string name = entry.path().filename().string();
    std::error_code ec;
    if (entry.is_directory(ec)) {
        out.lists.sources.push_back({Kind::Tree, path, ""});
        return;
    }
    const CatalogueFile file = CatalogueFileOf(name);
    switch (file) {
        case CatalogueFile::kTarball:
            out.lists.sources.push_back({Kind::Tarball, path, ""});
            return;
        case CatalogueFile::kMap:
            if (options.lists.strMapFile.empty()) {
                out.lists.strMapFile = path;
            }
            return;
        case CatalogueFile::kSuffixes:
            if (options.lists.strPublicSuffixFile.empty() && !options.bNoPublicSuffixes) {
                out.lists.strPublicSuffixFile = path;
            }
            return;
        case CatalogueFile::kHosts:
        case CatalogueFile::kAdblock:
        case CatalogueFile::kDomains: {
            const Kind kind = file == CatalogueFile::kHosts     ? Kind::Hosts
                              : file == CatalogueFile::kAdblock ? Kind::Adblock
                                                                : Kind::Domains;
            out.lists.sources.push_back({kind, path, CategoryOf(name)});
            return;
        }
        case CatalogueFile::kDatabase:
            out.lists.sources.push_back({Kind::Database, path, ""});
            return;
        case CatalogueFile::kLog:  // the server's own log is no list, and no news
            return;
        case CatalogueFile::kOther:
            out.ignored.push_back(path);
            return;
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

CatalogueFile CatalogueFileOf(const std::string& name) {
    // Ends with `end` (in lower case), with something before it.
    const auto endsWith = [&](std::string_view end) {
        return name.size() > end.size() &&
               EqualsLower(std::string_view(name).substr(name.size() - end.size()), end);
    };
    // A one-category list needs its category before its kind: "Gambling.hosts".
    const auto oneCategory = [&](std::string_view end) {
        return endsWith(end) && !CategoryOf(name).empty();
    };
    if (endsWith(".tar.gz") || endsWith(".tgz")) {
        return CatalogueFile::kTarball;
    }
    if (EqualsLower(name, kCatalogueMapName)) {
        return CatalogueFile::kMap;
    }
    if (EqualsLower(name, kCatalogueSuffixesName)) {
        return CatalogueFile::kSuffixes;
    }
    if (oneCategory(".hosts")) {
        return CatalogueFile::kHosts;
    }
    if (oneCategory(".adblock")) {
        return CatalogueFile::kAdblock;
    }
    if (oneCategory(".domains")) {
        return CatalogueFile::kDomains;
    }
    if (endsWith(".txt")) {
        return CatalogueFile::kDatabase;
    }
    return endsWith(".log") ? CatalogueFile::kLog : CatalogueFile::kOther;
}
