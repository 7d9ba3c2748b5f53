// Every list format reads whatever a download holds, cut or damaged: the same bytes go to each
// line reader, the map and the public suffix list. Nothing may fail, and every entry a reader
// gives must be one the index can take: a normalised host, a category as the line named it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tools/category-server/portable/CategoryMap.h"
#include "tools/category-server/portable/CategoryTree.h"
#include "tools/category-server/portable/HostName.h"
#include "tools/category-server/portable/LineFormats.h"
#include "tools/category-server/portable/PublicSuffixes.h"

namespace {

class CCheckingSink final : public CEntrySink {
public:
    explicit CCheckingSink(std::string_view input) : m_input(input) {}

    void Add(std::string_view host, std::string_view path, std::string_view category) override {
        std::string again;
        if (!NormaliseHost(host, again) || again != host || host.size() > kMaxHostLength) {
            std::abort();
        }
        // Paths and categories are pieces of the input.
        if (!path.empty() && m_input.find(path) == std::string_view::npos) {
            std::abort();
        }
        if (category.empty()) {
            std::abort();
        }
        ++nEntries;
    }
    void Skip() override { ++nSkipped; }

    std::size_t nEntries = 0;
    std::size_t nSkipped = 0;

private:
    std::string_view m_input;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    const std::string_view input(reinterpret_cast<const char*>(pData), nSize);
    std::size_t nLines = 1;
    for (const char c : input) {
        nLines += c == '\n' ? 1 : 0;
    }
    CCheckingSink sink(input);
    ReadDomainsList(input, "domains", sink);
    ReadUrlsList(input, "urls", sink);
    ReadHostsList(input, "hosts", sink);
    ReadAdblockList(input, "adblock", sink);
    ReadCategoryDatabase(input, sink);
    // A line gives one entry or one skip at most, except a hosts line (a name each).
    if (sink.nEntries + sink.nSkipped > 4 * nLines + input.size()) {
        std::abort();
    }
    CCategoryMap map;
    map.Parse(input);
    for (const std::string& product : map.Ranked()) {
        if (product.empty()) {
            std::abort();
        }
    }
    CPublicSuffixes suffixes;
    suffixes.Parse(input);
    static_cast<void>(suffixes.IsPublicSuffix(input.substr(0, 64)));
    CTreeFile file;
    if (ClassifyTreeFile(input, file) && file.category.empty()) {
        std::abort();
    }
    return 0;
}
