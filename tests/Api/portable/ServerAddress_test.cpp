#include "Api/portable/ServerAddress.h"

#include <gtest/gtest.h>

TEST(ServerAddress, DottedIPv4AndAPortOnly) {
    const auto server = ParseServerAddress("192.168.1.20:7300");
    ASSERT_TRUE(server);
    EXPECT_EQ(server->strIp, "192.168.1.20");
    EXPECT_EQ(server->iPort, 7300);
    EXPECT_EQ(ParseServerAddress("0.0.0.0:1")->iPort, 1);
    EXPECT_EQ(ParseServerAddress("255.255.255.255:65535")->iPort, 65535);
    for (const char* szBad :
         {"", ":7300", "192.168.1.20", "192.168.1.20:", "192.168.1.20:0", "192.168.1.20:65536",
          "192.168.1:7300", "192.168.1.20.5:7300", "256.1.1.1:7300", "01.1.1.1:7300",
          " 1.1.1.1:7300", "1.1.1.1:7300 ", "1.1.1.1:+80", "1.1.1.1:80:81", "host.example:7300",
          "1.1.1.1:99999999999999999999"}) {
        EXPECT_FALSE(ParseServerAddress(szBad)) << szBad;
    }
}
