// Server responses: how their bodies end, whether the browser can keep its connection after
// them, and the head it gets.
#include "tools/filter-proxy/portable/ResponseHead.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Body = CResponseHead::Body;

struct Framing {
    const char* szHead;
    bool bHeadRequest;
    Body body;
    std::uint64_t nLength;
    bool bDelimited;
};

class ResponseFramingTest : public ::testing::TestWithParam<Framing> {};

TEST_P(ResponseFramingTest, SaysHowTheBodyEnds) {
    const Framing& c = GetParam();
    const auto head = ParseResponseHead(c.szHead, c.bHeadRequest);
    ASSERT_TRUE(head) << c.szHead;
    EXPECT_EQ(head->body, c.body) << c.szHead;
    EXPECT_EQ(head->nLength, c.nLength) << c.szHead;
    EXPECT_EQ(head->bDelimited, c.bDelimited) << c.szHead;
}

INSTANTIATE_TEST_SUITE_P(
    Heads, ResponseFramingTest,
    ::testing::Values(
        Framing{"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n", false, Body::kLength, 5, true},
        Framing{"HTTP/1.0 200 OK\nContent-Length: 0\n\n", false, Body::kLength, 0, true},
        Framing{"HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, chunked\r\n\r\n", false,
                Body::kUntilClose, 0, true},
        // An HTTP/1.0 client cannot read chunks; nor should a 1.0 server send them.
        Framing{"HTTP/1.0 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n", false, Body::kUntilClose,
                0, false},
        Framing{"HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n", false, Body::kUntilClose, 0,
                false},
        Framing{"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n", true, Body::kNone, 0, true},
        Framing{"HTTP/1.1 204 No Content\r\n\r\n", false, Body::kNone, 0, true},
        Framing{"HTTP/1.1 304 Not Modified\r\nContent-Length: 9\r\n\r\n", false, Body::kNone, 0,
                true},
        Framing{"HTTP/1.1 100 Continue\r\n\r\n", false, Body::kNone, 0, true},
        Framing{"HTTP/1.1 200\r\nContent-Length: 1\r\n\r\n", false, Body::kLength, 1, true}));

TEST(ResponseHeadTest, WhatCannotBeFramedIsRefused) {
    for (const char* szHead :
         {"", "\r\n", "HTTP/1.1 2000 OK\r\n\r\n", "HTTP/2 200\r\n\r\n", "HTTP/1.1 20x OK\r\n\r\n",
          "HTTP/1.1 099 Low\r\n\r\n", "ICY 200 OK\r\n\r\n", "HTTP/1.1 200 OK\r\nBad line\r\n\r\n",
          "HTTP/1.1 200 OK\r\nContent-Length: 1, 2\r\n\r\n"}) {
        EXPECT_FALSE(ParseResponseHead(szHead, false)) << szHead;
    }
}

TEST(ResponseHeadTest, TheBrowserGetsTheProxysOwnConnectionHeader) {
    const std::string raw =
        "HTTP/1.1 200 OK\r\nConnection: close, X-Hop\r\nX-Hop: 1\r\nKeep-Alive: timeout=5\r\n"
        "Content-Length: 2\r\nProxy-Connection: close\r\nServer: s\r\n\r\n";
    const auto head = ParseResponseHead(raw, false);
    ASSERT_TRUE(head);
    EXPECT_EQ(
        ClientResponseHead(raw, *head, true),
        "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nServer: s\r\nConnection: keep-alive\r\n\r\n");
    EXPECT_EQ(ClientResponseHead(raw, *head, false),
              "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nServer: s\r\nConnection: close\r\n\r\n");
}

}  // namespace
