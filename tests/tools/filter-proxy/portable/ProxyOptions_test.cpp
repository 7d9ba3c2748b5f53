// The proxy's command line, which other people's scripts use.
#include "tools/filter-proxy/portable/ProxyOptions.h"

#include <gtest/gtest.h>

namespace {

TEST(ProxyOptionsTest, DefaultsAndEverySwitch) {
    CProxyOptions options;
    EXPECT_EQ(ParseProxyOptions({"--hosts", "h.txt"}, options), "");
    EXPECT_EQ(options.hostsFile, "h.txt");
    EXPECT_EQ(options.uPort, 0);
    EXPECT_TRUE(options.bOverlapped);
    EXPECT_EQ(options.nMaxConnections, 256U);
    EXPECT_EQ(options.nMaxHeaderBytes, 16384U);
    EXPECT_EQ(options.uIdleSeconds, 60U);
    EXPECT_FALSE(options.bUntilStdinCloses);

    CProxyOptions all;
    EXPECT_EQ(ParseProxyOptions({"--port", "8080", "--io", "blocking", "--max-connections", "3",
                                 "--max-header-bytes", "1024", "--idle-seconds", "5",
                                 "--until-stdin-closes", "--hosts", "C:\\h"},
                                all),
              "");
    EXPECT_EQ(all.hostsFile, "C:\\h");
    EXPECT_EQ(all.uPort, 8080);
    EXPECT_FALSE(all.bOverlapped);
    EXPECT_EQ(all.nMaxConnections, 3U);
    EXPECT_EQ(all.nMaxHeaderBytes, 1024U);
    EXPECT_EQ(all.uIdleSeconds, 5U);
    EXPECT_TRUE(all.bUntilStdinCloses);
}

TEST(ProxyOptionsTest, MistakesAreNamed) {
    const std::vector<std::vector<std::string>> mistakes = {
        {},
        {"--port", "80"},
        {"--hosts"},
        {"--hosts", "h", "--port", "65536"},
        {"--hosts", "h", "--port", "-1"},
        {"--hosts", "h", "--io", "async"},
        {"--hosts", "h", "--max-connections", "0"},
        {"--hosts", "h", "--max-header-bytes", "12"},
        {"--hosts", "h", "--idle-seconds", "1x"},
        {"--hosts", "h", "--idle-seconds", "99999999999"},
        {"--hosts", "h", "--verbose"},
    };
    for (const auto& args : mistakes) {
        CProxyOptions options;
        EXPECT_NE(ParseProxyOptions(args, options), "") << ::testing::PrintToString(args);
    }
}

}  // namespace
