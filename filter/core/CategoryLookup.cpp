#include "filter/core/CategoryLookup.h"

#include <winsock2.h>
#include <windows.h>

#include <exception>

#include "filter/core/SharedFilterState.h"
#include "filter/core/TLVClient.h"
#include "filter/core/portable/FilterLog.h"
#include "filter/core/portable/TLVMessage.h"

std::string LookUpCategory(const std::string& url) {
    if (url.size() > TLVMessage::kMaxValueLength) {
        FilterLog().Log("WSPSend    :: URL too long for a category lookup, judged as Null", 1);
        return "Null";
    }
    try {
        FilterLog().Log("WSPSend :: Request to TLVServer started", 4);
        TLVClient client;
        client.SetIPPort(gSharedState.categoryServerAddress, gSharedState.categoryServerPort);
        FilterLog().Trace(1, "WSPSend    :: Sending Request to TLVServer\n\t\tURL: %s",
                          url.c_str());
        const auto reply = client.SearchLumora(TLVMessage::kCategorySearch, url);
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
