#include "tools/category-server/portable/CategoryTree.h"

#include <algorithm>
#include <system_error>

#include "tools/category-server/portable/Gzip.h"
#include "tools/category-server/portable/LineFormats.h"
#include "tools/category-server/portable/ListFile.h"
#include "tools/category-server/portable/TarReader.h"

namespace {

void ReadTreeFile(const CTreeFile& file, std::string_view text, CEntrySink& sink) {
    if (file.bUrls) {
        ReadUrlsList(text, file.category, sink);
    } else {
        ReadDomainsList(text, file.category, sink);
    }
}

}  // namespace

bool ClassifyTreeFile(std::string_view path, CTreeFile& file) noexcept {
    while (!path.empty() && path.back() == '/') {
        path.remove_suffix(1);
    }
    const std::size_t nSlash = path.rfind('/');
    if (nSlash == std::string_view::npos) {
        return false;
    }
    const std::string_view name = path.substr(nSlash + 1);
    if (name != "domains" && name != "urls") {
        return false;
    }
    std::string_view folder = path.substr(0, nSlash);
    folder = folder.substr(folder.rfind('/') + 1);
    if (folder.empty() || folder == "." || folder == "..") {
        return false;
    }
    file.category = folder;
    file.bUrls = name == "urls";
    return true;
}

void ReadTreeFolder(const std::filesystem::path& folder, CEntrySink& sink,
                    std::vector<std::string>& files, std::vector<std::string>& errors) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        errors.push_back(folder.string() + ": not a folder that can be read");
        return;
    }
    std::vector<fs::path> lists;
    files.push_back(folder.string());
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const fs::directory_entry& entry = *it;
        std::error_code entryError;
        if (entry.is_symlink(entryError)) {
            continue;
        }
        CTreeFile file;
        if (entry.is_directory(entryError)) {
            files.push_back(entry.path().string());
        } else if (ClassifyTreeFile(entry.path().generic_string(), file)) {
            lists.push_back(entry.path());
        }
    }
    if (ec) {
        errors.push_back(folder.string() + ": cannot be listed (" + ec.message() + ")");
    }
    std::sort(lists.begin(), lists.end());
    std::string text;
    std::string error;
    for (const fs::path& path : lists) {
        const std::string strPath = path.generic_string();
        CTreeFile file;
        ClassifyTreeFile(strPath, file);
        if (!ReadListFile(path, text, error)) {
            errors.push_back(path.string() + ": " + error);
            continue;
        }
        files.push_back(path.string());
        ReadTreeFile(file, text, sink);
    }
}

bool ReadTreeTarball(std::string_view gzipBytes, CEntrySink& sink, std::string& error,
                     std::size_t nMaxOutput) {
    std::string archive;
    const bool bUnpacked = Gunzip(gzipBytes, archive, error, nMaxOutput);
    // What came out before damage is read all the same, up to the member it cut.
    CTarReader reader(archive);
    CTarMember member;
    while (reader.Next(member)) {
        CTreeFile file;
        if (member.IsFile() && ClassifyTreeFile(member.name, file)) {
            ReadTreeFile(file, member.data, sink);
        }
    }
    if (bUnpacked && !reader.Error().empty()) {
        error = reader.Error();
        return false;
    }
    return bUnpacked;
}
