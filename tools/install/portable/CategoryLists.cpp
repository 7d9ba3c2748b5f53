#include "tools/install/portable/CategoryLists.h"

#include <filesystem>
#include <system_error>

#include "tools/category-server/portable/CatalogueFolder.h"

namespace {

namespace fs = std::filesystem;

// The category becomes part of a file name, after its last dot.
bool UsableCategory(const std::string& category) {
    return !category.empty() && category.find_first_of("\\/:*?\"<>|.") == std::string::npos &&
           category.front() != ' ' && category.back() != ' ';
}

// The name the copy gets in the folder of lists.
bool TargetName(const CCategoryListToAdd& list, const fs::path& source, std::string& strName,
                std::string& strError) {
    const std::string name = source.filename().string();
    if (!list.strKind.empty()) {
        if (!UsableCategory(list.strCategory)) {
            strError = "the category \"" + list.strCategory +
                       "\" cannot name a file (no dots, slashes or : * ? \" < > |)";
            return false;
        }
        strName = source.stem().string() + "." + list.strCategory + "." + list.strKind;
        return true;
    }
    const CatalogueFile file = CatalogueFileOf(name);
    if (file == CatalogueFile::kMap || file == CatalogueFile::kSuffixes) {
        strError = name + " has a meaning of its own in the folder of lists: give a map with --map";
        return false;
    }
    // A file of "host[/path] Category" lines is recognised by its .txt.
    strName =
        file == CatalogueFile::kDatabase || file == CatalogueFile::kTarball ? name : name + ".txt";
    return true;
}

bool CopyOne(const fs::path& from, const fs::path& to, std::string& strAdded,
             std::string& strError) {
    std::error_code ec;
    if (fs::is_directory(from, ec)) {
        fs::remove_all(to, ec);  // a tree replaced whole: no category left over from the old
        fs::copy(from, to, fs::copy_options::recursive, ec);
    } else {
        fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
    }
    if (ec) {
        strError = "cannot copy " + from.string() + " to " + to.string() + ": " + ec.message();
        return false;
    }
    strAdded += to.string() + "\n";
    return true;
}

}  // namespace

bool AddCategoryList(const CCategoryListToAdd& list, const std::string& strCategoryFolder,
                     std::string& strAdded, std::string& strError) {
    std::error_code ec;
    fs::create_directories(strCategoryFolder, ec);
    if (ec) {
        strError = "cannot create " + strCategoryFolder + ": " + ec.message();
        return false;
    }
    if (!list.strSource.empty()) {
        fs::path source = fs::path(list.strSource).lexically_normal();
        if (!source.has_filename()) {
            source = source.parent_path();  // a folder given with its last backslash
        }
        const bool bFolder = fs::is_directory(source, ec);
        if (!fs::exists(source, ec)) {
            strError = list.strSource + " does not exist";
            return false;
        }
        if (bFolder && !list.strKind.empty()) {
            strError = "--" + list.strKind + " takes a file, not a folder";
            return false;
        }
        std::string strName = source.filename().string();
        if (!bFolder && !TargetName(list, source, strName, strError)) {
            return false;
        }
        if (!CopyOne(source, fs::path(strCategoryFolder) / strName, strAdded, strError)) {
            return false;
        }
    }
    return list.strMap.empty() ||
           CopyOne(list.strMap, fs::path(strCategoryFolder) / kCatalogueMapName, strAdded,
                   strError);
}
