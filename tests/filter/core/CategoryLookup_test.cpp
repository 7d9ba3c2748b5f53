// The send path's category lookup with the strict filter on, over real connections: a server
// that does not answer is waited for once and then left alone, the second server is asked
// meanwhile, and answers are kept. (Which server is asked when, and what is kept, is tested on
// a turned clock in CategoryServers_test.)
#include "filter/core/CategoryLookup.h"

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filter/core/SharedFilterState.h"
#include "filter/core/portable/FilterLog.h"
#include "tests/support/CategoryServerStub.h"
#include "tests/support/FreshInstallation.h"
#include "tests/support/LoopbackPeer.h"
#include "tests/support/RecordingFilterLog.h"
#include "tests/support/ScriptedCategoryServer.h"
#include "win/UniqueSocket.h"

namespace {

constexpr char kSkipped[] = "WSPSend    :: Category server not answering, judged as Null";
constexpr char kPaused[] =
    "WSPSend    :: Category server not answering, lookups judged as Null for 30 seconds";

// A server that never accepts: the system completes the connections into the listener's
// queue, where the test counts them.
class CSilentServer {
public:
    CSilentServer() : m_listener(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = ::inet_addr("127.0.0.1");
        int nAddress = sizeof address;
        ::bind(m_listener.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_listener.Get(), 8);
        ::getsockname(m_listener.Get(), reinterpret_cast<sockaddr*>(&address), &nAddress);
        m_iPort = ::ntohs(address.sin_port);
    }

    int Port() const { return m_iPort; }
    // The connections made since the last call.
    int TakeConnections() {
        for (int n = 0;; ++n) {
            fd_set waiting;
            FD_ZERO(&waiting);
            FD_SET(m_listener.Get(), &waiting);
            timeval now{0, 0};
            if (::select(0, &waiting, nullptr, nullptr, &now) != 1) {
                return n;
            }
            const CSocket connection(::accept(m_listener.Get(), nullptr, nullptr));
        }
    }

private:
    CSocket m_listener;
    int m_iPort = 0;
};

class CategoryLookupTest : public ::testing::Test {
protected:
    CategoryLookupTest() {
        SetFilterLog(&m_log);
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
        SetSecondCategoryServer(0, 0);
        SetCategoryCacheSeconds(600);
    }
    ~CategoryLookupTest() override {
        SetSharedSwitches(false, 0);
        SetSecondCategoryServer(0, 0);
        SetCategoryCacheSeconds(0);
        SetFilterLog(nullptr);
        ::WSACleanup();
    }

    static std::string LookUpAt(int iPort, const std::string& url,
                                const char* szAddress = "127.0.0.1") {
        TheSharedState().categoryServerAddress = ::inet_addr(szAddress);
        TheSharedState().categoryServerPort = iPort;
        return LookUpCategory(url);
    }

    CFreshInstallation m_install;
    CRecordingLog m_log;
};

}  // namespace

TEST_F(CategoryLookupTest, SilentServerIsAskedOnceThenSkipped) {
    SetSharedSwitches(true, 5);
    CSilentServer server;
    EXPECT_EQ(LookUpAt(server.Port(), "slow.example/"), "Null");
    EXPECT_EQ(server.TakeConnections(), 1);
    EXPECT_EQ(m_log.Count(kPaused), 1);
    EXPECT_EQ(m_log.Count(kSkipped), 0);

    EXPECT_EQ(LookUpAt(server.Port(), "slow.example/next"), "Null");
    EXPECT_EQ(server.TakeConnections(), 0);
    EXPECT_EQ(m_log.Count(kSkipped), 1);
    EXPECT_EQ(m_log.Count(kPaused), 1);
}

// A server that sent something did answer, even if the reply does not decode.
TEST_F(CategoryLookupTest, UndecodableReplyDoesNotPause) {
    SetSharedSwitches(true, 50);
    std::string reply = ScopedCategoryReply("h", "News");
    reply[1] = 100;
    {
        ScriptedCategoryServer server(reply);
        EXPECT_EQ(LookUpAt(server.Port(), "news.example/"), "Null");
    }
    ScriptedCategoryServer server(ScopedCategoryReply("h", "News"));
    EXPECT_EQ(LookUpAt(server.Port(), "news.example/"), "News");
    EXPECT_EQ(m_log.Count(kPaused), 0);
}

// With the switch off the filter asks as it always has: type 4, no pause, nothing kept.
TEST_F(CategoryLookupTest, WithTheSwitchOffEveryLookupAsksWithTypeFour) {
    const CCategoryServerStub server(
        [](const std::string&) { return CCategoryServerStub::CAnswer{"News"}; });
    SetSharedSwitches(true, 50);
    const CategoryServerConfig config{
        {CategoryServerAddress{::inet_addr("127.0.0.2"), server.Port()}}};
    TheCategoryServers().LookUp(config, "news.example/",
                                [](auto&&...) { return CategoryExchange{}; });
    SetSharedSwitches(false, 50);
    EXPECT_EQ(LookUpAt(server.Port(), "news.example/", "127.0.0.2"), "News");
    EXPECT_EQ(LookUpAt(server.Port(), "news.example/", "127.0.0.2"), "News");
    ASSERT_EQ(server.Requests().size(), 2u);
    EXPECT_EQ(server.Requests()[1].iType, 4);
    EXPECT_EQ(m_log.Count(kSkipped), 0);
}

TEST_F(CategoryLookupTest, TheSecondServerAnswersWhileTheFirstRefuses) {
    SetSharedSwitches(true, 50);
    const CClosedPort refusing;
    const CCategoryServerStub second([](const std::string&) {
        return CCategoryServerStub::CAnswer{"Gambling", false};
    });
    SetSecondCategoryServer(::inet_addr("127.0.0.2"), second.Port());
    EXPECT_EQ(LookUpAt(refusing.Port(), "casino.example/"), "Gambling");
    EXPECT_EQ(m_log.Count(kPaused), 1);
    // The first is left alone for a while; the second is asked at once.
    EXPECT_EQ(LookUpAt(refusing.Port(), "casino.example/poker"), "Gambling");
    EXPECT_EQ(m_log.Count(kSkipped), 1);
    EXPECT_EQ(second.Requests().size(), 2u);
}

TEST_F(CategoryLookupTest, AServerThatClosesATypeSixLookupIsAskedWithTypeFour) {
    SetSharedSwitches(true, 50);
    const CCategoryServerStub older(
        [](const std::string&) { return CCategoryServerStub::CAnswer{"Games"}; },
        CCategoryServerStub::Protocol::kTypeFourOnly);
    EXPECT_EQ(LookUpAt(older.Port(), "games.example/", "127.0.0.2"), "Games");
    EXPECT_EQ(LookUpAt(older.Port(), "games.example/next", "127.0.0.2"), "Games");
    std::vector<int> types;
    for (const auto& request : older.Requests()) {
        types.push_back(request.iType);
    }
    EXPECT_EQ(types, (std::vector<int>{6, 6, 4, 4}));
    EXPECT_EQ(m_log.Count(kPaused), 0);
}
