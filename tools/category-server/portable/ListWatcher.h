// Notices that list files changed: their modification times and sizes (a file or folder
// that is missing counts as a state of its own, so one that appears is a change too).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CListWatcher {
public:
    // Takes the state of these paths now; later calls to Changed() compare with it.
    void Watch(std::vector<std::string> paths);
    // Whether any watched path differs from its state at Watch().
    bool Changed() const;

private:
    struct CState {
        std::int64_t iTime = 0;
        std::uintmax_t nSize = 0;
        bool bExists = false;
        bool operator==(const CState&) const = default;
    };
    static CState StateOf(const std::string& path);

    std::vector<std::string> m_paths;
    std::vector<CState> m_states;
};
