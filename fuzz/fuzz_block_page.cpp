// The page shows values that come from the network (host) and from the settings. Whatever
// they hold, the page is well formed: its Content-Length counts its body, and no value can
// add markup of its own.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "filter/core/portable/BlockPage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    if (nSize < 1) {
        return 0;
    }
    // First byte: the policy; the rest: five values separated by NUL bytes.
    std::string_view rest(reinterpret_cast<const char*>(pData + 1), nSize - 1);
    std::string_view fields[5];
    for (auto& field : fields) {
        const size_t end = rest.find('\0');
        field = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    BlockPageValues values;
    values.iPolicy = pData[0] % 7;
    values.host = fields[0];
    values.matchedWord = fields[1];
    values.category = fields[2];
    values.currentUser = fields[3];
    values.applicationPath = fields[4];
    values.ipAddress = "127.0.0.1";
    const std::string body = BuildBlockPageBody(values);
    const std::string response = BuildBlockPageResponse(values);
    const std::string length = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    if (response.find(length) == std::string::npos ||
        response.compare(response.size() - body.size() - 4, body.size(), body) != 0) {
        std::abort();
    }
    // Values add no markup: the page has exactly the tags of a page without them.
    BlockPageValues bare;
    bare.iPolicy = values.iPolicy;
    bare.ipAddress = values.ipAddress;
    const std::string bareBody = BuildBlockPageBody(bare);
    for (const char c : {'<', '>', '"', '\''}) {
        if (std::count(body.begin(), body.end(), c) !=
            std::count(bareBody.begin(), bareBody.end(), c)) {
            std::abort();
        }
    }
    return 0;
}
