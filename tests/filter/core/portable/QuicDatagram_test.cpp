// QUIC told from other datagrams by their first bytes.
#include "filter/core/portable/QuicDatagram.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

TEST(QuicDatagram, LongHeadersOfQuicVersionsOnly) {
    struct Case {
        std::string start;
        bool bQuic;
    };
    const std::string rest = "\x08 connection id and the rest"s;
    const Case cases[] = {
        {"\xC3\x00\x00\x00\x01"s + rest, true},   // version 1 Initial
        {"\xD3\x6b\x33\x43\xcf"s + rest, true},   // version 2
        {"\xC0\xff\x00\x00\x1d"s + rest, true},   // draft 29
        {"\xC0\x1a\x2a\x3a\x4a"s + rest, true},   // forcing negotiation
        {"\x80\x00\x00\x00\x01"s + rest, true},   // fixed bit greased
        {"\x43\x00\x00\x00\x01"s + rest, false},  // short header
        {"\xC3\x00\x00\x00\x02"s + rest, false},  // an unknown version
        {"\xC3\x00\x00"s, false},
        {"\x12\x34\x01\x00\x00\x01\x00\x00\x00\x00\x00\x00"s, false},  // DNS
        {""s, false},
        // Relayed by a SOCKS5 proxy: its UDP header first.
        {"\x00\x00\x00\x01\x7f\x00\x00\x01\x01\xbb\xC3\x00\x00\x00\x01"s + rest, true},
        {"\x00\x00\x00\x03\x03quc\x01\xbb\xC3\x00\x00\x00\x01"s + rest, true},
        {"\x00\x00\x00\x01\x7f\x00\x00\x01\x00\x35\x12\x34\x01\x00"s, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsQuicLongHeader(c.start), c.bQuic) << testing::PrintToString(c.start);
    }
}
