#include "Api/portable/ServerAddress.h"

namespace {

// A decimal number of at most nMaxDigits digits, without a leading zero unless it is "0".
std::optional<std::uint32_t> ReadDecimal(std::string_view text, std::size_t nMaxDigits) {
    if (text.empty() || text.size() > nMaxDigits || (text.size() > 1 && text[0] == '0')) {
        return std::nullopt;
    }
    std::uint32_t uValue = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        uValue = uValue * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return uValue;
}

}  // namespace

std::optional<std::uint32_t> ParseIpv4(std::string_view text) {
    std::uint32_t uAddress = 0;
    for (int i = 0; i < 4; ++i) {
        const std::size_t nDot = text.find('.');
        if ((i < 3) == (nDot == std::string_view::npos)) {
            return std::nullopt;
        }
        const auto part = ReadDecimal(text.substr(0, nDot), 3);
        if (!part || *part > 255) {
            return std::nullopt;
        }
        uAddress = (uAddress << 8) | *part;
        text = i < 3 ? text.substr(nDot + 1) : std::string_view();
    }
    return uAddress;
}

std::string FormatIpv4(std::uint32_t uAddress) {
    return std::to_string(uAddress >> 24) + "." + std::to_string((uAddress >> 16) & 0xFF) + "." +
           std::to_string((uAddress >> 8) & 0xFF) + "." + std::to_string(uAddress & 0xFF);
}

std::optional<std::uint16_t> ParsePort(std::string_view text, bool bAllowZero) {
    const auto port = ReadDecimal(text, 5);
    if (!port || *port > 65535 || (*port == 0 && !bAllowZero)) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(*port);
}

std::optional<CServerAddress> ParseServerAddress(std::string_view text) {
    const std::size_t nColon = text.rfind(':');
    if (nColon == std::string_view::npos) {
        return std::nullopt;
    }
    const auto address = ParseIpv4(text.substr(0, nColon));
    const auto port = ParsePort(text.substr(nColon + 1));
    if (!address || !port) {
        return std::nullopt;
    }
    return CServerAddress{*address, *port};
}
