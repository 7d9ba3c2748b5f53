#include "tools/category-server/portable/ListFile.h"

#include <fstream>
#include <system_error>

bool ReadListFile(const std::filesystem::path& path, std::string& out, std::string& error) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        error = "is a folder";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot be opened";
        return false;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff nSize = in.tellg();
    in.seekg(0, std::ios::beg);
    if (nSize < 0 || !in) {
        error = "cannot be read";
        return false;
    }
    out.resize(static_cast<std::size_t>(nSize));
    if (nSize > 0 && !in.read(out.data(), nSize)) {
        error = "cannot be read";
        return false;
    }
    return true;
}
