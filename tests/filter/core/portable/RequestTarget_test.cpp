// Request heads read as servers read them: the host they serve and the URL the filter judges.
#include "filter/core/portable/RequestTarget.h"

#include <gtest/gtest.h>

TEST(RequestTarget, HostsAndUrlsAsServersReadThem) {
    struct Case {
        const char* head;
        bool bReadable;
        bool bConnect;
        const char* host;
        const char* url;
    };
    const Case cases[] = {
        {"GET /a HTTP/1.1\r\nHost: news.example\r\n\r\n", true, false, "news.example",
         "news.example/a"},
        {"GET /a HTTP/1.1\r\nHost: Casino.Example.\r\n\r\n", true, false, "casino.example",
         "casino.example/a"},
        {"GET /a HTTP/1.1\r\nHost: casino.example.:8080\r\n\r\n", true, false,
         "casino.example:8080", "casino.example:8080/a"},
        // The absolute-form target wins over a missing or different Host, in any case.
        {"GET HTTP://Casino.Example./x?y HTTP/1.1\r\nHost: news.example\r\n\r\n", true, false,
         "casino.example", "casino.example/x?y"},
        {"GET https://user:pw@casino.example HTTP/1.1\r\n\r\n", true, false, "casino.example",
         "casino.example"},
        {"GET hTtP://casino.example:81/ HTTP/1.1\r\n\r\n", true, false, "casino.example:81",
         "casino.example:81/"},
        {"GET /a HTTP/1.1\r\n\r\n", true, false, "", "/a"},
        // A CONNECT is its target's site, whatever its Host says.
        {"CONNECT Casino.Example.:443 HTTP/1.1\r\nHost: news.example\r\n\r\n", true, true,
         "casino.example", "casino.example"},
        {"CONNECT [2001:db8::1]:443 HTTP/1.1\r\n\r\n", true, true, "[2001:db8::1]",
         "[2001:db8::1]"},
        {"GET  /a HTTP/1.1\r\n\r\n", false, false, "", ""},
        {"GET /a http/1.1\r\n\r\n", false, false, "", ""},
    };
    for (const Case& c : cases) {
        const StrictRequest request = ReadStrictRequest(c.head);
        EXPECT_EQ(request.bReadable, c.bReadable) << c.head;
        EXPECT_EQ(request.bConnect, c.bConnect) << c.head;
        EXPECT_EQ(request.host, c.host) << c.head;
        EXPECT_EQ(request.url, c.url) << c.head;
    }
}

TEST(RequestTarget, PercentDecoding) {
    EXPECT_EQ(PercentDecoded("/p%6Fker%2fx"), "/poker/x");
    EXPECT_EQ(PercentDecoded("%"), "%");
    EXPECT_EQ(PercentDecoded("a%4"), "a%4");
    EXPECT_EQ(PercentDecoded("a%zz%41"), "a%zzA");
    EXPECT_EQ(PercentDecoded("%00"), std::string(1, '\0'));
}
