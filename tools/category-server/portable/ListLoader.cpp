// Loading every list of a set into one index: the map first (its order ranks the product
// categories), then the sources in the order given.
#include "tools/category-server/portable/ListLoader.h"

#include <exception>
#include <filesystem>
#include <string_view>

#include "tools/category-server/portable/CategoryIndexBuilder.h"
#include "tools/category-server/portable/CategoryMap.h"
#include "tools/category-server/portable/CategoryTree.h"
#include "tools/category-server/portable/EntrySink.h"
#include "tools/category-server/portable/LineFormats.h"
#include "tools/category-server/portable/ListFile.h"
#include "tools/category-server/portable/PublicSuffixes.h"

namespace {

constexpr std::size_t kMaxCategoryName = 100;

// A category name goes into the server's replies as it is: printable, one line, short.
bool IsCategoryName(std::string_view name) {
    if (name.empty() || name.size() > kMaxCategoryName) {
        return false;
    }
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            return false;
        }
    }
    return true;
}

// Puts the readers' entries into the builder: categories through the map (for trees),
// public suffixes refused.
class CIndexSink final : public CEntrySink {
public:
    CIndexSink(CCategoryIndexBuilder& builder, const CCategoryMap& map,
               const CPublicSuffixes& suffixes, CLoadReport& report)
        : m_builder(builder), m_map(map), m_suffixes(suffixes), m_report(report) {}

    void UseMap(bool bMapped) {
        m_bMapped = bMapped;
        m_bHaveLast = false;
    }

    void Add(std::string_view host, std::string_view path, std::string_view category) override {
        if (!m_bHaveLast || category != m_lastCategory) {
            Resolve(category);
        }
        if (!m_lastId || (!m_suffixes.Empty() && m_suffixes.IsPublicSuffix(host))) {
            Skip();
            return;
        }
        switch (m_builder.Add(host, path, *m_lastId)) {
            case CCategoryIndexBuilder::Added::kNew:
            case CCategoryIndexBuilder::Added::kMerged:
                break;
            case CCategoryIndexBuilder::Added::kInvalid:
                Skip();
                break;
            case CCategoryIndexBuilder::Added::kFull:
                Skip();
                if (!m_bFullReported) {
                    m_report.errors.push_back("the index is full: entries dropped");
                    m_bFullReported = true;
                }
                break;
        }
    }

    void Skip() override { ++m_report.nSkipped; }

private:
    void Resolve(std::string_view category) {
        m_lastCategory.assign(category);
        m_bHaveLast = true;
        const std::string_view product = m_bMapped ? m_map.ProductName(category) : category;
        m_lastId = IsCategoryName(product) ? m_builder.CategoryId(product) : std::nullopt;
    }

    CCategoryIndexBuilder& m_builder;
    const CCategoryMap& m_map;
    const CPublicSuffixes& m_suffixes;
    CLoadReport& m_report;
    bool m_bMapped = false;
    bool m_bHaveLast = false;
    std::string m_lastCategory;
    std::optional<std::uint16_t> m_lastId;
    bool m_bFullReported = false;
};

// Reads a file whole, listing it in the report; false (with an error line) when it cannot be.
bool ReadReported(const std::string& strPath, std::string& text, CLoadReport& report) {
    std::string error;
    if (!ReadListFile(strPath, text, error)) {
        report.errors.push_back(strPath + ": " + error);
        return false;
    }
    report.files.push_back(strPath);
    return true;
}

void LoadSource(const CListSource& source, CIndexSink& sink, std::string& text,
                CLoadReport& report) {
    using Kind = CListSource::Kind;
    sink.UseMap(source.kind == Kind::Tree || source.kind == Kind::Tarball);
    if (source.kind == Kind::Tree) {
        ReadTreeFolder(source.strPath, sink, report.files, report.errors);
        return;
    }
    if (!ReadReported(source.strPath, text, report)) {
        return;
    }
    std::string error;
    switch (source.kind) {
        case Kind::Tree:
            break;
        case Kind::Tarball:
            if (!ReadTreeTarball(text, sink, error)) {
                report.errors.push_back(source.strPath + ": " + error);
            }
            break;
        case Kind::Hosts:
            ReadHostsList(text, source.strCategory, sink);
            break;
        case Kind::Adblock:
            ReadAdblockList(text, source.strCategory, sink);
            break;
        case Kind::Domains:
            ReadDomainsList(text, source.strCategory, sink);
            break;
        case Kind::Database:
            ReadCategoryDatabase(text, sink);
            break;
    }
}

}  // namespace

std::string CLoadReport::Summary() const {
    std::string line = std::to_string(nEntries) + " entries, " + std::to_string(nSkipped) +
                       " skipped, " + std::to_string(errors.size()) + " errors";
    if (!errors.empty()) {
        line += " (first: " + errors.front() + ")";
    }
    return line;
}

std::unique_ptr<const CCategoryIndex> LoadLists(const CListSet& lists, CLoadReport& report) {
    CCategoryIndexBuilder builder;
    std::string text;
    CCategoryMap map;
    if (!lists.strMapFile.empty() && ReadReported(lists.strMapFile, text, report)) {
        report.nSkipped += map.Parse(text);
    }
    for (const std::string& product : map.Ranked()) {
        if (IsCategoryName(product)) {
            builder.CategoryId(product);
        }
    }
    CPublicSuffixes suffixes;
    if (!lists.strPublicSuffixFile.empty() &&
        ReadReported(lists.strPublicSuffixFile, text, report)) {
        suffixes.Parse(text);
    }
    CIndexSink sink(builder, map, suffixes, report);
    for (const CListSource& source : lists.sources) {
        // A file too large for memory, or a name the system cannot convert, ends that source
        // only.
        try {
            LoadSource(source, sink, text, report);
        } catch (const std::exception& error) {
            report.errors.push_back(source.strPath + ": cannot be loaded (" + error.what() + ")");
        }
    }
    text = std::string();
    auto index = builder.Build();
    report.nEntries = index->EntryCount();
    return index;
}
