#include "tools/category-server/portable/IndexReloader.h"

#include <chrono>
#include <cstdio>
#include <utility>

#include "tools/category-server/portable/CatalogueFolder.h"

namespace {

// Problems written out after a load; the rest are counted.
constexpr std::size_t kProblemLines = 30;

// Served should a loader give no index at all: every site unknown.
class CNoEntries : public CCategoryIndex {
public:
    CCategoryAnswer Lookup(std::string_view) const noexcept override { return {}; }
    std::size_t EntryCount() const noexcept override { return 0; }
    std::size_t MemoryBytes() const noexcept override { return 0; }
};

std::string Fixed(double dValue, int iDecimals) {
    char szText[32];
    std::snprintf(szText, sizeof szText, "%.*f", iDecimals, dValue);
    return szText;
}

}  // namespace

CIndexReloader::CIndexReloader(const CServerOptions& options, std::string strDefaultSuffixes,
                               CServerOutput& output)
    : m_options(options),
      m_strDefaultSuffixes(std::move(strDefaultSuffixes)),
      m_output(output),
      m_first(Load()),
      m_strFirstLoad(m_first.description),
      m_served(m_first.index ? std::shared_ptr<const CCategoryIndex>(std::move(m_first.index))
                             : std::make_shared<CNoEntries>()) {
    m_watcher.Watch(m_first.watched);
}

CIndexReloader::CLoad CIndexReloader::Load() const {
    CLoad load;
    const CListsToLoad lists = ListsToLoad(m_options, m_strDefaultSuffixes);
    const auto start = std::chrono::steady_clock::now();
    load.index = LoadLists(lists.lists, load.report);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    if (!lists.strCatalogueError.empty()) {
        load.report.errors.push_back(lists.strCatalogueError);
    }
    load.ignored = lists.ignored;

    load.watched = load.report.files;
    for (const CListSource& source : lists.lists.sources) {
        load.watched.push_back(source.strPath);
    }
    for (const std::string* pPath :
         {&lists.lists.strMapFile, &lists.lists.strPublicSuffixFile, &m_options.strCatalogue}) {
        if (!pPath->empty()) {
            load.watched.push_back(*pPath);
        }
    }
    const double dMiB = load.index ? static_cast<double>(load.index->MemoryBytes()) / 1048576 : 0;
    load.description = load.report.Summary() + ", loaded in " + Fixed(seconds.count(), 3) +
                       " s, index " + Fixed(dMiB, 1) + " MiB";
    return load;
}

void CIndexReloader::ReportFirstLoad() {
    WriteProblems(m_first);
    m_first = CLoad();
}

void CIndexReloader::WriteProblems(const CLoad& load) {
    std::string lines;
    std::size_t nWritten = 0;
    for (const auto* pList : {&load.report.errors, &load.ignored}) {
        const char* szWhat = pList == &load.ignored ? "list ignored: " : "list error: ";
        for (const std::string& problem : *pList) {
            if (nWritten++ < kProblemLines) {
                lines += szWhat + problem + "\n";
            }
        }
    }
    if (nWritten > kProblemLines) {
        lines += "... and " + std::to_string(nWritten - kProblemLines) + " more\n";
    }
    if (!lines.empty()) {
        m_output.Write(lines);
    }
}

bool CIndexReloader::Reload(const std::string& reason) {
    CLoad load = Load();
    // Whatever was read this time is watched, so that a fix (a file put back) is noticed.
    m_watcher.Watch(load.watched);
    const bool bServed = load.index && load.report.errors.empty();
    if (bServed) {
        m_served.Publish(std::shared_ptr<const CCategoryIndex>(std::move(load.index)));
        m_output.Line("reloaded (" + reason + "): " + load.description);
    } else {
        m_output.Line("reload (" + reason + ") kept the previous index: " + load.description);
    }
    WriteProblems(load);
    return bServed;
}

void CIndexReloader::Tick() {
    m_served.ReleaseRetired();
    if (m_options.uWatchSeconds == 0 || ++m_uTicks < m_options.uWatchSeconds) {
        return;
    }
    m_uTicks = 0;
    if (m_watcher.Changed()) {
        Reload("a list changed");
    }
}
