// Requests a browser sends its proxy: what is forwarded and how, and the status each malformed
// or unsupported one gets.
#include "tools/filter-proxy/portable/ProxyRequest.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ProxyRequestTest, AbsoluteFormIsForwardedInOriginFormWithTheUrlsHost) {
    const CParsedRequest parsed = ParseProxyRequest(
        "GET http://News.Example:8080/a/b?c=d HTTP/1.1\r\nHost: elsewhere\r\n"
        "User-Agent: test\r\nProxy-Connection: keep-alive\r\nConnection: X-Private, keep-alive\r\n"
        "X-Private: 1\r\nKeep-Alive: 300\r\nAccept: */*\r\n\r\n");
    ASSERT_EQ(parsed.iStatus, 0) << parsed.reason;
    EXPECT_EQ(parsed.request.host, "news.example");
    EXPECT_EQ(parsed.request.uPort, 8080);
    EXPECT_TRUE(parsed.request.bKeepAlive);
    EXPECT_EQ(UpstreamHead(parsed.request),
              "GET /a/b?c=d HTTP/1.1\r\nHost: news.example:8080\r\nUser-Agent: test\r\n"
              "Accept: */*\r\nConnection: close\r\n\r\n");
}

TEST(ProxyRequestTest, TargetsWithoutAPathOrPortGetTheDefaults) {
    for (const auto& [target, path] :
         {std::pair{"http://a.example", "/"}, std::pair{"http://a.example?q", "/?q"},
          std::pair{"HTTP://a.example/", "/"}}) {
        SCOPED_TRACE(target);
        const CParsedRequest parsed =
            ParseProxyRequest(std::string("HEAD ") + target + " HTTP/1.0\r\n\r\n");
        ASSERT_EQ(parsed.iStatus, 0) << parsed.reason;
        EXPECT_EQ(parsed.request.path, path);
        EXPECT_EQ(parsed.request.uPort, 80);
        EXPECT_EQ(UpstreamHead(parsed.request),
                  "HEAD " + std::string(path) +
                      " HTTP/1.0\r\nHost: a.example\r\nConnection: close\r\n\r\n");
    }
}

TEST(ProxyRequestTest, ConnectNamesHostAndPort) {
    const CParsedRequest parsed = ParseProxyRequest(
        "CONNECT Secure.Example:443 HTTP/1.1\r\nHost: secure.example:443\r\n\r\n");
    ASSERT_EQ(parsed.iStatus, 0) << parsed.reason;
    EXPECT_TRUE(parsed.request.bConnect);
    EXPECT_EQ(parsed.request.host, "secure.example");
    EXPECT_EQ(parsed.request.uPort, 443);
}

TEST(ProxyRequestTest, ABodyLengthIsTakenFromAgreeingContentLengths) {
    const CParsedRequest parsed = ParseProxyRequest(
        "POST http://a/ HTTP/1.1\r\nContent-Length: 12\r\ncontent-length: 12\r\n\r\n");
    ASSERT_EQ(parsed.iStatus, 0) << parsed.reason;
    EXPECT_EQ(parsed.request.nBodyBytes, 12U);
}

struct Refusal {
    const char* szHead;
    int iStatus;
};

class ProxyRequestRefusalTest : public ::testing::TestWithParam<Refusal> {};

TEST_P(ProxyRequestRefusalTest, GetsItsStatus) {
    const CParsedRequest parsed = ParseProxyRequest(GetParam().szHead);
    EXPECT_EQ(parsed.iStatus, GetParam().iStatus) << GetParam().szHead;
    EXPECT_FALSE(parsed.reason.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Heads, ProxyRequestRefusalTest,
    ::testing::Values(
        Refusal{"\r\n", 400}, Refusal{"GET http://a/\r\n\r\n", 400},
        Refusal{"GET  http://a/ HTTP/1.1\r\n\r\n", 400},
        Refusal{"GET http://a/ HTTP/1.1 x\r\n\r\n", 400},
        Refusal{"GET http://a/ HTTP/2.0\r\n\r\n", 505},
        Refusal{"GET http://a/ HTTP/x\r\n\r\n", 400},
        Refusal{"G(T http://a/ HTTP/1.1\r\n\r\n", 400},
        // Only proxy requests: an origin-form one would loop back to the proxy itself.
        Refusal{"GET /index.html HTTP/1.1\r\nHost: a\r\n\r\n", 400},
        Refusal{"GET https://a/ HTTP/1.1\r\n\r\n", 501},
        Refusal{"GET ftp://a/ HTTP/1.1\r\n\r\n", 400},
        Refusal{"GET http://user@a/ HTTP/1.1\r\n\r\n", 400},
        Refusal{"GET http://[::1]/ HTTP/1.1\r\n\r\n", 400},
        Refusal{"GET http://a:0/ HTTP/1.1\r\n\r\n", 400},
        Refusal{"GET http://a:65536/ HTTP/1.1\r\n\r\n", 400},
        Refusal{"GET http://a:/ HTTP/1.1\r\n\r\n", 400},
        Refusal{"GET http:///x HTTP/1.1\r\n\r\n", 400},
        Refusal{"GET http://a/\x7f HTTP/1.1\r\n\r\n", 400},
        Refusal{"CONNECT a HTTP/1.1\r\n\r\n", 400},
        Refusal{"CONNECT http://a:443/ HTTP/1.1\r\n\r\n", 400},
        Refusal{"GET http://a/ HTTP/1.1\r\nNo colon\r\n\r\n", 400},
        Refusal{"GET http://a/ HTTP/1.1\r\nHost : a\r\n\r\n", 400},
        Refusal{"GET http://a/ HTTP/1.1\r\nA: b\r\n folded\r\n\r\n", 400},
        Refusal{"GET http://a/ HTTP/1.1\r\nA: b\x01\r\n\r\n", 400},
        Refusal{"GET http://a/ HTTP/1.1\r\nA: b\rc\r\n\r\n", 400},
        Refusal{"POST http://a/ HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n", 501},
        Refusal{"POST http://a/ HTTP/1.1\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\n", 400},
        Refusal{"POST http://a/ HTTP/1.1\r\nContent-Length: -1\r\n\r\n", 400},
        Refusal{"POST http://a/ HTTP/1.1\r\nContent-Length: 99999999999999999\r\n\r\n", 400}));

struct KeepAlive {
    const char* szVersion;
    const char* szHeaders;
    bool bKeepAlive;
};

class KeepAliveTest : public ::testing::TestWithParam<KeepAlive> {};

TEST_P(KeepAliveTest, FollowsTheVersionAndBothConnectionHeaders) {
    const KeepAlive& c = GetParam();
    const CParsedRequest parsed = ParseProxyRequest(std::string("GET http://a/ HTTP/") +
                                                    c.szVersion + "\r\n" + c.szHeaders + "\r\n");
    ASSERT_EQ(parsed.iStatus, 0) << parsed.reason;
    EXPECT_EQ(parsed.request.bKeepAlive, c.bKeepAlive) << c.szVersion << " " << c.szHeaders;
}

INSTANTIATE_TEST_SUITE_P(
    Headers, KeepAliveTest,
    ::testing::Values(KeepAlive{"1.1", "", true}, KeepAlive{"1.0", "", false},
                      KeepAlive{"1.1", "Connection: close\r\n", false},
                      KeepAlive{"1.1", "Proxy-Connection: Close\r\n", false},
                      KeepAlive{"1.1", "Connection: keep-alive\r\nConnection: x, close\r\n", false},
                      KeepAlive{"1.0", "Proxy-Connection: Keep-Alive\r\n", true},
                      KeepAlive{"1.0", "Connection: te, keep-alive\r\n", true}));

}  // namespace
