// Which server a lookup asks and what it keeps, on a clock the test turns and with exchanges
// the test scripts: each expected exchange names the server, the message type and the URL, and
// gives what the server did.
#include "filter/core/portable/CategoryServers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <string>

#include "filter/core/portable/FilterLog.h"
#include "filter/core/portable/TLVMessage.h"

namespace {

using Outcome = CategoryExchange::Outcome;
using std::chrono::seconds;

constexpr CategoryServerAddress kFirst{0x0200007F, 7300};
constexpr CategoryServerAddress kSecond{0x0300007F, 7301};

struct CExpected {
    CategoryServerAddress server;
    int iType;
    std::string strUrl;
    CategoryExchange exchange;
};

CategoryExchange Scoped(const char* szScope, const char* szCategory) {
    return {Outcome::Reply, TLVMessage::kScopedCategorySearch,
            std::string(szScope) + "\t" + szCategory};
}
CategoryExchange Plain(const char* szCategory) {
    return {Outcome::Reply, TLVMessage::kCategorySearch, szCategory};
}
CategoryExchange Failed(Outcome outcome) {
    return {outcome, 0, ""};
}

class CategoryServersTest : public ::testing::Test {
protected:
    // Looks url up, expecting exactly the exchanges given, in order.
    std::optional<std::string> LookUp(const std::string& url, std::deque<CExpected> expected) {
        auto result = m_servers.LookUp(
            m_config, url,
            [&](const CategoryServerAddress& server, int iType, std::string_view asked) {
                if (expected.empty()) {
                    ADD_FAILURE() << "an exchange not expected: type " << iType << " " << asked;
                    return Failed(Outcome::NoConnection);
                }
                const CExpected next = expected.front();
                expected.pop_front();
                EXPECT_EQ(server, next.server) << url;
                EXPECT_EQ(iType, next.iType) << url;
                EXPECT_EQ(asked, next.strUrl);
                return next.exchange;
            });
        EXPECT_TRUE(expected.empty()) << expected.size() << " exchanges not made for " << url;
        return result;
    }

    CCategoryServerPause::TimePoint m_now{};
    CCategoryServers m_servers{[this] { return m_now; }};
    CategoryServerConfig m_config{{kFirst, CategoryServerAddress{}}, seconds(600)};
};

TEST(ScopedCategory, OnlyAScopeLetterAndATabLeadTheCategory) {
    EXPECT_EQ(ParseScopedCategory("h\tGambling")->category, "Gambling");
    EXPECT_TRUE(ParseScopedCategory("h\tGambling")->bHostScope);
    EXPECT_FALSE(ParseScopedCategory("u\tSports")->bHostScope);
    EXPECT_EQ(ParseScopedCategory("h\t")->category, "");
    EXPECT_EQ(ParseScopedCategory("h\tSocial\tNetworking")->category, "Social\tNetworking");
    for (const char* szBad : {"", "h", "hGambling", "x\tGambling", "H\tGambling", " h\tNews"}) {
        EXPECT_FALSE(ParseScopedCategory(szBad)) << szBad;
    }
}

TEST_F(CategoryServersTest, AHostAnswerIsAskedOnceForEveryUrlOfTheHost) {
    EXPECT_EQ(LookUp("casino.example/", {{kFirst, 6, "casino.example/", Scoped("h", "Gambling")}}),
              "Gambling");
    for (const char* szUrl :
         {"casino.example/a", "casino.example/b?c=d", "http://casino.example/"}) {
        EXPECT_EQ(LookUp(szUrl, {}), "Gambling");
    }
    // Unknown sites are kept as well; their answer is the empty category.
    EXPECT_EQ(LookUp("new.example/", {{kFirst, 6, "new.example/", Scoped("h", "")}}), "");
    EXPECT_EQ(LookUp("new.example/x", {}), "");
    // Until the time allowed is over.
    m_now += seconds(600);
    EXPECT_EQ(LookUp("casino.example/c", {{kFirst, 6, "casino.example/c", Scoped("h", "Games")}}),
              "Games");
}

TEST_F(CategoryServersTest, APathAnswerIsKeptOnlyForItsUrl) {
    EXPECT_EQ(LookUp("sports.example/", {{kFirst, 6, "sports.example/", Scoped("u", "Sports")}}),
              "Sports");
    EXPECT_EQ(LookUp("sports.example/betting",
                     {{kFirst, 6, "sports.example/betting", Scoped("u", "Gambling")}}),
              "Gambling");
    EXPECT_EQ(LookUp("sports.example/", {}), "Sports");
    EXPECT_EQ(LookUp("sports.example/betting", {}), "Gambling");
}

TEST_F(CategoryServersTest, NothingIsKeptWhenTheCacheIsOff) {
    m_config.cacheFor = seconds(0);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(
            LookUp("casino.example/", {{kFirst, 6, "casino.example/", Scoped("h", "Gambling")}}),
            "Gambling");
    }
}

TEST_F(CategoryServersTest, AServerWithoutTypeSixIsAskedWithTypeFourFromThenOn) {
    // It closes the connection on a type it does not know, every time...
    EXPECT_EQ(LookUp("casino.example/", {{kFirst, 6, "casino.example/", Failed(Outcome::Closed)},
                                         {kFirst, 6, "casino.example/", Failed(Outcome::Closed)},
                                         {kFirst, 4, "casino.example/", Plain("Gambling")}}),
              "Gambling");
    // ...its answers hold only for their URL...
    EXPECT_EQ(LookUp("casino.example/", {}), "Gambling");
    EXPECT_EQ(LookUp("casino.example/a", {{kFirst, 4, "casino.example/a", Plain("Gambling")}}),
              "Gambling");
    // ...until the servers change.
    m_config.servers[0].port = 7302;
    const CategoryServerAddress moved{kFirst.address, 7302};
    EXPECT_EQ(LookUp("casino.example/", {{moved, 6, "casino.example/", Scoped("h", "Games")}}),
              "Games");
}

// A server behind a balancer that went down under a lookup: the balancer closes that one.
TEST_F(CategoryServersTest, OneClosedLookupIsAskedAgainAndMarksNothing) {
    EXPECT_EQ(LookUp("casino.example/", {{kFirst, 6, "casino.example/", Failed(Outcome::Closed)},
                                         {kFirst, 6, "casino.example/", Scoped("h", "Gambling")}}),
              "Gambling");
    EXPECT_EQ(LookUp("news.example/", {{kFirst, 6, "news.example/", Scoped("h", "News")}}), "News");
}

TEST_F(CategoryServersTest, AReplyOfAnotherTypeAlsoMarksAnOlderServer) {
    EXPECT_EQ(LookUp("news.example/", {{kFirst, 6, "news.example/", Plain("News")},
                                       {kFirst, 4, "news.example/", Plain("News")}}),
              "News");
    EXPECT_EQ(LookUp("news.example/a", {{kFirst, 4, "news.example/a", Plain("News")}}), "News");
}

TEST_F(CategoryServersTest, TheSecondServerIsAskedWhileTheFirstIsPaused) {
    m_config.servers[1] = kSecond;
    EXPECT_EQ(LookUp("casino.example/", {{kFirst, 6, "casino.example/", Failed(Outcome::NoReply)},
                                         {kSecond, 6, "casino.example/", Scoped("u", "Gambling")}}),
              "Gambling");
    m_now += seconds(29);
    EXPECT_EQ(
        LookUp("casino.example/a", {{kSecond, 6, "casino.example/a", Scoped("u", "Gambling")}}),
        "Gambling");
    m_now += seconds(1);
    EXPECT_EQ(
        LookUp("casino.example/b", {{kFirst, 6, "casino.example/b", Scoped("u", "Gambling")}}),
        "Gambling");
}

TEST_F(CategoryServersTest, NoAnswerFromAnyServerIsNeverKept) {
    m_config.servers[1] = kSecond;
    EXPECT_EQ(
        LookUp("casino.example/", {{kFirst, 6, "casino.example/", Failed(Outcome::NoConnection)},
                                   {kSecond, 6, "casino.example/", Failed(Outcome::NoReply)}}),
        std::nullopt);
    // Both are paused: nothing is asked, nothing was kept.
    EXPECT_EQ(LookUp("casino.example/", {}), std::nullopt);
    m_now += seconds(30);
    EXPECT_EQ(LookUp("casino.example/", {{kFirst, 6, "casino.example/", Scoped("h", "Gambling")}}),
              "Gambling");
}

TEST_F(CategoryServersTest, AGarbledReplyIsNoCategoryButNoPauseEither) {
    m_config.servers[1] = kSecond;
    EXPECT_EQ(LookUp("casino.example/", {{kFirst, 6, "casino.example/", Failed(Outcome::Garbled)}}),
              std::nullopt);
    EXPECT_EQ(LookUp("casino.example/", {{kFirst, 6, "casino.example/", Scoped("h", "Gambling")}}),
              "Gambling");
    // A type 6 reply that is not "h" or "u" and a tab says no more.
    EXPECT_EQ(
        LookUp("news.example/", {{kFirst,
                                  6,
                                  "news.example/",
                                  {Outcome::Reply, TLVMessage::kScopedCategorySearch, "News"}}}),
        std::nullopt);
}

// Tells when a line was written, from any thread.
class CAwaitedLog : public IFilterLog {
public:
    explicit CAwaitedLog(std::string strLine) : m_strLine(std::move(strLine)) {
        SetFilterLog(this);
    }
    ~CAwaitedLog() override { SetFilterLog(nullptr); }
    bool Enabled(signed char) const override { return true; }
    void Write(const std::string& strText, signed char) override {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_bWritten = m_bWritten || strText == m_strLine;
        m_written.notify_all();
    }
    bool Await() {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_written.wait_for(lock, seconds(20), [this] { return m_bWritten; });
    }

private:
    std::string m_strLine;
    std::mutex m_mutex;
    std::condition_variable m_written;
    bool m_bWritten = false;
};

// Two connections of a page judged at once: the second waits for the first one's lookup and,
// when that answer holds for the host, asks nothing; otherwise it asks for its own URL.
TEST_F(CategoryServersTest, ALookupOfAHostUnderWayIsWaitedFor) {
    for (const char* szScope : {"h", "u"}) {
        SCOPED_TRACE(szScope);
        CAwaitedLog log("WSPSend :: Waiting for the lookup of the same host");
        m_config.servers[0].port += 1;  // nothing learnt before
        std::promise<void> asked;
        std::promise<void> gate;
        auto first = std::async(std::launch::async, [&] {
            return m_servers.LookUp(m_config, "casino.example/", [&](auto&&...) {
                asked.set_value();
                gate.get_future().wait();
                return Scoped(szScope, "Gambling");
            });
        });
        asked.get_future().wait();
        int nSecondAsks = 0;
        auto second = std::async(std::launch::async, [&] {
            return m_servers.LookUp(m_config, "casino.example/a", [&](auto&&...) {
                ++nSecondAsks;
                return Scoped(szScope, "Gambling");
            });
        });
        ASSERT_TRUE(log.Await());
        gate.set_value();
        EXPECT_EQ(first.get(), "Gambling");
        EXPECT_EQ(second.get(), "Gambling");
        EXPECT_EQ(nSecondAsks, szScope[0] == 'h' ? 0 : 1);
    }
}

}  // namespace
