// Proxies with the strict switch on, through the host and the layer: SOCKS5, SOCKS4, SOCKS4a
// and HTTP CONNECT judged by their target, a blocked one refused before any of its request
// reaches the proxy, and an allowed tunnel's own stream judged as a new connection.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/filter/StrictFilteringTest.h"
#include "tests/support/TlsClientHello.h"

namespace {

using namespace std::string_literals;

const std::string kGreeting = "\x05\x01\x00"s;
const std::string kMethodChosen = "\x05\x00"s;
const std::string kSocks5Granted = "\x05\x00\x00\x01\x00\x00\x00\x00\x00\x00"s;
const std::string kSocks5Refused = "\x05\x02\x00\x01\x00\x00\x00\x00\x00\x00"s;
const std::string kSocks4Granted = "\x00\x5A\x00\x00\x00\x00\x00\x00"s;
const std::string kSocks4Refused = "\x00\x5B\x00\x00\x00\x00\x00\x00"s;
const std::string kConnectGranted = "HTTP/1.1 200 Connection established\r\n\r\n";
const std::string kAccessDenied = "\x15\x03\x03\x00\x02\x02\x31"s;
const std::string kTunnelAnswer = "(the site's answer)";
constexpr char kPokerPolicy[] = "URL Word applied is: <span style='color:blue'>poker</span>";

// A proxy stand-in for one connection, scripted: once it has received each message of the
// client's in turn, it sends the answer that goes with it; it keeps everything it received.
class CScriptedProxy : public CRecordingPeer {
public:
    using Script = std::vector<std::pair<std::string, std::string>>;
    explicit CScriptedProxy(Script script)
        : CRecordingPeer([script = std::move(script)](SOCKET s) { return Serve(s, script); }) {}

private:
    static std::string Serve(SOCKET s, const Script& script) {
        std::string received;
        std::size_t nExpected = 0;
        char buffer[4096];
        for (const auto& [message, answer] : script) {
            nExpected += message.size();
            while (received.size() < nExpected) {
                const int n = ::recv(s, buffer, sizeof buffer, 0);
                if (n <= 0) {
                    return received;
                }
                received.append(buffer, static_cast<std::size_t>(n));
            }
            SendAll(s, answer);
        }
        return received + ReceiveAll(s);
    }
};

// A client of the proxy: each message sent after the answer to the one before was read (the
// answers' sizes are known), then the rest read to the end of the stream.
struct Exchange {
    std::vector<std::string> answers;
    std::string rest;
};

Exchange Talk(const sockaddr_in& proxy,
              const std::vector<std::pair<std::string, std::size_t>>& steps) {
    Exchange exchange;
    CSocket s = ConnectTo(proxy);
    for (const auto& [message, nAnswer] : steps) {
        if (!SendAll(s.Get(), message)) {
            break;
        }
        std::string answer;
        char buffer[4096];
        while (answer.size() < nAnswer) {
            const int n = ::recv(
                s.Get(), buffer,
                static_cast<int>(std::min<std::size_t>(sizeof buffer, nAnswer - answer.size())), 0);
            if (n <= 0) {
                break;
            }
            answer.append(buffer, static_cast<std::size_t>(n));
        }
        exchange.answers.push_back(answer);
    }
    ::shutdown(s.Get(), SD_SEND);
    exchange.rest = ReceiveAll(s.Get());
    return exchange;
}

std::string Socks5Domain(const std::string& host, u_short uPort) {
    return "\x05\x01\x00\x03"s + static_cast<char>(host.size()) + host +
           static_cast<char>(uPort >> 8) + static_cast<char>(uPort & 0xFF);
}

const std::string kSocks5Ipv4 = "\x05\x01\x00\x01\xcb\x00\x71\x07\x00\x50"s;  // 203.0.113.7:80
const std::string kSocks5Ipv6 = "\x05\x01\x00\x04\x20\x01\x0d\xb8"s + std::string(7, '\0') +
                                "\x00\x00\x00\x00\x00\x00\x00\x01\x01\xbb"s;
const std::string kSocks4 = "\x04\x01\x00\x50\xcb\x00\x71\x07sam\x00"s;
std::string Socks4a(const std::string& host) {
    return "\x04\x01\x01\xbb\x00\x00\x00\x01sam\x00"s + host + '\0';
}

std::string Get(const std::string& host) {
    return "GET / HTTP/1.1\r\nHost: " + host + "\r\n\r\n";
}

class StrictProxiesTest : public StrictFilteringTest {
protected:
    // Words block here; the category server names 203.0.113.7 and 2001:db8::1 "Anonymizer".
    void SetUp() override {
        StrictFilteringTest::SetUp();
        m_addresses.Use();
    }
    CCategoryServerStub m_addresses{[](const std::string& url) {
        const bool bAddress = url.starts_with("203.0.113.7") || url.starts_with("[2001:db8:");
        return CCategoryServerStub::CAnswer{bAddress ? "Anonymizer" : "News"};
    }};
};

TEST_F(StrictProxiesTest, BlockedSocksTargetsAreRefusedBeforeTheProxyHearsOfThem) {
    ASSERT_TRUE(CPolicyLibrary().SetBlockedCategories({"Anonymizer"}));
    struct Case {
        const char* pWhat;
        std::string greeting;  // empty for SOCKS4
        std::string request;
        std::string refusal;
    };
    const Case cases[] = {
        {"SOCKS5 name", kGreeting, Socks5Domain("www.Poker.example.", 443), kSocks5Refused},
        {"SOCKS5 IPv4", kGreeting, kSocks5Ipv4, kSocks5Refused},
        {"SOCKS5 IPv6", kGreeting, kSocks5Ipv6, kSocks5Refused},
        {"SOCKS4", "", kSocks4, kSocks4Refused},
        {"SOCKS4a", "", Socks4a("poker.example"), kSocks4Refused},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pWhat);
        CScriptedProxy proxy(
            {{c.greeting, c.greeting.empty() ? "" : kMethodChosen}, {c.request, kSocks5Granted}});
        std::vector<std::pair<std::string, std::size_t>> steps;
        if (!c.greeting.empty()) {
            steps.emplace_back(c.greeting, kMethodChosen.size());
        }
        steps.emplace_back(c.request, 0);
        const Exchange exchange = Talk(proxy.Address(), steps);
        EXPECT_EQ(exchange.rest, c.refusal);
        EXPECT_EQ(proxy.Received(), c.greeting);
    }
    const BlockJournalEntry block = CPolicyLibrary().NewestBlock();
    EXPECT_EQ(block.iScheme, BLOCK_SCHEME_HTTPS);
    EXPECT_EQ(block.iPolicy, 3);
    EXPECT_STREQ(block.szHost, "poker.example");
    EXPECT_STREQ(block.szMatch, "poker");
}

TEST_F(StrictProxiesTest, AnAllowedSocksTunnelPassesWholeAndItsStreamIsJudged) {
    const std::string request = Socks5Domain("news.example", 80);
    // Allowed through, byte for byte.
    {
        CScriptedProxy proxy({{kGreeting, kMethodChosen},
                              {request, kSocks5Granted},
                              {Get("news.example"), kTunnelAnswer}});
        const Exchange exchange =
            Talk(proxy.Address(), {{kGreeting, 2},
                                   {request, kSocks5Granted.size()},
                                   {Get("news.example"), kTunnelAnswer.size()}});
        ASSERT_EQ(exchange.answers.size(), 3u);
        EXPECT_EQ(exchange.answers[2], kTunnelAnswer);
        EXPECT_EQ(proxy.Received(), kGreeting + request + Get("news.example"));
    }
    // A ClientHello for a blocked site inside it: refused, and it never reaches the proxy.
    for (const std::string& connect : {kSocks4, Socks4a("news.example")}) {
        CScriptedProxy proxy({{connect, kSocks4Granted}, {"(a hello)", kTunnelAnswer}});
        const Exchange exchange =
            Talk(proxy.Address(),
                 {{connect, kSocks4Granted.size()}, {BuildClientHello("www.poker.example"), 0}});
        EXPECT_EQ(exchange.rest, kAccessDenied);
        EXPECT_EQ(proxy.Received(), connect);
    }
    // An HTTP request in it gets the block page.
    CScriptedProxy proxy({{kGreeting, kMethodChosen},
                          {request, kSocks5Granted},
                          {Get("poker.example"), Response(kBody)}});
    const Exchange exchange =
        Talk(proxy.Address(),
             {{kGreeting, 2}, {request, kSocks5Granted.size()}, {Get("poker.example"), 1}});
    ASSERT_EQ(exchange.answers.size(), 3u);
    const std::string page = exchange.answers[2] + exchange.rest;
    EXPECT_NE(page.find(kPokerPolicy), std::string::npos);
    EXPECT_EQ(page.find(kBody), std::string::npos);
}

TEST_F(StrictProxiesTest, HttpConnectIsJudgedByItsTargetAndItsTunnelByItsHello) {
    const std::string blocked =
        "CONNECT www.poker.example:443 HTTP/1.1\r\nHost: news.example\r\n\r\n";
    {
        CScriptedProxy proxy({{blocked, kConnectGranted}});
        const Exchange exchange = Talk(proxy.Address(), {{blocked, 0}});
        EXPECT_EQ(exchange.rest.substr(0, 12), "HTTP/1.1 403");
        EXPECT_EQ(proxy.Received(), "");
    }
    const std::string allowed =
        "CONNECT news.example:443 HTTP/1.1\r\nHost: www.poker.example\r\n\r\n";
    for (const std::string& name : {"news.example"s, "www.poker.example"s}) {
        SCOPED_TRACE(name);
        const std::string hello = BuildClientHello(name);
        CScriptedProxy proxy({{allowed, kConnectGranted}, {hello, kTunnelAnswer}});
        const Exchange exchange =
            Talk(proxy.Address(), {{allowed, kConnectGranted.size()}, {hello, 0}});
        ASSERT_EQ(exchange.answers.size(), 2u);
        EXPECT_EQ(exchange.answers[0], kConnectGranted);
        const bool bBlocked = name != "news.example";
        EXPECT_EQ(exchange.rest, bBlocked ? kAccessDenied : kTunnelAnswer);
        EXPECT_EQ(proxy.Received(), bBlocked ? allowed : allowed + hello);
    }
}

// A client that sends its tunnel's first bytes with its request, before the proxy answers:
// they are judged all the same, and a hello they only begin is held with the request.
TEST_F(StrictProxiesTest, TunnelBytesSentWithTheRequestAreJudgedToo) {
    const std::string connect = "CONNECT news.example:443 HTTP/1.1\r\n\r\n";
    const std::string socks = Socks5Domain("news.example", 443);
    for (const std::string& request : {connect, socks}) {
        const bool bSocks = request == socks;
        SCOPED_TRACE(bSocks ? "SOCKS5" : "CONNECT");
        const std::string granted = bSocks ? kSocks5Granted : kConnectGranted;
        for (const char* szName : {"news.example", "www.poker.example"}) {
            SCOPED_TRACE(szName);
            const bool bBlocked = std::string(szName) != "news.example";
            const std::string hello = BuildClientHello(szName);
            const std::string greeting = bSocks ? kGreeting : "";
            CScriptedProxy proxy({{greeting, bSocks ? kMethodChosen : ""},
                                  {request + hello, granted + kTunnelAnswer}});
            std::vector<std::pair<std::string, std::size_t>> steps;
            if (bSocks) {
                steps.emplace_back(greeting, kMethodChosen.size());
            }
            // The hello's start with the request, its rest in a send of its own.
            steps.emplace_back(request + hello.substr(0, 10), 0);
            steps.emplace_back(hello.substr(10), 0);
            const Exchange exchange = Talk(proxy.Address(), steps);
            EXPECT_EQ(exchange.rest, bBlocked ? kAccessDenied : granted + kTunnelAnswer);
            EXPECT_EQ(proxy.Received(), greeting + (bBlocked ? "" : request + hello));
        }
    }
}

}  // namespace
