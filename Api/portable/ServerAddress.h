// A server's address as the configuration writes it: a dotted IPv4 address, a colon and a
// port, "192.168.1.20:7300".
#pragma once

#include <optional>
#include <string>
#include <string_view>

struct CServerAddress {
    std::string strIp;  // four numbers of 0 to 255, without leading zeros
    int iPort = 0;      // 1 to 65535
};

// nullopt for anything else, blanks included.
std::optional<CServerAddress> ParseServerAddress(std::string_view text);
