// The lists a load reads: those of the command line, then what the catalogue folder holds,
// recognised by name (so that copying a downloaded list in is all it takes to add it):
//   a folder                           a category tree (one folder per list category)
//   NAME.tar.gz, NAME.tgz              the same tree packed
//   list-map.txt                       the map, unless --map names one
//   public_suffix_list.dat             the public suffixes, unless --public-suffixes names one
//   [NAME.]CATEGORY.hosts              a hosts file, every name in CATEGORY
//   [NAME.]CATEGORY.adblock            "||name^" rules, every name in CATEGORY
//   [NAME.]CATEGORY.domains            one name a line, every name in CATEGORY
//   any other NAME.txt                 "host[/path] Category" lines
// Other files are left alone, and said to be (but for logs: the server's own is there). Names are
// matched ignoring case and taken in name order, so that a load does not depend on the order the
// folder lists them in.
#pragma once

#include <string>
#include <vector>

#include "tools/category-server/portable/ListLoader.h"
#include "tools/category-server/portable/ServerOptions.h"

inline constexpr char kCatalogueMapName[] = "list-map.txt";
inline constexpr char kCatalogueSuffixesName[] = "public_suffix_list.dat";

struct CListsToLoad {
    CListSet lists;
    std::vector<std::string> ignored;  // catalogue entries not loaded
    std::string strCatalogueError;     // the folder could not be read: empty when it could
};

// strDefaultSuffixes: the system's public suffix list, used when nothing else names one and
// it exists (empty: none).
CListsToLoad ListsToLoad(const CServerOptions& options, const std::string& strDefaultSuffixes);

// What a file of the folder is taken for, by its name (a folder is a tree).
enum class CatalogueFile {
    kTarball,
    kMap,
    kSuffixes,
    kHosts,
    kAdblock,
    kDomains,
    kDatabase,
    kLog,
    kOther
};
CatalogueFile CatalogueFileOf(const std::string& name);
