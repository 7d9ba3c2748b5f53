// Which blocks become tray notices: at most one notice per site a minute and one every five
// seconds in all. A site's first block that cannot be shown yet waits its turn (a few sites
// at most); every other block is counted and told with the next notice ("and 3 more").
// Notices that tell of something else (internet time running out) come before the waiting
// blocks, are never counted away, and keep the same five seconds.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>

class CNoticeThrottle {
public:
    static constexpr std::uint64_t kPerSiteMs = 60000;
    static constexpr std::uint64_t kBetweenNoticesMs = 5000;
    // Sites waiting beyond these are only counted: by the time their turn came, a notice
    // would tell of something long past.
    static constexpr size_t kMaxWaiting = 3;

    struct Notice {
        std::string strSite;
        std::string strText;   // what the notice says of the block, below its site
        int nMore = 0;         // blocks counted and not shown since the last notice
        std::string strTitle;  // a notice of no block: its title (and no site)
    };

    // A block of strSite at time ullNowMs (milliseconds of a steady clock).
    void Add(const std::string& strSite, const std::string& strText, std::uint64_t ullNowMs);
    // A notice of no block, shown before the blocks waiting. The blocks counted meanwhile are
    // told with the next block's notice, where "and 3 more" reads right.
    void AddFirst(const std::string& strTitle, const std::string& strText);
    // The notice to show now, if any is due.
    std::optional<Notice> Next(std::uint64_t ullNowMs);

private:
    bool ShownWithinMinute(const std::string& strSite, std::uint64_t ullNowMs) const;
    void ForgetOldSites(std::uint64_t ullNowMs);

    std::deque<Notice> m_waiting;
    // Notices of no block, oldest first.
    std::deque<Notice> m_first;
    std::map<std::string, std::uint64_t> m_lastShown;
    std::optional<std::uint64_t> m_lastNotice;
    int m_nCounted = 0;
};
