// artgen: writes every picture the product ships into one folder, the same bytes on every
// run and with every compiler.
//
//   artgen OUTPUT-FOLDER
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "tools/artwork/Catalog.h"

namespace {

void WriteFile(const std::filesystem::path& path, const art::Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: artgen OUTPUT-FOLDER\n");
        return 2;
    }
    try {
        const std::filesystem::path folder(argv[1]);
        std::filesystem::create_directories(folder);
        for (const art::ArtworkFile& file : art::Catalog()) {
            WriteFile(folder / file.name, file.encode());
        }
        std::printf("artgen: %zu files in %s\n", art::Catalog().size(), argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "artgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
