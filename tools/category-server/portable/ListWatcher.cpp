#include "tools/category-server/portable/ListWatcher.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

void CListWatcher::Watch(std::vector<std::string> paths) {
    std::sort(paths.begin(), paths.end());
    paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
    m_paths = std::move(paths);
    m_states.clear();
    for (const std::string& path : m_paths) {
        m_states.push_back(StateOf(path));
    }
}

bool CListWatcher::Changed() const {
    for (std::size_t i = 0; i < m_paths.size(); ++i) {
        if (!(StateOf(m_paths[i]) == m_states[i])) {
            return true;
        }
    }
    return false;
}

CListWatcher::CState CListWatcher::StateOf(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    CState state;
    const fs::file_time_type time = fs::last_write_time(path, ec);
    if (ec) {
        return state;
    }
    state.bExists = true;
    state.iTime = static_cast<std::int64_t>(time.time_since_epoch().count());
    const bool bFile = fs::is_regular_file(path, ec);
    state.nSize = bFile && !ec ? fs::file_size(path, ec) : 0;
    if (ec) {
        state.nSize = 0;
    }
    return state;
}
