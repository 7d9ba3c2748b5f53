// The categories this process has been told, so that a page's many requests to one host cost
// one lookup. An answer the server gave for a whole host is kept by host; one that depends on
// the path (or came from a server that cannot say) is kept by URL. Least recently used entries
// go first once the cache is full; entries older than the time allowed are not used.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <list>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

class CCategoryCache {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    using Clock = std::function<TimePoint()>;
    static constexpr std::size_t kCapacity = 4096;

    explicit CCategoryCache(
        std::size_t nCapacity = kCapacity,
        Clock clock = [] { return std::chrono::steady_clock::now(); });

    // The category kept for url's host, else for url itself, when kept less than maxAge ago.
    std::optional<std::string> Find(std::string_view url, std::chrono::seconds maxAge);
    void KeepForHost(std::string_view url, std::string_view category);
    void KeepForUrl(std::string_view url, std::string_view category);
    void Clear();
    std::size_t Size() const { return m_entries.size(); }

private:
    struct CEntry {
        std::string strKey;
        std::string strCategory;
        TimePoint kept;
        bool bHost;
    };
    using CIndex = std::unordered_map<std::string_view, std::list<CEntry>::iterator>;

    std::optional<std::string> FindIn(CIndex& index, std::string_view key,
                                      std::chrono::seconds maxAge);
    void Keep(CIndex& index, std::string_view key, std::string_view category, bool bHost);
    void Forget(std::list<CEntry>::iterator it);

    std::size_t m_nCapacity;
    Clock m_clock;
    std::list<CEntry> m_entries;  // most recently used first; keys of the indexes point here
    CIndex m_hosts;
    CIndex m_urls;
};

// The host a lookup's URL names, as the cache keeps it: without a scheme, port or trailing
// dots. "http://www.example.com.:8080/a" gives "www.example.com". The filter lower-cases URLs
// before it judges them, so case is left as it is.
std::string_view CacheHostOf(std::string_view url);
