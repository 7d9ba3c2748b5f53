#include "filter/core/CategoryLookup.h"

#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>

#include "filter/core/SharedFilterState.h"
#include "filter/core/TLVClient.h"
#include "filter/core/portable/FilterLog.h"
#include "filter/core/portable/TLVMessage.h"

namespace {

// "TLVTimeout" is in tenths of a second. None, 0 or less is the 10 seconds the lookup has
// always waited; beyond a minute is taken as a minute, since the application's send waits for
// all of it and no page is worth holding longer.
constexpr std::int32_t kDefaultWaitTenths = 100;
constexpr std::int32_t kMaxWaitTenths = 600;

std::chrono::milliseconds LookupWait() {
    std::int32_t iTenths = LookupTimeoutTenths();
    if (iTenths <= 0) {
        iTenths = kDefaultWaitTenths;
    }
    return std::chrono::milliseconds(std::min(iTenths, kMaxWaitTenths) * 100);
}

template <typename T>
T SharedValue(T& value) {
    return std::atomic_ref<T>(value).load(std::memory_order_relaxed);
}

// The servers as the last reload of the rules read them.
CategoryServerConfig CurrentConfig() {
    CategoryServerConfig config;
    config.servers[0] = {SharedValue(TheSharedState().categoryServerAddress),
                         SharedValue(TheSharedState().categoryServerPort)};
    config.servers[1] = {SharedValue(TheSharedSwitches().secondServerAddress),
                         SharedValue(TheSharedSwitches().secondServerPort)};
    config.cacheFor =
        std::chrono::seconds(std::max(SharedValue(TheSharedSwitches().categoryCacheSeconds), 0));
    return config;
}

// One connection, one request, one reply.
CategoryExchange AskServer(const CategoryServerAddress& server, int iType, std::string_view url) {
    TLVClient client(TLVClient::Console::kSilent);
    client.SetIPPort(server.address, server.port);
    client.SetWait(LookupWait());
    const auto reply = client.SearchLumora(iType, url);
    return {client.Outcome(), reply->type, reply->value};
}

// As the filter has always asked: the first server, type 4, its whole wait, nothing kept.
std::string AskAsEver(const std::string& url) {
    TLVClient client;
    client.SetIPPort(TheSharedState().categoryServerAddress, TheSharedState().categoryServerPort);
    const auto reply = client.SearchLumora(TLVMessage::kCategorySearch, url);
    if (reply->messageCode < 0) {
        FilterLog().Log("WSPSend    :: TLVClient receive failed", 1);
        return "Null";
    }
    return reply->value;
}

}  // namespace

CCategoryServers& TheCategoryServers() {
    static CCategoryServers s_servers;
    return s_servers;
}

std::string LookUpCategory(const std::string& url) {
    if (url.size() > TLVMessage::kMaxValueLength) {
        FilterLog().Log("WSPSend    :: URL too long for a category lookup, judged as Null", 1);
        return "Null";
    }
    try {
        FilterLog().Log("WSPSend :: Request to TLVServer started", 4);
        FilterLog().Trace(1, "WSPSend    :: Sending Request to TLVServer\n\t\tURL: %s",
                          url.c_str());
        if (!StrictFilterOn()) {
            return AskAsEver(url);
        }
        if (auto category = TheCategoryServers().LookUp(CurrentConfig(), url, AskServer)) {
            return *category;
        }
        FilterLog().Log("WSPSend    :: TLVClient receive failed", 1);
        return "Null";
    } catch (const std::exception&) {
        FilterLog().Log("WSPRecv :: ****Exception**** in Getting the category from TLVServer", 1);
        return "Null";
    }
}
