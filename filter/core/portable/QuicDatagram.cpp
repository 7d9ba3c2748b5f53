#include "filter/core/portable/QuicDatagram.h"

#include <cstdint>

namespace {

constexpr std::uint32_t kVersion1 = 0x00000001;
constexpr std::uint32_t kVersion2 = 0x6b3343cf;

std::uint32_t BigEndian32(std::string_view bytes) {
    std::uint32_t n = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        n = (n << 8) | static_cast<unsigned char>(bytes[i]);
    }
    return n;
}

bool IsQuicVersion(std::uint32_t uVersion) {
    const bool bDraft = (uVersion & 0xffffff00) == 0xff000000;
    // Versions 0x?a?a?a?a are never used but are sent to make a server negotiate.
    const bool bReserved = (uVersion & 0x0f0f0f0f) == 0x0a0a0a0a;
    return uVersion == kVersion1 || uVersion == kVersion2 || bDraft || bReserved;
}

bool IsBareLongHeader(std::string_view start) {
    return start.size() >= 5 && (static_cast<unsigned char>(start[0]) & 0x80) != 0 &&
           IsQuicVersion(BigEndian32(start.substr(1)));
}

// RSV RSV FRAG ATYP DST.ADDR DST.PORT before the relayed datagram; the size of that header, or
// 0 when `start` does not begin with one.
std::size_t Socks5UdpHeader(std::string_view start) {
    if (start.size() < 5 || start[0] != 0 || start[1] != 0 || start[2] != 0) {
        return 0;
    }
    switch (start[3]) {
        case 1:
            return 4 + 4 + 2;
        case 3:
            return 4 + 1 + static_cast<unsigned char>(start[4]) + 2;
        case 4:
            return 4 + 16 + 2;
        default:
            return 0;
    }
}

}  // namespace

bool IsQuicLongHeader(std::string_view start) {
    if (IsBareLongHeader(start)) {
        return true;
    }
    const std::size_t nHeader = Socks5UdpHeader(start);
    return nHeader != 0 && nHeader < start.size() && IsBareLongHeader(start.substr(nHeader));
}
