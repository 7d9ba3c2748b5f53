#include "filter/core/portable/CategoryServers.h"

#include <utility>

#include "filter/core/portable/FilterLog.h"
#include "filter/core/portable/TLVMessage.h"

namespace {

bool Failed(CategoryExchange::Outcome outcome) {
    return outcome == CategoryExchange::Outcome::NoConnection ||
           outcome == CategoryExchange::Outcome::NoReply;
}

}  // namespace

std::optional<ScopedCategory> ParseScopedCategory(std::string_view value) {
    if (value.size() < 2 || value[1] != '\t' || (value[0] != 'h' && value[0] != 'u')) {
        return std::nullopt;
    }
    return ScopedCategory{value[0] == 'h', value.substr(2)};
}

CCategoryServers::CCategoryServers(const CCategoryServerPause::Clock& clock)
    : m_cache(CCategoryCache::kCapacity, clock),
      m_states{CServerState(clock), CServerState(clock)} {}

std::optional<std::string> CCategoryServers::FindOrClaim(const CategoryServerConfig& config,
                                                         std::string_view url, bool& bMine) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (config.servers != m_servers) {
        Adopt(config);
    }
    if (config.cacheFor.count() == 0) {
        return std::nullopt;
    }
    const std::string_view host = CacheHostOf(url);
    if (m_underWay.find(host) != m_underWay.end()) {
        FilterLog().Log("WSPSend :: Waiting for the lookup of the same host", 4);
        // That lookup ends within its own wait, whatever the servers do.
        m_released.wait(lock, [&] { return m_underWay.find(host) == m_underWay.end(); });
    }
    if (auto category = m_cache.Find(url, config.cacheFor)) {
        FilterLog().Log("WSPSend :: Category from the cache", 4);
        return category;
    }
    bMine = m_underWay.emplace(host).second;
    return std::nullopt;
}

void CCategoryServers::Release(std::string_view url) {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_underWay.erase(m_underWay.find(CacheHostOf(url)));
    }
    m_released.notify_all();
}

std::optional<std::string> CCategoryServers::LookUp(const CategoryServerConfig& config,
                                                    std::string_view url, const Ask& ask) {
    bool bMine = false;
    if (auto category = FindOrClaim(config, url, bMine)) {
        return category;
    }
    try {
        auto category = AskServers(config, url, ask);
        if (bMine) {
            Release(url);
        }
        return category;
    } catch (...) {
        if (bMine) {
            Release(url);
        }
        throw;
    }
}

std::optional<std::string> CCategoryServers::AskServers(const CategoryServerConfig& config,
                                                        std::string_view url, const Ask& ask) {
    for (std::size_t i = 0; i < config.servers.size(); ++i) {
        const CategoryServerAddress& server = config.servers[i];
        if (server.address == 0) {
            continue;
        }
        CServerState& state = m_states[i];
        if (state.pause.SkipLookup()) {
            FilterLog().Log("WSPSend    :: Category server not answering, judged as Null", 1);
            continue;
        }
        bool bAnswered = false;
        auto answer = AskServer(state, server, url, ask, bAnswered);
        if (!bAnswered) {
            state.pause.NoAnswer();
            FilterLog().Log(
                "WSPSend    :: Category server not answering, lookups judged as Null for 30 "
                "seconds",
                1);
            continue;
        }
        state.pause.Answered();
        if (answer && config.cacheFor.count() > 0) {
            Keep(config, url, *answer);
        }
        // A server that was there but sent nothing usable is not asked again elsewhere: its
        // answer would be no better.
        return answer ? std::optional<std::string>(std::move(answer->strCategory)) : std::nullopt;
    }
    return std::nullopt;
}

void CCategoryServers::Adopt(const CategoryServerConfig& config) {
    m_servers = config.servers;
    m_cache.Clear();
    for (CServerState& state : m_states) {
        state.pause.Answered();
        state.bTypeFourOnly = false;
    }
}

std::optional<CCategoryServers::CAnswer> CCategoryServers::AskServer(
    CServerState& state, const CategoryServerAddress& server, std::string_view url, const Ask& ask,
    bool& bAnswered) {
    if (!state.bTypeFourOnly) {
        CategoryExchange exchange = ask(server, TLVMessage::kScopedCategorySearch, url);
        if (exchange.outcome == CategoryExchange::Outcome::Closed) {
            // A server from before type 6 closes every such lookup; one behind a balancer may
            // close one at a moment it went down. Only a second close tells them apart.
            exchange = ask(server, TLVMessage::kScopedCategorySearch, url);
        }
        if (Failed(exchange.outcome)) {
            return std::nullopt;
        }
        bAnswered = true;
        if (exchange.outcome == CategoryExchange::Outcome::Garbled) {
            return std::nullopt;
        }
        if (exchange.outcome == CategoryExchange::Outcome::Reply &&
            exchange.type == TLVMessage::kScopedCategorySearch) {
            const auto scoped = ParseScopedCategory(exchange.value);
            if (!scoped) {
                return std::nullopt;
            }
            return CAnswer{std::string(scoped->category), scoped->bHostScope};
        }
        // Closed without a reply, or answered with another type: a server from before type 6.
        state.bTypeFourOnly = true;
        FilterLog().Log("WSPSend    :: Category server does not know type 6, asking with type 4",
                        1);
    }
    const CategoryExchange exchange = ask(server, TLVMessage::kCategorySearch, url);
    if (Failed(exchange.outcome)) {
        return std::nullopt;
    }
    bAnswered = true;
    if (exchange.outcome != CategoryExchange::Outcome::Reply) {
        return std::nullopt;
    }
    return CAnswer{exchange.value, false};
}

void CCategoryServers::Keep(const CategoryServerConfig& config, std::string_view url,
                            const CAnswer& answer) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (config.servers != m_servers) {
        return;  // asked of servers another thread has since replaced
    }
    if (answer.bHostScope) {
        m_cache.KeepForHost(url, answer.strCategory);
    } else {
        m_cache.KeepForUrl(url, answer.strCategory);
    }
}
