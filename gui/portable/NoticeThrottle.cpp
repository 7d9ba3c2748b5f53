#include "gui/portable/NoticeThrottle.h"

#include <algorithm>

bool CNoticeThrottle::ShownWithinMinute(const std::string& strSite, std::uint64_t ullNowMs) const {
    const auto it = m_lastShown.find(strSite);
    return it != m_lastShown.end() && ullNowMs - it->second < kPerSiteMs;
}

void CNoticeThrottle::ForgetOldSites(std::uint64_t ullNowMs) {
    std::erase_if(m_lastShown,
                  [ullNowMs](const auto& site) { return ullNowMs - site.second >= kPerSiteMs; });
}

void CNoticeThrottle::Add(const std::string& strSite, const std::string& strText,
                          std::uint64_t ullNowMs) {
    const bool bWaiting = std::any_of(m_waiting.begin(), m_waiting.end(),
                                      [&](const Notice& n) { return n.strSite == strSite; });
    if (bWaiting || ShownWithinMinute(strSite, ullNowMs) || m_waiting.size() >= kMaxWaiting) {
        ++m_nCounted;
        return;
    }
    m_waiting.push_back({strSite, strText, 0, ""});
}

void CNoticeThrottle::AddFirst(const std::string& strTitle, const std::string& strText) {
    m_first.push_back({"", strText, 0, strTitle});
}

std::optional<CNoticeThrottle::Notice> CNoticeThrottle::Next(std::uint64_t ullNowMs) {
    if ((m_waiting.empty() && m_first.empty()) ||
        (m_lastNotice && ullNowMs - *m_lastNotice < kBetweenNoticesMs)) {
        return std::nullopt;
    }
    m_lastNotice = ullNowMs;
    if (!m_first.empty()) {
        Notice notice = std::move(m_first.front());
        m_first.pop_front();
        return notice;
    }
    ForgetOldSites(ullNowMs);
    Notice notice = std::move(m_waiting.front());
    m_waiting.pop_front();
    notice.nMore = m_nCounted;
    m_nCounted = 0;
    m_lastShown[notice.strSite] = ullNowMs;
    return notice;
}
