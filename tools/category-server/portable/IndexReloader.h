// Loads the lists into an index, serves it, and loads again on demand or when a list file
// changes. Every load builds a new index beside the served one; it replaces the served one
// only when nothing went wrong, so a list that cannot be read (deleted, half copied, a
// folder gone) leaves the previous index serving. All of it runs on one thread, never a
// serving one.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "tools/category-server/portable/ListLoader.h"
#include "tools/category-server/portable/ListWatcher.h"
#include "tools/category-server/portable/ServedIndex.h"
#include "tools/category-server/portable/ServerOptions.h"
#include "tools/category-server/portable/ServerOutput.h"

class CIndexReloader {
public:
    // Loads the lists at once: whatever could be read is served, whatever went wrong.
    // strDefaultSuffixes: the system's public suffix list, if any.
    CIndexReloader(const CServerOptions& options, std::string strDefaultSuffixes,
                   CServerOutput& output);
    CIndexReloader(const CIndexReloader&) = delete;
    CIndexReloader& operator=(const CIndexReloader&) = delete;

    CServedIndex& Served() noexcept { return m_served; }
    // The first load, for the first line: "N entries, S skipped, E errors, loaded in T s,
    // index M MiB".
    const std::string& FirstLoad() const noexcept { return m_strFirstLoad; }
    // The first load's errors and ignored catalogue entries, one line each (at most a few
    // dozen, then how many more), for after the first line.
    void ReportFirstLoad();

    // Loads again now; true when the new index is served. Says what happened.
    bool Reload(const std::string& reason);
    // About once a second: frees replaced indexes no serving thread holds any more, and every
    // uWatchSeconds reloads when a list file changed.
    void Tick();

private:
    struct CLoad {
        std::unique_ptr<const CCategoryIndex> index;
        CLoadReport report;
        std::vector<std::string> ignored;
        std::vector<std::string> watched;
        std::string description;
    };
    CLoad Load() const;
    void WriteProblems(const CLoad& load);

    const CServerOptions& m_options;
    std::string m_strDefaultSuffixes;
    CServerOutput& m_output;
    CLoad m_first;
    std::string m_strFirstLoad;
    CServedIndex m_served;
    CListWatcher m_watcher;
    unsigned m_uTicks = 0;
};
