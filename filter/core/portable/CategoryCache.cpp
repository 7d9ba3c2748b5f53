#include "filter/core/portable/CategoryCache.h"

#include <utility>

#include "base/portable/Ascii.h"

std::string_view CacheHostOf(std::string_view url) {
    for (const std::string_view scheme : {"http://", "https://"}) {
        if (StartsWithNoCase(url, scheme)) {
            url.remove_prefix(scheme.size());
            break;
        }
    }
    std::string_view host = url.substr(0, url.find('/'));
    // A port follows the last colon, unless that colon is inside an IPv6 literal.
    const std::size_t nColon = host.rfind(':');
    if (nColon != std::string_view::npos && host.find(']', nColon) == std::string_view::npos &&
        (host.front() == '[' || host.find(':') == nColon)) {
        host = host.substr(0, nColon);
    }
    while (!host.empty() && host.back() == '.') {
        host.remove_suffix(1);
    }
    return host;
}

CCategoryCache::CCategoryCache(std::size_t nCapacity, Clock clock)
    : m_nCapacity(nCapacity), m_clock(std::move(clock)) {}

std::optional<std::string> CCategoryCache::Find(std::string_view url, std::chrono::seconds maxAge) {
    if (auto category = FindIn(m_hosts, CacheHostOf(url), maxAge)) {
        return category;
    }
    return FindIn(m_urls, url, maxAge);
}

void CCategoryCache::KeepForHost(std::string_view url, std::string_view category) {
    Keep(m_hosts, CacheHostOf(url), category, true);
}

void CCategoryCache::KeepForUrl(std::string_view url, std::string_view category) {
    Keep(m_urls, url, category, false);
}

void CCategoryCache::Clear() {
    m_hosts.clear();
    m_urls.clear();
    m_entries.clear();
}

std::optional<std::string> CCategoryCache::FindIn(CIndex& index, std::string_view key,
                                                  std::chrono::seconds maxAge) {
    const auto found = index.find(key);
    if (found == index.end()) {
        return std::nullopt;
    }
    const auto it = found->second;
    if (m_clock() - it->kept >= maxAge) {
        Forget(it);
        return std::nullopt;
    }
    m_entries.splice(m_entries.begin(), m_entries, it);
    return it->strCategory;
}

void CCategoryCache::Keep(CIndex& index, std::string_view key, std::string_view category,
                          bool bHost) {
    if (m_nCapacity == 0 || key.empty()) {
        return;
    }
    if (const auto found = index.find(key); found != index.end()) {
        Forget(found->second);
    }
    while (m_entries.size() >= m_nCapacity) {
        Forget(std::prev(m_entries.end()));
    }
    m_entries.push_front(CEntry{std::string(key), std::string(category), m_clock(), bHost});
    index.emplace(m_entries.front().strKey, m_entries.begin());
}

void CCategoryCache::Forget(std::list<CEntry>::iterator it) {
    (it->bHost ? m_hosts : m_urls).erase(it->strKey);
    m_entries.erase(it);
}
