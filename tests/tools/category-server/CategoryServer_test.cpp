// The category server program on Linux, from outside: answers, bad and silent clients,
// many clients, and reloads while lookups go on.
#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/TempPath.h"
#include "tests/tools/category-server/ServerProcess.h"

namespace {

namespace fs = std::filesystem;

class CategoryServerTest : public ::testing::Test {
protected:
    CategoryServerTest() {
        fs::create_directories(m_folder.Path());
        WriteDb("news.example News\nsports.example Sports\nsports.example/betting Gambling\n");
    }
    // Rewrites the database with a time apart from the last, however coarse file times are.
    void WriteDb(const std::string& text) {
        const bool bExisted = fs::exists(m_db);
        const auto time = bExisted ? fs::last_write_time(m_db) : fs::file_time_type();
        std::ofstream(m_db + ".tmp") << text;
        fs::rename(m_db + ".tmp", m_db);
        if (bExisted) {
            fs::last_write_time(m_db, time + std::chrono::seconds(2));
        }
    }
    std::vector<std::string> Args(std::vector<std::string> more) const {
        more.insert(more.begin(), {"--db", m_db, "--watch-seconds", "0"});
        return more;
    }

    CTempPath m_folder{"category-server"};
    std::string m_db = (m_folder.Path() / "db.txt").string();
};

TEST_F(CategoryServerTest, AnswersBothTypesAndTellsOfEachLookupWhenVerbose) {
    CServerProcess server(Args({"--verbose"}));
    ASSERT_NE(server.Port(), 0) << server.Output();
    EXPECT_EQ(server.Output().find("listening on 127.0.0.1:"), 0U) << server.Output();
    EXPECT_NE(server.Output().find(" 3 entries"), std::string::npos) << server.Output();

    EXPECT_EQ(Lookup(server.Port(), 4, "news.example/page"), "News");
    EXPECT_EQ(Lookup(server.Port(), 4, "www.news.example"), "News");
    EXPECT_EQ(Lookup(server.Port(), 4, "nothing.example/"), "");
    EXPECT_EQ(Lookup(server.Port(), 6, "sports.example/betting/odds"), "u\tGambling");
    // No path of these hosts has an entry of its own: the answer holds for the whole host.
    EXPECT_EQ(Lookup(server.Port(), 6, "news.example/"), "h\tNews");
    EXPECT_EQ(Lookup(server.Port(), 6, "nothing.example/"), "h\t");

    EXPECT_TRUE(server.OutputHas("news.example/page -> News\n"));
    EXPECT_TRUE(server.OutputHas("nothing.example/ -> (unknown)\n"));
    EXPECT_TRUE(server.OutputHas("sports.example/betting/odds -> Gambling\n"));
    EXPECT_EQ(server.Stop(), 0);
}

TEST_F(CategoryServerTest, QuietWithoutVerbose) {
    CServerProcess server(Args({}));
    ASSERT_NE(server.Port(), 0) << server.Output();
    EXPECT_EQ(Lookup(server.Port(), 4, "news.example/"), "News");
    EXPECT_EQ(server.Stop(), 0);
    EXPECT_EQ(server.Output().find("->"), std::string::npos) << server.Output();
}

TEST_F(CategoryServerTest, MalformedRequestClosesOnlyItsConnection) {
    CServerProcess server(Args({}));
    ASSERT_NE(server.Port(), 0) << server.Output();
    const std::string request = Request(4, "news.example/");
    const CFd pending = Connect(server.Port());
    ASSERT_TRUE(SendBytes(pending, request.substr(0, 7)));

    for (const std::string& bad :
         {std::string("GET / HTTP/1.0\r\n\r\n"), Request(5, "news.example/"),
          std::string("\x04\x03\x00\x00\x00", 5), std::string("\x04\xff\xff\xff\x7f", 5),
          Request(4, std::string(1996, 'a'))}) {
        const CFd s = Connect(server.Port());
        ASSERT_TRUE(SendBytes(s, bad));
        EXPECT_TRUE(ClosedByServer(s)) << "not closed unanswered: " << bad.substr(0, 20);
    }
    // A client that goes away in the middle of its request.
    {
        const CFd gone = Connect(server.Port());
        SendBytes(gone, request.substr(0, 3));
    }
    ASSERT_TRUE(SendBytes(pending, request.substr(7)));
    EXPECT_EQ(ReceiveAll(pending), Request(4, "News"));
    EXPECT_EQ(Lookup(server.Port(), 4, "sports.example/"), "Sports");
}

TEST_F(CategoryServerTest, SilentAndHalfSentConnectionsTimeOutWhileLookupsGoOn) {
    CServerProcess server(Args({"--idle-seconds", "1"}));
    ASSERT_NE(server.Port(), 0) << server.Output();
    const CFd silent = Connect(server.Port());
    const CFd halfSent = Connect(server.Port());
    ASSERT_TRUE(SendBytes(halfSent, Request(4, "news.example/").substr(0, 8)));
    EXPECT_EQ(Lookup(server.Port(), 4, "news.example/"), "News");
    // Each receive waits until the server closes (or the client's ten seconds run out).
    EXPECT_TRUE(ClosedByServer(silent));
    EXPECT_TRUE(ClosedByServer(halfSent));
    EXPECT_EQ(Lookup(server.Port(), 4, "news.example/"), "News");
}

TEST_F(CategoryServerTest, SilentFloodCannotKeepLookupsOut) {
    // Silent connections would stay a minute; past the cap the oldest make way.
    CServerProcess server(Args({"--idle-seconds", "60", "--max-connections", "16"}));
    ASSERT_NE(server.Port(), 0) << server.Output();
    std::vector<CFd> flood;
    for (int i = 0; i < 200; ++i) {
        flood.push_back(Connect(server.Port()));
        ASSERT_TRUE(flood.back());
    }
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(Lookup(server.Port(), 4, "news.example/"), "News") << i;
    }
}

TEST_F(CategoryServerTest, ManyClientsAtOnce) {
    CServerProcess server(Args({}));
    ASSERT_NE(server.Port(), 0) << server.Output();
    std::atomic<int> nWrong{0};
    std::vector<std::thread> clients;
    for (int i = 0; i < 32; ++i) {
        clients.emplace_back([&, i] {
            for (int j = 0; j < 40; ++j) {
                const bool bNews = (i + j) % 2 == 0;
                const auto answer =
                    Lookup(server.Port(), bNews ? 4 : 6,
                           bNews ? "news.example/" + std::to_string(j) : "sports.example/betting");
                if (answer != (bNews ? "News" : "u\tGambling")) {
                    ++nWrong;
                }
            }
        });
    }
    for (std::thread& client : clients) {
        client.join();
    }
    EXPECT_EQ(nWrong, 0);
}

// Clients asking for one host without pause; every answer must be one of the categories the
// lists gave it, never a failure or an empty answer.
class CLookupLoad {
public:
    CLookupLoad(std::uint16_t uPort, std::vector<std::string> allowed)
        : m_uPort(uPort), m_allowed(std::move(allowed)) {
        for (int i = 0; i < 4; ++i) {
            m_clients.emplace_back([this] {
                while (!m_bStop) {
                    const auto answer = Lookup(m_uPort, 4, "a.example/");
                    ++m_nLookups;
                    if (!answer ||
                        std::find(m_allowed.begin(), m_allowed.end(), *answer) == m_allowed.end()) {
                        ++m_nFailed;
                    }
                }
            });
        }
    }
    ~CLookupLoad() { Finish(); }
    // Stops the clients; the lookups that failed.
    int Finish() {
        m_bStop = true;
        for (std::thread& client : m_clients) {
            if (client.joinable()) {
                client.join();
            }
        }
        return m_nFailed;
    }
    int Lookups() const { return m_nLookups; }

private:
    std::uint16_t m_uPort;
    std::vector<std::string> m_allowed;
    std::atomic<bool> m_bStop{false};
    std::atomic<int> m_nLookups{0};
    std::atomic<int> m_nFailed{0};
    std::vector<std::thread> m_clients;
};

TEST_F(CategoryServerTest, ReloadOnSignalUnderLoadFailsNoLookup) {
    WriteDb("a.example News\n");
    CServerProcess server(Args({}));
    ASSERT_NE(server.Port(), 0) << server.Output();
    CLookupLoad load(server.Port(), {"News", "Sports"});
    for (int i = 1; i <= 6; ++i) {
        const std::string category = i % 2 == 1 ? "Sports" : "News";
        WriteDb("a.example " + category + "\n");
        server.Signal(SIGHUP);
        ASSERT_TRUE(WaitFor([&] { return Lookup(server.Port(), 4, "a.example/") == category; }))
            << server.Output();
    }
    EXPECT_EQ(load.Finish(), 0) << load.Lookups() << " lookups";
    EXPECT_NE(server.Output().find("reloaded (SIGHUP): 1 entries"), std::string::npos)
        << server.Output();
}

TEST_F(CategoryServerTest, ReloadOnListChangeUnderLoadFailsNoLookup) {
    WriteDb("a.example News\n");
    CServerProcess server({"--db", m_db, "--watch-seconds", "1"});
    ASSERT_NE(server.Port(), 0) << server.Output();
    CLookupLoad load(server.Port(), {"News", "Games"});
    WriteDb("a.example Games\n");
    EXPECT_TRUE(WaitFor([&] { return Lookup(server.Port(), 4, "a.example/") == "Games"; }))
        << server.Output();
    EXPECT_EQ(load.Finish(), 0) << load.Lookups() << " lookups";
    EXPECT_NE(server.Output().find("reloaded (a list changed)"), std::string::npos)
        << server.Output();
}

TEST_F(CategoryServerTest, ListThatCannotBeReadKeepsThePreviousIndex) {
    CServerProcess server(Args({}));
    ASSERT_NE(server.Port(), 0) << server.Output();
    fs::remove(m_db);
    server.Signal(SIGHUP);
    EXPECT_TRUE(server.OutputHas("reload (SIGHUP) kept the previous index"));
    EXPECT_TRUE(server.OutputHas("list error: "));
    EXPECT_EQ(Lookup(server.Port(), 4, "sports.example/betting/x"), "Gambling");
}

}  // namespace
