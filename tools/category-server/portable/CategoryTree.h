// The category tree the widely used collections publish: one folder per list category, each
// with a "domains" file (one name a line) and a "urls" file ("host/path" a line), other files
// ignored; as a folder, or as the .tar.gz it is downloaded in. The folders may sit at any
// depth ("blacklists/adult/domains"): a file's category is the name of the folder holding it.
// Symbolic links (the collections' aliases of a category) are not followed.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "tools/category-server/portable/EntrySink.h"

// A member's place in a tree: its category and which file it is, or nothing for another file.
struct CTreeFile {
    std::string_view category;
    bool bUrls = false;
};
bool ClassifyTreeFile(std::string_view path, CTreeFile& file) noexcept;

// Reads every list of the tree under folder, in the order of their paths. Every file read
// (and every folder, whose change marks a category added or removed) goes to files; one line
// per file or folder that cannot be read goes to errors.
void ReadTreeFolder(const std::filesystem::path& folder, CEntrySink& sink,
                    std::vector<std::string>& files, std::vector<std::string>& errors);

// A tree of millions of entries unpacks to a few hundred megabytes; more is no list.
inline constexpr std::size_t kMaxTarballOutput = std::size_t{1} << 30;

// Reads every list of a tree held as a .tar.gz, in the archive's order. False, with error,
// for a damaged or cut archive; the lists before the damage have been read.
bool ReadTreeTarball(std::string_view gzipBytes, CEntrySink& sink, std::string& error,
                     std::size_t nMaxOutput = kMaxTarballOutput);
