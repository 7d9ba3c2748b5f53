// Time rules enforced by the strict filter, on the real clock: through the host and the layer,
// against real peers on loopback. Every rule is made around the time the test runs, with hours
// of margin, so that no test depends on when it runs.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "Api/PolicyApi.h"
#include "Api/portable/TimeRules.h"
#include "tests/filter/StrictFilteringTest.h"
#include "tests/support/TlsClientHello.h"

namespace {

constexpr char kPageStart[] = "HTTP/1.0 200 OK\r\n";
constexpr char kTimePolicy[] = "Time Policy";

int LocalMinuteNow() {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    return now.wHour * 60 + now.wMinute;
}

// Every day, an hour that lies ten hours from now.
std::string RulesExcludingNow() {
    const int iStart = (LocalMinuteNow() + 600) % 1440 / 60 * 60;
    return "allow all " + MinuteText(iStart) + "-" + MinuteText(std::min(iStart + 60, 1440));
}

// Every day, two hours either side of now (midnight included when it lies within them).
std::string RulesIncludingNow() {
    const int iNow = LocalMinuteNow();
    std::string periods =
        MinuteText(std::max(iNow - 120, 0)) + "-" + MinuteText(std::min(iNow + 120, 1440));
    if (iNow + 120 > 1440) {
        periods += ",00:00-" + MinuteText(iNow + 120 - 1440);
    }
    if (iNow - 120 < 0) {
        periods += "," + MinuteText(iNow - 120 + 1440) + "-24:00";
    }
    return "allow all " + periods;
}

template <class F>
F PolicyProc(const char* szName) {
    return reinterpret_cast<F>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("PolicyApi.dll"), szName)));
}

// Logs in a profile of its own with these rules: the minutes counted in this process's shared
// memory are then the test's alone.
void UseProfile(const char* szName, const std::string& strRules) {
    const auto pCreate = PolicyProc<int (*)(const char*, const char*, int)>("CreateUser");
    const auto pSet = PolicyProc<int (*)(const char*, const char*)>("SetTimeRules");
    const auto pLogIn = PolicyProc<int (*)(const char*)>("UserLogIn");
    ASSERT_TRUE(pCreate != nullptr && pSet != nullptr && pLogIn != nullptr);
    ASSERT_EQ(pCreate(szName, "secret7", USER_TYPE_USER), 1);
    ASSERT_EQ(pSet(szName, strRules.c_str()), 1) << strRules;
    ASSERT_EQ(pLogIn(szName), 1);
}

std::string Get(const char* szPath) {
    return std::string("GET ") + szPath + " HTTP/1.1\r\nHost: news.example\r\n\r\n";
}

// A TLS server stand-in that answers whatever first arrives.
class CTlsPeer : public CRecordingPeer {
public:
    CTlsPeer()
        : CRecordingPeer([](SOCKET s) {
              char buffer[4096];
              const int n = ::recv(s, buffer, sizeof buffer, 0);
              if (n <= 0) {
                  return std::string();
              }
              SendAll(s, "\x16\x03\x03 (the server's answer)");
              return std::string(buffer, static_cast<std::size_t>(n)) + ReceiveAll(s);
          }) {}
};

class StrictTimeTest : public StrictFilteringTest {
protected:
    explicit StrictTimeTest(Filtering filtering = Filtering::kStrict)
        : StrictFilteringTest(filtering) {}
    void TearDown() override { PolicyProc<int (*)()>("UserLogOut")(); }
};

}  // namespace

TEST_F(StrictTimeTest, OutsideTheAllowedHoursEveryRequestIsBlocked) {
    UseProfile("outside", RulesExcludingNow());
    CKeepAliveServer web;
    const std::string answer = PlainExchange(web.Address(), Get("/today"));
    EXPECT_EQ(answer.substr(0, 17), kPageStart);
    EXPECT_NE(answer.find(kTimePolicy), std::string::npos);
    EXPECT_NE(answer.find("Internet is allowed again "), std::string::npos);
    EXPECT_EQ(answer.find(kBody), std::string::npos);

    const BlockJournalEntry block = CPolicyLibrary().NewestBlock();
    EXPECT_EQ(block.iPolicy, 6);
    EXPECT_STREQ(block.szHost, "news.example");
    EXPECT_STREQ(block.szUrl, "news.example/today");
    EXPECT_EQ(std::string(block.szMatch).rfind("Internet is allowed again ", 0), 0u)
        << block.szMatch;

    // HTTPS is refused as for any block.
    CTlsPeer tls;
    const std::string tlsAnswer = PlainExchange(tls.Address(), BuildClientHello("news.example"));
    EXPECT_EQ(tlsAnswer, std::string("\x15\x03\x03\x00\x02\x02\x31", 7));
    EXPECT_EQ(tls.Received(), "");
    EXPECT_EQ(CPolicyLibrary().NewestBlock().iScheme, BLOCK_SCHEME_HTTPS);
}

TEST_F(StrictTimeTest, WithinTheAllowedHoursOrWithoutRulesRequestsPass) {
    const std::pair<const char*, std::string> profiles[] = {{"within", RulesIncludingNow()},
                                                            {"norules", ""}};
    for (const auto& [szName, strRules] : profiles) {
        SCOPED_TRACE(strRules);
        UseProfile(szName, strRules);
        CKeepAliveServer web;
        const std::string answer = PlainExchange(web.Address(), Get("/today"));
        EXPECT_NE(answer.find(kBody), std::string::npos) << answer.substr(0, 200);
    }
}

TEST_F(StrictTimeTest, NoMinutesLeftBlocks) {
    UseProfile("nominutes", "limit all 0");
    CKeepAliveServer web;
    const std::string answer = PlainExchange(web.Address(), Get("/today"));
    EXPECT_NE(answer.find(kTimePolicy), std::string::npos);
    EXPECT_NE(answer.find("Internet time is over for today: 0 of 0 minutes used"),
              std::string::npos);
    EXPECT_STREQ(CPolicyLibrary().NewestBlock().szMatch,
                 "Internet time is over for today: 0 of 0 minutes used");
}

TEST_F(StrictTimeTest, ARequestUsesTheDaysLastMinute) {
    UseProfile("oneminute", "limit all 1");
    // Nothing records input here (no settings program), so a request counts alone: the first
    // uses the day's minute, and the next finds none left.
    CKeepAliveServer first;
    EXPECT_NE(PlainExchange(first.Address(), Get("/one")).find(kBody), std::string::npos);
    CKeepAliveServer next;
    EXPECT_NE(PlainExchange(next.Address(), Get("/two"))
                  .find("Internet time is over for today: 1 of 1 minutes used"),
              std::string::npos);
}

TEST_F(StrictTimeTest, TheDefaultProfilesRulesApplyWhileNobodyIsLoggedIn) {
    const auto pSet = PolicyProc<int (*)(const char*, const char*)>("SetTimeRules");
    ASSERT_EQ(pSet("Default", "allow all none"), 1);
    CKeepAliveServer web;
    const std::string answer = PlainExchange(web.Address(), Get("/today"));
    EXPECT_NE(answer.find(kTimePolicy), std::string::npos);
    EXPECT_NE(answer.find("Internet is not allowed on any day"), std::string::npos);
    EXPECT_STREQ(CPolicyLibrary().NewestBlock().szProfile, "Default");
}

class CompatTimeTest : public StrictTimeTest {
protected:
    CompatTimeTest() : StrictTimeTest(Filtering::kCompat) {}
};

TEST_F(CompatTimeTest, WithTheSwitchOffTimeRulesAreIgnored) {
    UseProfile("compat", "allow all none; limit all 0");
    CKeepAliveServer web;
    EXPECT_NE(PlainExchange(web.Address(), Get("/today")).find(kBody), std::string::npos);
}
