#include "tools/category-server/portable/ListFile.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <limits>
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
    // A 32-bit build holds less than a file may: the size is never cut to fit.
    const auto nMax =
        std::min<std::uintmax_t>(out.max_size(), std::numeric_limits<std::streamsize>::max());
    if (static_cast<std::uintmax_t>(nSize) > nMax) {
        error = "is too large";
        return false;
    }
    out.resize(static_cast<std::size_t>(nSize));
    if (nSize > 0 && !in.read(out.data(), static_cast<std::streamsize>(nSize))) {
        error = "cannot be read";
        return false;
    }
    return true;
}
