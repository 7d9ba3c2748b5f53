// The index built from fuzzed list lines ("host[/path] Category", the server's own format)
// must answer every fuzzed URL exactly as the naive matcher does: same category, same scope.
// The input: list lines, a blank line, then one URL a line (and each entry's host is also
// asked under a made-up subdomain).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/NaiveCategoryMatcher.h"
#include "tools/category-server/portable/CategoryIndexBuilder.h"
#include "tools/category-server/portable/LineFormats.h"

namespace {

constexpr std::size_t kMaxEntries = 200;

class CBothSink final : public CEntrySink {
public:
    void Add(std::string_view host, std::string_view path, std::string_view category) override {
        if (hosts.size() >= kMaxEntries) {
            return;
        }
        const auto id = builder.CategoryId(category);
        if (!id) {
            return;
        }
        const CCategoryIndexBuilder::Added added = builder.Add(host, path, *id);
        if (added != CCategoryIndexBuilder::Added::kNew &&
            added != CCategoryIndexBuilder::Added::kMerged) {
            return;
        }
        naive.Add(std::string(host), path, *id, std::string(category));
        hosts.emplace_back(host);
    }
    void Skip() override {}

    CCategoryIndexBuilder builder{0x5EED};
    CNaiveCategoryMatcher naive;
    std::vector<std::string> hosts;
};

void Check(const CCategoryIndex& index, const CNaiveCategoryMatcher& naive, std::string_view url) {
    const CCategoryAnswer answer = index.Lookup(url);
    const CCategoryAnswer expected = naive.Lookup(url);
    if (answer.category != expected.category || answer.bHostScope != expected.bHostScope) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    const std::string_view input(reinterpret_cast<const char*>(pData), nSize);
    const std::size_t nSplit = input.find("\n\n");
    const std::string_view lists = input.substr(0, nSplit);
    std::string_view urls = nSplit == std::string_view::npos ? input : input.substr(nSplit + 2);
    CBothSink sink;
    ReadCategoryDatabase(lists, sink);
    const auto index = sink.builder.Build();
    if (index->EntryCount() > sink.hosts.size()) {
        std::abort();
    }
    while (!urls.empty()) {
        const std::size_t nEnd = urls.find('\n');
        Check(*index, sink.naive, urls.substr(0, nEnd));
        urls = nEnd == std::string_view::npos ? std::string_view() : urls.substr(nEnd + 1);
    }
    for (const std::string& host : sink.hosts) {
        Check(*index, sink.naive, "Sub." + host + "/" + host);
    }
    return 0;
}
