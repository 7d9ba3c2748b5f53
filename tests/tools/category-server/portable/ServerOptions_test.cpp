// The server's command line, which scripts, the installer's service entry and people use.
#include "tools/category-server/portable/ServerOptions.h"

#include <gtest/gtest.h>

namespace {

using Kind = CListSource::Kind;

TEST(ServerOptionsTest, DefaultsAndEverySwitch) {
    CServerOptions options;
    EXPECT_EQ(ParseServerOptions({"--db", "data/category-db.txt"}, options), "");
    EXPECT_EQ(options.uAddress, 0x7F000001U);
    EXPECT_EQ(options.uPort, 7300);
    EXPECT_FALSE(options.bVerbose);
    EXPECT_FALSE(options.bService);
    EXPECT_EQ(options.uIdleSeconds, 5U);
    EXPECT_EQ(options.nMaxConnections, 1024U);
    EXPECT_EQ(options.uThreads, 0U);
    EXPECT_EQ(options.uWatchSeconds, 2U);

    CServerOptions all;
    EXPECT_EQ(ParseServerOptions({"--address",
                                  "0.0.0.0",
                                  "--port",
                                  "0",
                                  "--lists",
                                  "/srv/blacklists",
                                  "--lists",
                                  "bl.tar.gz",
                                  "--lists",
                                  "bl.tgz",
                                  "--map",
                                  "map.txt",
                                  "--hosts",
                                  "C:\\a=b\\hosts=Adult",
                                  "--adblock",
                                  "ads.txt=Advertising",
                                  "--domains",
                                  "d.txt=Social Networking",
                                  "--db",
                                  "one.txt",
                                  "--db",
                                  "two.txt",
                                  "--catalogue",
                                  "C:\\PC\\Categories",
                                  "--public-suffixes",
                                  "psl.dat",
                                  "--verbose",
                                  "--idle-seconds",
                                  "1",
                                  "--max-connections",
                                  "8",
                                  "--threads",
                                  "3",
                                  "--watch-seconds",
                                  "0",
                                  "--log",
                                  "server.log",
                                  "--service"},
                                 all),
              "");
    EXPECT_EQ(all.uAddress, 0U);
    EXPECT_EQ(all.uPort, 0);
    const std::vector<CListSource> expected = {
        {Kind::Tree, "/srv/blacklists", ""},
        {Kind::Tarball, "bl.tar.gz", ""},
        {Kind::Tarball, "bl.tgz", ""},
        {Kind::Hosts, "C:\\a=b\\hosts", "Adult"},
        {Kind::Adblock, "ads.txt", "Advertising"},
        {Kind::Domains, "d.txt", "Social Networking"},
        {Kind::Database, "one.txt", ""},
        {Kind::Database, "two.txt", ""},
    };
    ASSERT_EQ(all.lists.sources.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(all.lists.sources[i].kind, expected[i].kind) << i;
        EXPECT_EQ(all.lists.sources[i].strPath, expected[i].strPath) << i;
        EXPECT_EQ(all.lists.sources[i].strCategory, expected[i].strCategory) << i;
    }
    EXPECT_EQ(all.lists.strMapFile, "map.txt");
    EXPECT_EQ(all.lists.strPublicSuffixFile, "psl.dat");
    EXPECT_EQ(all.strCatalogue, "C:\\PC\\Categories");
    EXPECT_TRUE(all.bVerbose);
    EXPECT_EQ(all.uIdleSeconds, 1U);
    EXPECT_EQ(all.nMaxConnections, 8U);
    EXPECT_EQ(all.uThreads, 3U);
    EXPECT_EQ(all.uWatchSeconds, 0U);
    EXPECT_EQ(all.strLogFile, "server.log");
    EXPECT_TRUE(all.bService);

    CServerOptions none;
    EXPECT_EQ(ParseServerOptions({"--catalogue", "c", "--public-suffixes", "none"}, none), "");
    EXPECT_TRUE(none.bNoPublicSuffixes);
    EXPECT_EQ(none.lists.strPublicSuffixFile, "");
}

TEST(ServerOptionsTest, MistakesAreNamed) {
    const std::vector<std::vector<std::string>> mistakes = {
        {},
        {"--port", "7300"},
        {"--db"},
        {"--db", "x", "--address", "localhost"},
        {"--db", "x", "--address", "10.0.0.256"},
        {"--db", "x", "--port", "65536"},
        {"--db", "x", "--port", "-1"},
        {"--hosts", "hosts.txt"},
        {"--hosts", "=Adult"},
        {"--adblock", "list.txt="},
        {"--db", "x", "--idle-seconds", "0"},
        {"--db", "x", "--max-connections", "0"},
        {"--db", "x", "--threads", "100"},
        {"--db", "x", "--watch-seconds", "2s"},
        {"--db", "x", "--unknown", "Null"},
        {"--db", ""},
    };
    for (const auto& args : mistakes) {
        CServerOptions options;
        EXPECT_NE(ParseServerOptions(args, options), "") << ::testing::PrintToString(args);
    }
}

}  // namespace
