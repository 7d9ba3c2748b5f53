// The proxy's hosts file and its reading of numeric addresses.
#include "tools/filter-proxy/portable/HostsFile.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint32_t Ip(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
    return (a << 24) | (b << 16) | (c << 8) | d;
}

TEST(HostsFileTest, NamesResolveAsTheSystemResolverWould) {
    const CHostsFile hosts(
        "# test sites\n"
        "127.0.0.1\tnews.example  Games.Example # the first two\r\n"
        "  10.0.0.2 other.example\n"
        "\n"
        "10.0.0.3 news.example\n"  // a later line does not replace the first
        "::1 localhost6\n"
        "300.1.1.1 bad.example\n"
        "127.0.0.9\n"
        "127.0.0.1");
    EXPECT_EQ(hosts.Resolve("news.example"), Ip(127, 0, 0, 1));
    EXPECT_EQ(hosts.Resolve("GAMES.example"), Ip(127, 0, 0, 1));
    EXPECT_EQ(hosts.Resolve("other.example"), Ip(10, 0, 0, 2));
    EXPECT_EQ(hosts.Resolve("the"), std::nullopt);
    EXPECT_EQ(hosts.Resolve("localhost6"), std::nullopt);
    EXPECT_EQ(hosts.Resolve("bad.example"), std::nullopt);
    EXPECT_EQ(hosts.Resolve("unknown.example"), std::nullopt);
    EXPECT_EQ(hosts.Resolve("192.168.1.20"), Ip(192, 168, 1, 20));
    EXPECT_EQ(hosts.Names(), 3U);
    EXPECT_EQ(hosts.SkippedLines(), 4U);
}

TEST(HostsFileTest, OnlyPlainDottedQuadsAreAddresses) {
    EXPECT_EQ(ParseIPv4("0.0.0.0"), 0U);
    EXPECT_EQ(ParseIPv4("255.255.255.255"), 0xFFFFFFFFU);
    EXPECT_EQ(ParseIPv4("001.2.3.4"), Ip(1, 2, 3, 4));
    for (const char* szText : {"", "1.2.3", "1.2.3.4.5", "1.2.3.256", "1..3.4", "1.2.3.4.",
                               "1.2.3.-4", "0x7f.0.0.1", "1234.1.1.1", "1.2.3.4 ", "127.1"}) {
        EXPECT_EQ(ParseIPv4(szText), std::nullopt) << szText;
    }
}

}  // namespace
