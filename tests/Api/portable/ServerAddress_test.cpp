// Addresses as people type them into the server's command line and the installer.
#include "Api/portable/ServerAddress.h"

#include <gtest/gtest.h>

namespace {

TEST(ServerAddressTest, DottedAddresses) {
    const struct {
        const char* szText;
        std::optional<std::uint32_t> address;
    } cases[] = {
        {"127.0.0.1", 0x7F000001},
        {"0.0.0.0", 0},
        {"255.255.255.255", 0xFFFFFFFF},
        {"10.1.20.3", 0x0A011403},
        {"", std::nullopt},
        {"127.0.0", std::nullopt},
        {"127.0.0.1.", std::nullopt},
        {"127.0.0.1.5", std::nullopt},
        {"256.0.0.1", std::nullopt},
        {"127.0.0.01", std::nullopt},  // octal to some readers
        {"127..0.1", std::nullopt},
        {"127.0.0.1 ", std::nullopt},
        {"-1.0.0.1", std::nullopt},
        {"localhost", std::nullopt},
        {"1234.0.0.1", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseIpv4(c.szText), c.address) << c.szText;
    }
    EXPECT_EQ(FormatIpv4(0x0A011403), "10.1.20.3");
    EXPECT_TRUE(IsLoopbackIpv4(0x7F020304));
    EXPECT_FALSE(IsLoopbackIpv4(0));
}

TEST(ServerAddressTest, AddressAndPort) {
    const auto server = ParseServerAddress("192.168.1.20:7300");
    ASSERT_TRUE(server);
    EXPECT_EQ(server->uAddress, 0xC0A80114U);
    EXPECT_EQ(server->uPort, 7300);
    EXPECT_TRUE(ParseServerAddress("10.0.0.1:65535"));
    for (const char* szBad :
         {"10.0.0.1", "10.0.0.1:", "10.0.0.1:0", "10.0.0.1:65536", "10.0.0.1:+80", "10.0.0.1:080",
          ":80", "host.example:80", "10.0.0.1:80:80", "10.0.0.1:8 0"}) {
        EXPECT_FALSE(ParseServerAddress(szBad)) << szBad;
    }
    EXPECT_EQ(ParsePort("0", true), std::uint16_t{0});
    EXPECT_FALSE(ParsePort("0"));
}

}  // namespace
