// Dotted IPv4 addresses as the category server listens on them and the filter's configuration
// names them ("TLVServerIP", and "TLVServer2" as address:port).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Four decimal numbers 0 to 255 separated by dots, without leading zeros (which some readers,
// inet_addr among them, take for octal); the first number in the highest byte.
std::optional<std::uint32_t> ParseIpv4(std::string_view text);
std::string FormatIpv4(std::uint32_t uAddress);
inline bool IsLoopbackIpv4(std::uint32_t uAddress) {
    return (uAddress >> 24) == 127;
}

// A decimal port 1 to 65535 (0 when bAllowZero, for "any free port").
std::optional<std::uint16_t> ParsePort(std::string_view text, bool bAllowZero = false);

struct CServerAddress {
    std::uint32_t uAddress = 0;
    std::uint16_t uPort = 0;
};

// "address:port", both parts as above.
std::optional<CServerAddress> ParseServerAddress(std::string_view text);
