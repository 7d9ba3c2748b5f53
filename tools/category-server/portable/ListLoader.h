// Which lists the category server loads, and loading them into one index.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "tools/category-server/portable/CategoryIndex.h"

struct CListSource {
    enum class Kind {
        Tree,      // a folder with one folder per list category, each with "domains" and "urls"
        Tarball,   // the same tree as a .tar.gz
        Hosts,     // a hosts file, every name given strCategory
        Adblock,   // "||name^" rules, every name given strCategory
        Domains,   // one name a line, every name given strCategory
        Database,  // "host[/path] Category Name" lines
    };
    Kind kind = Kind::Database;
    std::string strPath;
    std::string strCategory;  // Hosts, Adblock and Domains only: a product category
};

struct CListSet {
    std::vector<CListSource> sources;
    std::string strMapFile;           // list category -> product category (trees only); empty: none
    std::string strPublicSuffixFile;  // entries that are public suffixes are refused; empty: none
};

struct CLoadReport {
    std::size_t nEntries = 0;  // entries in the index
    std::size_t nSkipped = 0;  // lines or rules not imported (invalid, unsupported, suffixes)
    std::vector<std::string> errors;  // files that could not be read, one line each
    // Every file read, for watching their change times; for a tree also its folders, whose
    // change marks a category added or removed.
    std::vector<std::string> files;
    // One line: entries, skipped and errors counted.
    std::string Summary() const;
};

// Nothing in a list is fatal: what cannot be read is counted and reported, and the index holds
// the rest (empty when nothing could be read). A server that reloads keeps its previous index
// when report.errors is not empty.
std::unique_ptr<const CCategoryIndex> LoadLists(const CListSet& lists, CLoadReport& report);
