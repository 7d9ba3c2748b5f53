// Requests read as servers read them, with the strict switch on, through the host and the
// layer: names in any case and with their root dot, absolute-form targets, percent-encoded
// words, heads no server reads as the filter does; TLS to an address judged by the address;
// and a web site beside the category server judged like any other.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/filter/StrictFilteringTest.h"
#include "tests/filter/TlsRelayPeers.h"
#include "tests/support/TlsClientHello.h"

namespace {

constexpr char kGamblingPolicy[] = "Category applied is: <span style='color:blue'>Gambling</span>";
constexpr char kPokerPolicy[] = "URL Word applied is: <span style='color:blue'>poker</span>";
constexpr char kBadRequest[] =
    "HTTP/1.1 400 Bad Request\r\nConnection: close\r\nContent-Length: 0\r\n\r\n";

class StrictParsingTest : public StrictFilteringTest {
protected:
    void SetUp() override {
        StrictFilteringTest::SetUp();
        m_gambling.Use();
        ASSERT_TRUE(CPolicyLibrary().SetBlockedCategories({"Gambling", "Null"}));
    }
    // casino.example is Gambling, news.example News; anything else is unknown ("Null").
    CCategoryServerStub m_gambling{[](const std::string& url) {
        if (url.starts_with("casino.example")) {
            return CCategoryServerStub::CAnswer{"Gambling"};
        }
        return CCategoryServerStub::CAnswer{url.starts_with("news.example") ? "News" : "Null"};
    }};
};

TEST_F(StrictParsingTest, RequestsAreJudgedByWhatTheServerServes) {
    struct Case {
        const char* request;
        const char* policy;  // null: allowed
    };
    const Case cases[] = {
        {"GET / HTTP/1.1\r\nHost: news.example\r\n\r\n", nullptr},
        {"GET / HTTP/1.1\r\nHost: CASINO.Example.\r\n\r\n", kGamblingPolicy},
        {"GET / HTTP/1.1\r\nHost: casino.example.:80\r\n\r\n", kGamblingPolicy},
        {"GET HTTP://casino.example/ HTTP/1.1\r\nHost: news.example\r\n\r\n", kGamblingPolicy},
        {"GET hTTp://casino.example/ HTTP/1.1\r\n\r\n", kGamblingPolicy},
        {"GET /p%6Fker/ HTTP/1.1\r\nHost: news.example\r\n\r\n", kPokerPolicy},
        {"GET /%70%4F%4b%45%52 HTTP/1.1\r\nHost: news.example\r\n\r\n", kPokerPolicy},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request);
        CKeepAliveServer web;
        const std::string answer = PlainExchange(web.Address(), c.request);
        if (c.policy == nullptr) {
            EXPECT_EQ(answer, Response(kBody));
        } else {
            EXPECT_NE(answer.find(c.policy), std::string::npos) << answer.substr(0, 200);
        }
    }
}

TEST_F(StrictParsingTest, HeadsNoServerReadsAsTheFilterDoesAreRefusedUnsent) {
    const std::string allowed = "GET / HTTP/1.1\r\nHost: news.example\r\n\r\n";
    struct Case {
        std::string first;  // answered before `second` is sent; empty for none
        std::string second;
    };
    const Case cases[] = {
        {"", "GET / HTTX/1.1\r\nHost: casino.example\r\n\r\n"},
        {"", "GET / HTTP/1.1\r\nHost: news.example\r\nX: " + std::string(17000, 'x') + "\r\n\r\n"},
        {"", "POST / HTTP/1.1\r\nHost: news.example\r\nContent-Length: 4x\r\n\r\n"},
        {allowed, "\x01\x02 GET / HTTP/1.1\r\nHost: casino.example\r\n\r\n"},
        {allowed, "GET  / HTTP/1.1\r\nHost: casino.example\r\n\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.second.substr(0, 40));
        CKeepAliveServer web;
        CSocket s = ConnectTo(web.Address());
        ASSERT_TRUE(s);
        if (!c.first.empty()) {
            ASSERT_TRUE(SendAll(s.Get(), c.first));
            EXPECT_EQ(ReadResponse(s.Get()), Response(kBody));
        }
        SendAll(s.Get(), c.second);
        ::shutdown(s.Get(), SD_SEND);
        EXPECT_EQ(ReceiveAll(s.Get()), kBadRequest);
        EXPECT_EQ(web.Received(), c.first);
    }
}

// The category server's address serves web sites on its other ports: they are judged.
TEST_F(StrictParsingTest, OnlyTheCategoryServersOwnPortIsExempt) {
    CSocket listener(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address = LoopbackAddress(0);
    address.sin_addr.s_addr = ::inet_addr(m_gambling.Address().c_str());
    ASSERT_EQ(::bind(listener.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address),
              0);
    ASSERT_EQ(::listen(listener.Get(), 1), 0);
    address.sin_port = ::htons(LocalPort(listener.Get()));
    CSocket client = ConnectTo(address);
    ASSERT_TRUE(client);
    const CSocket server(::accept(listener.Get(), nullptr, nullptr));
    ASSERT_TRUE(SendAll(client.Get(), "GET / HTTP/1.1\r\nHost: casino.example\r\n\r\n"));
    ASSERT_TRUE(SendAll(server.Get(), Response(kBody)));
    char buffer[65536];
    const int n = ::recv(client.Get(), buffer, sizeof buffer, 0);
    ASSERT_GT(n, 0);
    EXPECT_NE(std::string(buffer, static_cast<std::size_t>(n)).find(kGamblingPolicy),
              std::string::npos);
}

// Python's ssl sends no server name for an address: the address is what is judged.
TEST_F(StrictParsingTest, TlsToAnAddressIsJudgedByTheAddress) {
    CSocket listener(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    const sockaddr_in address = LoopbackAddress(0);
    ::bind(listener.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    ::listen(listener.Get(), 1);
    const CTlsPeers peers(LocalPort(listener.Get()), "127.0.0.1");
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(listener.Get(), &readable);
    timeval wait{static_cast<long>(kGuardMs / 1000), 0};
    ASSERT_TRUE(peers.Started());
    ASSERT_EQ(::select(0, &readable, nullptr, nullptr, &wait), 1);
    const CSocket client(::accept(listener.Get(), nullptr, nullptr));
    CSocket server = ConnectTo(LoopbackAddress(peers.ServerPort()));
    ASSERT_TRUE(server);
    // The client's hello, carried to the server through the layer.
    char buffer[16384];
    const int n = ::recv(client.Get(), buffer, sizeof buffer, 0);
    ASSERT_GT(n, 0);
    EXPECT_TRUE(SendAll(server.Get(), std::string(buffer, static_cast<std::size_t>(n))));
    ::shutdown(server.Get(), SD_SEND);
    EXPECT_EQ(ReceiveAll(server.Get()), std::string("\x15\x03\x03\x00\x02\x02\x31", 7));
    const BlockJournalEntry block = CPolicyLibrary().NewestBlock();
    EXPECT_EQ(block.iScheme, BLOCK_SCHEME_HTTPS);
    EXPECT_STREQ(block.szHost, "127.0.0.1");
    EXPECT_STREQ(block.szMatch, "Null");
    ::closesocket(client.Get());
    EXPECT_EQ(peers.Result().substr(0, 15), "server=nothing;");
}

// An Encrypted Client Hello is judged by its outer name, the client-facing server's: one of
// no known category is refused where such sites are. The extension alone refuses nothing, since
// browsers send it (as GREASE) in every hello.
TEST_F(StrictParsingTest, AnEncryptedClientHelloIsJudgedByItsOuterName) {
    for (const char* szOuter : {"news.example", "ech-front.example"}) {
        SCOPED_TRACE(szOuter);
        const bool bUnknown = std::string(szOuter) != "news.example";
        CKeepAliveServer peer("(the server's answer)");
        const std::string hello = BuildClientHello(szOuter, 0, true);
        CSocket s = ConnectTo(peer.Address());
        ASSERT_TRUE(s);
        ASSERT_TRUE(SendAll(s.Get(), hello));
        ::shutdown(s.Get(), SD_SEND);
        const std::string answer = ReceiveAll(s.Get());
        EXPECT_EQ(peer.Received(), bUnknown ? "" : hello);
        EXPECT_EQ(answer, bUnknown ? std::string("\x15\x03\x03\x00\x02\x02\x31", 7) : "");
    }
    const BlockJournalEntry block = CPolicyLibrary().NewestBlock();
    EXPECT_STREQ(block.szHost, "ech-front.example");
    EXPECT_STREQ(block.szMatch, "Null");
}

}  // namespace
