#include "filter/core/portable/AddressText.h"

#include <cstddef>
#include <cstdio>

std::string IPv4Text(const unsigned char* pBytes) {
    char szText[16];
    std::snprintf(szText, sizeof szText, "%u.%u.%u.%u", pBytes[0], pBytes[1], pBytes[2], pBytes[3]);
    return szText;
}

std::string IPv6Text(const unsigned char* pBytes) {
    std::string text = "[";
    for (std::size_t i = 0; i < 8; ++i) {
        char szGroup[6];
        std::snprintf(szGroup, sizeof szGroup, "%x", (pBytes[2 * i] << 8) | pBytes[2 * i + 1]);
        if (i != 0) {
            text += ':';
        }
        text += szGroup;
    }
    text += ']';
    return text;
}
