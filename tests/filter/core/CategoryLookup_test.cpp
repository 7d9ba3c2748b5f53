// The send path's category lookup with the strict filter on: one short wait for a server that
// does not answer, then no lookups at all for a while.
#include "filter/core/CategoryLookup.h"

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filter/core/SharedFilterState.h"
#include "filter/core/portable/FilterLog.h"
#include "tests/support/FreshInstallation.h"
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
        TheCategoryServerPause().Answered();
    }
    ~CategoryLookupTest() override {
        TheCategoryServerPause().Answered();
        SetSharedSwitches(false, 0);
        SetFilterLog(nullptr);
        ::WSACleanup();
    }

    static std::string LookUpAt(int iPort, const std::string& url) {
        gSharedState.categoryServerAddress = ::inet_addr("127.0.0.1");
        gSharedState.categoryServerPort = iPort;
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
    std::string reply = CategoryReply("News");
    reply[1] = 100;
    {
        ScriptedCategoryServer server(reply);
        EXPECT_EQ(LookUpAt(server.Port(), "news.example/"), "Null");
    }
    ScriptedCategoryServer server(CategoryReply("News"));
    EXPECT_EQ(LookUpAt(server.Port(), "news.example/"), "News");
    EXPECT_EQ(m_log.Count(kPaused), 0);
}

// A pause left from a time with the switch on is not consulted once it is off.
TEST_F(CategoryLookupTest, WithTheSwitchOffThereIsNoPause) {
    SetSharedSwitches(false, 5);
    TheCategoryServerPause().NoAnswer();
    ScriptedCategoryServer server(CategoryReply("News"));
    EXPECT_EQ(LookUpAt(server.Port(), "news.example/"), "News");
    EXPECT_EQ(m_log.Count(kSkipped), 0);
}
