// The category index against SQLite on the same generated list (scripts/make-lists.py): load
// time, resident memory growth, and look-ups of one query mix, in one run.
//
//   category_index_bench --lists FOLDER [benchmark options]
//
// SQLite gets an in-memory database with a table of reversed names, paths and categories and
// an index on (name, path), made after the rows are in (its fastest load); then, for
// comparison, the same rows in SQLite's most compact form, a table keyed by (name, path)
// WITHOUT ROWID. Each is queried as the index is: a prepared statement for the host and then
// each parent, longest first, the longest path prefix among the rows of the first that has
// any match, the lower category at equal length.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "tools/category-server/portable/CategoryTree.h"
#include "tools/category-server/portable/HostName.h"
#include "tools/category-server/portable/ListLoader.h"
#include "tools/category-server/portable/ListText.h"
#include "tools/category-server/portable/UrlParts.h"

namespace {

// Resident memory from /proc/self/statm, after giving freed heap back to the system.
std::size_t ResidentBytes() {
    malloc_trim(0);
    std::ifstream statm("/proc/self/statm");
    std::size_t nPages = 0;
    std::size_t nResident = 0;
    statm >> nPages >> nResident;
    return nResident * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Check(int rc, sqlite3* pDb, const char* szWhat) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s: %s\n", szWhat, sqlite3_errmsg(pDb));
        std::exit(1);
    }
}

class CSqliteIndex {
public:
    explicit CSqliteIndex(bool bWithoutRowid) : m_bWithoutRowid(bWithoutRowid) {
        Check(sqlite3_open(":memory:", &m_pDb), m_pDb, "open");
        Exec("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;");
        Exec(bWithoutRowid ? "CREATE TABLE entries(rname TEXT NOT NULL, path TEXT NOT NULL,"
                             " category INTEGER NOT NULL, PRIMARY KEY(rname, path)) WITHOUT ROWID"
                           : "CREATE TABLE entries(rname TEXT NOT NULL, path TEXT NOT NULL,"
                             " category INTEGER NOT NULL)");
        Exec("BEGIN");
        const char* szInsert =
            bWithoutRowid ? "INSERT INTO entries VALUES(?1, ?2, ?3) ON CONFLICT(rname, path)"
                            " DO UPDATE SET category = min(category, excluded.category)"
                          : "INSERT INTO entries VALUES(?1, ?2, ?3)";
        Check(sqlite3_prepare_v2(m_pDb, szInsert, -1, &m_pInsert, nullptr), m_pDb,
              "prepare insert");
    }
    ~CSqliteIndex() {
        sqlite3_finalize(m_pInsert);
        sqlite3_finalize(m_pSelect);
        sqlite3_close(m_pDb);
    }
    CSqliteIndex(const CSqliteIndex&) = delete;
    CSqliteIndex& operator=(const CSqliteIndex&) = delete;

    void Insert(std::string_view host, std::string_view path, std::size_t nCategory) {
        m_reversed.assign(host.rbegin(), host.rend());
        m_path.clear();
        for (const char c : path) {
            m_path += LowerAscii(c);
        }
        sqlite3_bind_text(m_pInsert, 1, m_reversed.data(), static_cast<int>(m_reversed.size()),
                          SQLITE_STATIC);
        sqlite3_bind_text(m_pInsert, 2, m_path.data(), static_cast<int>(m_path.size()),
                          SQLITE_STATIC);
        sqlite3_bind_int(m_pInsert, 3, static_cast<int>(nCategory));
        Check(sqlite3_step(m_pInsert), m_pDb, "insert");
        sqlite3_reset(m_pInsert);
    }

    void Finish() {
        if (!m_bWithoutRowid) {
            Exec("CREATE INDEX entries_by_name ON entries(rname, path)");
        }
        Exec("COMMIT;");
        Check(sqlite3_prepare_v2(m_pDb, "SELECT path, category FROM entries WHERE rname = ?1", -1,
                                 &m_pSelect, nullptr),
              m_pDb, "prepare select");
    }

    std::size_t Count() {
        sqlite3_stmt* pCount = nullptr;
        sqlite3_prepare_v2(m_pDb, "SELECT count(*) FROM entries", -1, &pCount, nullptr);
        sqlite3_step(pCount);
        const auto n = static_cast<std::size_t>(sqlite3_column_int64(pCount, 0));
        sqlite3_finalize(pCount);
        return n;
    }

    // The category id (-1: none), as the index answers: the longest host with an entry for
    // the path decides, its longest path prefix first.
    int Lookup(std::string_view url) {
        const CUrlParts parts = SplitUrl(url);
        char reversed[kMaxHostLength];
        char path[512];
        if (parts.host.empty() || parts.host.size() > kMaxHostLength) {
            return -1;
        }
        const std::size_t nHost = parts.host.size();
        for (std::size_t i = 0; i < nHost; ++i) {
            reversed[i] = LowerAscii(parts.host[nHost - 1 - i]);
        }
        const std::size_t nPath = std::min(parts.path.size(), sizeof path);
        for (std::size_t i = 0; i < nPath; ++i) {
            path[i] = LowerAscii(parts.path[i]);
        }
        const bool bLiteral = IsIPLiteral(parts.host);
        // Longest first: the whole reversed host, then up to each dot from its end.
        for (std::size_t nLength = nHost; nLength > 0;) {
            const int category = Best(reversed, nLength, std::string_view(path, nPath));
            if (category >= 0 || bLiteral) {
                return category;
            }
            while (nLength > 0 && reversed[--nLength] != '.') {
            }
        }
        return -1;
    }

private:
    int Best(const char* pName, std::size_t nName, std::string_view path) {
        sqlite3_bind_text(m_pSelect, 1, pName, static_cast<int>(nName), SQLITE_STATIC);
        int category = -1;
        int nBest = -1;
        while (sqlite3_step(m_pSelect) == SQLITE_ROW) {
            const auto* pPath = reinterpret_cast<const char*>(sqlite3_column_text(m_pSelect, 0));
            const int nLength = sqlite3_column_bytes(m_pSelect, 0);
            const int row = sqlite3_column_int(m_pSelect, 1);
            if ((nLength > nBest || (nLength == nBest && row < category)) &&
                path.substr(0, static_cast<std::size_t>(nLength)) ==
                    std::string_view(pPath, static_cast<std::size_t>(nLength))) {
                nBest = nLength;
                category = row;
            }
        }
        sqlite3_reset(m_pSelect);
        return category;
    }

    void Exec(const char* szSql) {
        char* szError = nullptr;
        if (sqlite3_exec(m_pDb, szSql, nullptr, nullptr, &szError) != SQLITE_OK) {
            std::fprintf(stderr, "sqlite: %s\n", szError);
            std::exit(1);
        }
    }

    bool m_bWithoutRowid;
    sqlite3* m_pDb = nullptr;
    sqlite3_stmt* m_pInsert = nullptr;
    sqlite3_stmt* m_pSelect = nullptr;
    std::string m_reversed;
    std::string m_path;
};

// Reads the tree into SQLite, categories numbered as first seen.
class CSqliteSink final : public CEntrySink {
public:
    explicit CSqliteSink(CSqliteIndex& index) : m_index(index) {}
    void Add(std::string_view host, std::string_view path, std::string_view category) override {
        if (category != m_last) {
            m_last.assign(category);
            m_nLast = m_ids.emplace(m_last, m_ids.size()).first->second;
        }
        m_index.Insert(host, path, m_nLast);
    }
    void Skip() override {}

private:
    CSqliteIndex& m_index;
    std::map<std::string, std::size_t> m_ids;
    std::string m_last;
    std::size_t m_nLast = 0;
};

// Every 37th entry of the tree, for queries.
class CSampleSink final : public CEntrySink {
public:
    void Add(std::string_view host, std::string_view path, std::string_view) override {
        if (++m_n % 37 == 0) {
            (path.empty() ? hosts : urls).push_back(std::string(host) + "/" + std::string(path));
        }
    }
    void Skip() override {}

    std::vector<std::string> hosts;  // "host/"
    std::vector<std::string> urls;   // "host/path"

private:
    std::size_t m_n = 0;
};

struct CQueries {
    std::map<std::string, std::vector<std::string>> byKind;
};

// Hits on a listed name, two labels under one, on a urls entry's path, and misses (names
// under listed top-level domains, so that each parent is looked for): about 50000 distinct
// queries of each kind on 2 million entries, more than the caches hold of either side.
CQueries MakeQueries(const CSampleSink& sample) {
    CQueries queries;
    auto& mix = queries.byKind["mix"];
    std::size_t i = 0;
    for (const std::string& hostSlash : sample.hosts) {
        const std::string host = hostSlash.substr(0, hostSlash.size() - 1);
        const bool bLiteral = IsIPLiteral(host);
        queries.byKind["exact"].push_back("http://" + host + "/index.html");
        if (!bLiteral) {
            queries.byKind["deep"].push_back("http://cdn" + std::to_string(i) + ".eu." + host +
                                             "/a/b");
            queries.byKind["miss"].push_back("http://www.unlisted" + std::to_string(i) +
                                             host.substr(host.find('.')) + "/x");
        }
        ++i;
    }
    for (const std::string& url : sample.urls) {
        queries.byKind["path"].push_back("http://" + url + "/more?x=1");
    }
    // The mix: 30 % exact, 20 % deep, 10 % path, 40 % misses, interleaved, each query taken
    // once, so that the mix is no better served by caches than its parts.
    std::map<std::string, std::size_t> next;
    for (std::size_t k = 0; mix.size() < 100000 && k < 100000; ++k) {
        const auto take = [&](const char* szKind) {
            const auto& list = queries.byKind[szKind];
            std::size_t& nNext = next[szKind];
            if (!list.empty()) {
                mix.push_back(list[nNext++ % list.size()]);
            }
        };
        for (const char* szKind :
             {"exact", "miss", "deep", "exact", "miss", "path", "exact", "miss", "deep", "miss"}) {
            take(szKind);
        }
    }
    // The same mix over 2000 distinct queries, as when the same few sites come back: the
    // tables' lines then stay in cache, and what is left is each side's own work.
    queries.byKind["warm"].assign(
        mix.begin(),
        mix.begin() + std::min<std::ptrdiff_t>(2000, static_cast<std::ptrdiff_t>(mix.size())));
    return queries;
}

struct CSqliteLoad {
    double seconds = 0;
    std::size_t nGrowth = 0;
    std::size_t nRows = 0;
};

CSqliteLoad LoadSqlite(const std::string& folder, bool bWithoutRowid,
                       std::unique_ptr<CSqliteIndex>& pIndex) {
    CSqliteLoad load;
    const std::size_t nBefore = ResidentBytes();
    const auto start = std::chrono::steady_clock::now();
    pIndex = std::make_unique<CSqliteIndex>(bWithoutRowid);
    {
        CSqliteSink sink(*pIndex);
        std::vector<std::string> files;
        std::vector<std::string> errors;
        ReadTreeFolder(folder, sink, files, errors);
    }
    pIndex->Finish();
    load.seconds = SecondsSince(start);
    load.nGrowth = ResidentBytes() - nBefore;
    load.nRows = pIndex->Count();
    return load;
}

struct CSetup {
    std::unique_ptr<const CCategoryIndex> ours;
    std::unique_ptr<CSqliteIndex> sqlite;         // an indexed table
    std::unique_ptr<CSqliteIndex> sqliteCompact;  // WITHOUT ROWID
    CQueries queries;
};
CSetup g_setup;

void BM_Lookup_Ours(benchmark::State& state, const std::string& kind) {
    const auto& urls = g_setup.queries.byKind[kind];
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(g_setup.ours->Lookup(urls[i]));
        i = i + 1 == urls.size() ? 0 : i + 1;
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_Lookup_SQLite(benchmark::State& state, CSqliteIndex* pSqlite, const std::string& kind) {
    const auto& urls = g_setup.queries.byKind[kind];
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(pSqlite->Lookup(urls[i]));
        i = i + 1 == urls.size() ? 0 : i + 1;
    }
    state.SetItemsProcessed(state.iterations());
}

class CTimesReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            // With repetitions, their median (the machine may be busy with other work).
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                medians[run.run_name.str()] = run.GetAdjustedRealTime();
            } else if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
                times[run.benchmark_name()] = run.GetAdjustedRealTime();
            }
        }
    }
    double Time(const std::string& name) const {
        const auto median = medians.find(name);
        if (median != medians.end()) {
            return median->second;
        }
        const auto time = times.find(name);
        return time == times.end() ? 0 : time->second;
    }

private:
    std::map<std::string, double> times;  // ns per look-up
    std::map<std::string, double> medians;
};

// One read of memory that no cache holds, on this machine: a chase of pointers through 64 MB
// in random order. A cold look-up cannot take less than one such read.
double UncachedReadNs() {
    struct alignas(64) CLine {
        std::size_t nNext;
    };
    const std::size_t nLines = (64u << 20) / sizeof(CLine);
    std::vector<std::size_t> order(nLines);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::shuffle(order.begin(), order.end(), std::mt19937_64(1));
    std::vector<CLine> lines(nLines);
    for (std::size_t i = 0; i < nLines; ++i) {
        lines[order[i]].nNext = order[(i + 1) % nLines];
    }
    constexpr std::size_t kSteps = 4000000;
    std::size_t n = order[0];
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < kSteps; ++i) {
        n = lines[n].nNext;
    }
    benchmark::DoNotOptimize(n);
    return SecondsSince(start) * 1e9 / kSteps;
}

}  // namespace

int main(int argc, char** argv) {
    std::string folder;
    std::vector<char*> rest = {argv[0]};
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--lists" && i + 1 < argc) {
            folder = argv[++i];
        } else {
            rest.push_back(argv[i]);
        }
    }
    if (folder.empty()) {
        std::fprintf(stderr, "usage: %s --lists FOLDER [benchmark options]\n", argv[0]);
        return 2;
    }
    // Ours first: memory it frees on the way (file text, the builder's growing tables) is
    // there for SQLite to reuse, so SQLite's growth is, if anything, understated.
    const std::size_t nBefore = ResidentBytes();
    const auto start = std::chrono::steady_clock::now();
    CLoadReport report;
    g_setup.ours = LoadLists({{{CListSource::Kind::Tree, folder, ""}}, "", ""}, report);
    const double ourSeconds = SecondsSince(start);
    const std::size_t nOurGrowth = ResidentBytes() - nBefore;

    const CSqliteLoad indexed = LoadSqlite(folder, false, g_setup.sqlite);
    const CSqliteLoad compact = LoadSqlite(folder, true, g_setup.sqliteCompact);

    CSampleSink sample;
    {
        std::vector<std::string> files;
        std::vector<std::string> errors;
        ReadTreeFolder(folder, sample, files, errors);
    }
    g_setup.queries = MakeQueries(sample);
    for (const char* szKind : {"mix", "warm", "exact", "deep", "path", "miss"}) {
        benchmark::RegisterBenchmark(("BM_Lookup_Ours/" + std::string(szKind)).c_str(),
                                     BM_Lookup_Ours, std::string(szKind));
        benchmark::RegisterBenchmark(("BM_Lookup_SQLite/" + std::string(szKind)).c_str(),
                                     BM_Lookup_SQLite, g_setup.sqlite.get(), std::string(szKind));
        benchmark::RegisterBenchmark(("BM_Lookup_SQLiteCompact/" + std::string(szKind)).c_str(),
                                     BM_Lookup_SQLite, g_setup.sqliteCompact.get(),
                                     std::string(szKind));
    }
    int nArgs = static_cast<int>(rest.size());
    benchmark::Initialize(&nArgs, rest.data());
    CTimesReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto entries = static_cast<double>(report.nEntries);
    const auto megabytes = [](std::size_t n) { return static_cast<double>(n) / 1e6; };
    std::printf("\n%s: %s\n", folder.c_str(), report.Summary().c_str());
    std::printf("load:   ours %.2f s; SQLite %.2f s (%zu rows); SQLite WITHOUT ROWID %.2f s\n",
                ourSeconds, indexed.seconds, indexed.nRows, compact.seconds);
    std::printf("memory: ours %.1f MB resident growth, %.1f bytes/entry (its tables %.1f MB)\n",
                megabytes(nOurGrowth), static_cast<double>(nOurGrowth) / entries,
                megabytes(g_setup.ours->MemoryBytes()));
    for (const CSqliteLoad* pLoad : {&indexed, &compact}) {
        std::printf("        %s %.1f MB resident growth, %.1f bytes/entry: ours/SQLite = %.2f%s\n",
                    pLoad == &indexed ? "SQLite" : "SQLite WITHOUT ROWID",
                    megabytes(pLoad->nGrowth), static_cast<double>(pLoad->nGrowth) / entries,
                    static_cast<double>(nOurGrowth) / static_cast<double>(pLoad->nGrowth),
                    pLoad == &indexed ? " (goal at most 0.50)" : "");
    }
    for (const char* szKind : {"mix", "warm", "exact", "deep", "path", "miss"}) {
        const double ours = reporter.Time("BM_Lookup_Ours/" + std::string(szKind));
        const double sqlite = reporter.Time("BM_Lookup_SQLite/" + std::string(szKind));
        const double compactNs = reporter.Time("BM_Lookup_SQLiteCompact/" + std::string(szKind));
        if (ours > 0 && sqlite > 0 && compactNs > 0) {
            std::printf(
                "lookup %-5s: ours %.0f ns, SQLite %.0f ns, WITHOUT ROWID %.0f ns:"
                " ours/SQLite lookups/s = %.1f%s (WITHOUT ROWID %.1f)\n",
                szKind, ours, sqlite, compactNs, sqlite / ours,
                std::string(szKind) == "mix" ? " (goal at least 20)" : "", compactNs / ours);
        }
    }
    std::printf("one uncached read of memory here: %.0f ns (a pointer chase through 64 MB)\n",
                UncachedReadNs());
    return 0;
}
