// A downloaded category tree may arrive cut or damaged: the same bytes go to the DEFLATE
// decoder, the gzip reader, the tar reader, and the tarball reader of the tree. None may read
// or write outside the input, pass its output limit, or call a damaged file whole.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tools/category-server/portable/CategoryTree.h"
#include "tools/category-server/portable/Gzip.h"
#include "tools/category-server/portable/Inflate.h"
#include "tools/category-server/portable/TarReader.h"

namespace {

constexpr std::size_t kMaxOut = 1 << 16;

class CCountingSink final : public CEntrySink {
public:
    void Add(std::string_view, std::string_view, std::string_view category) override {
        if (category.empty()) {
            std::abort();
        }
    }
    void Skip() override {}
};

void ReadTar(std::string_view archive) {
    CTarReader reader(archive);
    CTarMember member;
    while (reader.Next(member)) {
        const char* pBegin = archive.data();
        const char* pEnd = archive.data() + archive.size();
        if (!member.data.empty() &&
            (member.data.data() < pBegin || member.data.data() + member.data.size() > pEnd)) {
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    const std::string_view input(reinterpret_cast<const char*>(pData), nSize);
    std::string out = "prefix";
    const CInflateResult result = Inflate(input, out, kMaxOut);
    if (out.size() > kMaxOut + 6 || out.substr(0, 6) != "prefix" ||
        (result.status == InflateStatus::kOk && result.nConsumed > input.size())) {
        std::abort();
    }
    std::string unpacked;
    std::string error;
    const bool bUnpacked = Gunzip(input, unpacked, error, kMaxOut);
    if (unpacked.size() > kMaxOut || bUnpacked == !error.empty()) {
        std::abort();
    }
    ReadTar(input);
    ReadTar(unpacked);
    CCountingSink sink;
    error.clear();
    if (ReadTreeTarball(input, sink, error, kMaxOut) == !error.empty()) {
        std::abort();
    }
    return 0;
}
