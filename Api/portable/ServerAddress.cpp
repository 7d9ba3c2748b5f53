#include "Api/portable/ServerAddress.h"

namespace {

// A decimal number of at most nMax, without sign or leading zeros; text is consumed.
std::optional<int> TakeNumber(std::string_view& text, int nMax) {
    std::size_t n = 0;
    int iValue = 0;
    while (n < text.size() && text[n] >= '0' && text[n] <= '9' && iValue <= nMax) {
        iValue = iValue * 10 + (text[n] - '0');
        ++n;
    }
    if (n == 0 || iValue > nMax || (n > 1 && text[0] == '0')) {
        return std::nullopt;
    }
    text.remove_prefix(n);
    return iValue;
}

}  // namespace

std::optional<CServerAddress> ParseServerAddress(std::string_view text) {
    const std::size_t nColon = text.find(':');
    if (nColon == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view ip = text.substr(0, nColon);
    std::string_view port = text.substr(nColon + 1);
    for (int i = 0; i < 4; ++i) {
        if (!TakeNumber(ip, 255) || (i < 3 && (ip.empty() || ip[0] != '.'))) {
            return std::nullopt;
        }
        if (i < 3) {
            ip.remove_prefix(1);
        }
    }
    const auto iPort = TakeNumber(port, 65535);
    if (!ip.empty() || !port.empty() || !iPort || *iPort == 0) {
        return std::nullopt;
    }
    return CServerAddress{std::string(text.substr(0, nColon)), *iPort};
}
