// Network addresses as the host part of a URL: what a site reached by its address is judged
// (and looked up) by.
#pragma once

#include <string>

// "203.0.113.7" from 4 bytes in network order.
std::string IPv4Text(const unsigned char* pBytes);
// "[2001:db8:0:0:0:0:0:1]" from 16 bytes in network order: each group in lower-case hex
// without leading zeros, nothing compressed, so that one address has one text.
std::string IPv6Text(const unsigned char* pBytes);
