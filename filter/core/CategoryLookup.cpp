#include "filter/core/CategoryLookup.h"

#include <winsock2.h>
#include <windows.h>

#include <algorithm>
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

// Only a server that gave no connection or no reply at all starts a pause: one that sent a
// reply we cannot decode is there and answering, and a request we failed to write says
// nothing about the server.
void NoteOutcome(const TLVClient& client, const TLVMessage& reply) {
    if (client.Answered()) {
        TheCategoryServerPause().Answered();
    } else if (reply.messageCode == TLVMessage::kReadFailed) {
        TheCategoryServerPause().NoAnswer();
        FilterLog().Log(
            "WSPSend    :: Category server not answering, lookups judged as Null for 30 seconds",
            1);
    }
}

}  // namespace

CCategoryServerPause& TheCategoryServerPause() {
    static CCategoryServerPause s_pause;
    return s_pause;
}

std::string LookUpCategory(const std::string& url) {
    if (url.size() > TLVMessage::kMaxValueLength) {
        FilterLog().Log("WSPSend    :: URL too long for a category lookup, judged as Null", 1);
        return "Null";
    }
    const bool bStrict = StrictFilterOn();
    if (bStrict && TheCategoryServerPause().SkipLookup()) {
        FilterLog().Log("WSPSend    :: Category server not answering, judged as Null", 1);
        return "Null";
    }
    try {
        FilterLog().Log("WSPSend :: Request to TLVServer started", 4);
        TLVClient client;
        client.SetIPPort(gSharedState.categoryServerAddress, gSharedState.categoryServerPort);
        if (bStrict) {
            client.SetWait(LookupWait());
        }
        FilterLog().Trace(1, "WSPSend    :: Sending Request to TLVServer\n\t\tURL: %s",
                          url.c_str());
        const auto reply = client.SearchLumora(TLVMessage::kCategorySearch, url);
        if (bStrict) {
            NoteOutcome(client, *reply);
        }
        if (reply->messageCode < 0) {
            FilterLog().Log("WSPSend    :: TLVClient receive failed", 1);
            return "Null";
        }
        return reply->value;
    } catch (const std::exception&) {
        FilterLog().Log("WSPRecv :: ****Exception**** in Getting the category from TLVServer", 1);
        return "Null";
    }
}
