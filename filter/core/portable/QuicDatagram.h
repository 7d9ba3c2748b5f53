// QUIC recognised in the first bytes of a datagram, on any port: HTTP/3 runs over it where no
// TCP judgement sees the site.
#pragma once

#include <cstddef>
#include <string_view>

// The most a caller needs to gather of a datagram's start: a SOCKS5 UDP header with a domain
// name, then a long header's first byte and version.
inline constexpr std::size_t kQuicProbeBytes = 4 + 1 + 255 + 2 + 5;

// Whether `start` (a datagram's first bytes) is a QUIC long-header packet, the kind that opens
// a connection, of version 1, 2, an IETF draft, or a version reserved to force negotiation;
// also inside a SOCKS5 UDP relay header. DNS and other UDP are not.
bool IsQuicLongHeader(std::string_view start);
