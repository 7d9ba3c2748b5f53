// Which category server a lookup asks, how, and what it keeps of the answers, with the strict
// filter on. Servers are asked in order: the second only when the first gave no connection or
// no reply, each with a pause of its own after it failed. A server is first asked with type 6,
// whose answer says whether it holds for the whole host; a server that does not know type 6
// (it answers another type, or closes the lookup twice) is asked again with type 4, and from
// then on only with type 4. Answers are kept in a cache
// by host or by URL; a lookup that no server answered is never kept. A lookup for a host whose
// lookup is already under way waits for that one, so that a page's requests made at once on
// several connections cost one lookup.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "filter/core/portable/CategoryCache.h"
#include "filter/core/portable/CategoryServerPause.h"

struct CategoryServerAddress {
    std::uint32_t address = 0;  // IPv4, network byte order; 0: none
    std::int32_t port = 0;
    bool operator==(const CategoryServerAddress&) const = default;
};

struct CategoryServerConfig {
    std::array<CategoryServerAddress, 2> servers;  // the second may be none
    std::chrono::seconds cacheFor{600};            // 0: nothing kept
};

// What one exchange with a server gave.
struct CategoryExchange {
    enum class Outcome {
        NoConnection,  // none made within the wait
        NoReply,       // connected, nothing came within the wait
        Closed,        // the server ended the connection without a reply
        Garbled,       // bytes came that are not a message
        Reply,
    };
    Outcome outcome = Outcome::NoConnection;
    int type = 0;
    std::string value;
};

class CCategoryServers {
public:
    using Ask = std::function<CategoryExchange(const CategoryServerAddress& server, int iType,
                                               std::string_view url)>;

    explicit CCategoryServers(const CCategoryServerPause::Clock& clock = [] {
        return std::chrono::steady_clock::now();
    });

    // The category of url (empty when the server does not know the site); nullopt when no
    // server could be asked or none answered. `ask` makes one exchange; it is called without
    // any lock held, from as many threads as look up at once.
    std::optional<std::string> LookUp(const CategoryServerConfig& config, std::string_view url,
                                      const Ask& ask);

private:
    struct CAnswer {
        std::string strCategory;
        bool bHostScope = false;
    };
    struct CServerState {
        explicit CServerState(const CCategoryServerPause::Clock& clock) : pause(clock) {}
        CCategoryServerPause pause;
        std::atomic<bool> bTypeFourOnly{false};
    };

    // Takes a new configuration: what was learnt of other servers does not hold for these.
    void Adopt(const CategoryServerConfig& config);
    // nullopt when the server gave no answer; bAnswered tells whether it was there at all.
    std::optional<CAnswer> AskServer(CServerState& state, const CategoryServerAddress& server,
                                     std::string_view url, const Ask& ask, bool& bAnswered);
    void Keep(const CategoryServerConfig& config, std::string_view url, const CAnswer& answer);

    // The cached answer, after waiting for a lookup of the same host already under way; else
    // nullopt, and the host is marked as under way when bMine comes back true.
    std::optional<std::string> FindOrClaim(const CategoryServerConfig& config, std::string_view url,
                                           bool& bMine);
    void Release(std::string_view url);
    std::optional<std::string> AskServers(const CategoryServerConfig& config, std::string_view url,
                                          const Ask& ask);

    std::mutex m_mutex;  // the cache, the configuration it was filled under, the hosts under way
    std::condition_variable m_released;
    std::array<CategoryServerAddress, 2> m_servers;
    CCategoryCache m_cache;
    std::set<std::string, std::less<>> m_underWay;
    std::array<CServerState, 2> m_states;
};

// A type 6 answer's value: "h" or "u", a tab, then the category. nullopt for anything else.
struct ScopedCategory {
    bool bHostScope = false;
    std::string_view category;
};
std::optional<ScopedCategory> ParseScopedCategory(std::string_view value);
