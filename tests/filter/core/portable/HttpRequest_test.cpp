#include "filter/core/portable/HttpRequest.h"

#include <gtest/gtest.h>

#include <string>

TEST(HttpRequest, RequestLine) {
    struct Case {
        const char* head;
        RequestLineStatus status;
        const char* method;
        const char* uri;
    };
    const Case cases[] = {
        {"GET /a HTTP/1.1\r\nHost: H\r\n\r\n", RequestLineStatus::Http, "GET", "/a"},
        {"POST http://x.example/p HTTP/1.0\r\n", RequestLineStatus::Http, "POST",
         "http://x.example/p"},
        {"GET /a http/1.1\r\n", RequestLineStatus::NotHttp, "GET", "/a"},
        {"GET /a", RequestLineStatus::NoRequestUri, "GET", ""},
        {"GETNOTHING", RequestLineStatus::NoMethod, "", ""},
        {"\x16\x03\x01 binary", RequestLineStatus::NoRequestUri, "\x16\x03\x01", ""},
    };
    for (const Case& c : cases) {
        const RequestLine line = ParseRequestLine(c.head);
        EXPECT_EQ(line.status, c.status) << c.head;
        EXPECT_EQ(line.method, c.method) << c.head;
        EXPECT_EQ(line.requestUri, c.uri) << c.head;
    }
    // Nothing after a NUL byte is seen.
    EXPECT_EQ(ParseRequestLine(std::string("GET /a\0 HTTP/1.1", 16)).status,
              RequestLineStatus::NoRequestUri);
}

TEST(HttpRequest, HostHeaderOnlyAtALineStartInAnyCase) {
    struct Case {
        const char* head;
        HostStatus status;
        const char* value;
    };
    const Case cases[] = {
        {"GET / HTTP/1.1\r\nHost: H\r\n\r\n", HostStatus::Found, "H"},
        {"GET / HTTP/1.1\r\nhost: news.example\r\n", HostStatus::Found, "news.example"},
        {"GET / HTTP/1.1\r\nHOST:x.example\r\n", HostStatus::Found, "x.example"},
        {"GET / HTTP/1.1\r\nHost: \t y.example\r\n", HostStatus::Found, "y.example"},
        {"GET / HTTP/1.1\r\nX-Forwarded-Host: evil.example\r\nHost: good.example\r\n",
         HostStatus::Found, "good.example"},
        {"GET /Host: HTTP/1.1\r\nAccept: */*\r\n\r\n", HostStatus::NotFound, ""},
        {"GET / HTTP/1.1\r\nX-Forwarded-Host: only.example\r\n", HostStatus::NotFound, ""},
        {"GET / HTTP/1.1\r\nHost: cut", HostStatus::NoValueEnd, ""},
        {"Host: request.line\r\n", HostStatus::NotFound, ""},
    };
    for (const Case& c : cases) {
        const HostHeader host = FindHostHeader(c.head);
        EXPECT_EQ(host.status, c.status) << c.head;
        EXPECT_EQ(host.value, c.value) << c.head;
    }
    const std::string longHost = "GET / HTTP/1.1\r\nHost: " + std::string(2000, 'h') + "\r\n";
    EXPECT_EQ(FindHostHeader(longHost).value.size(), kMaxHostLength);
}

TEST(HttpRequest, UrlToJudge) {
    const std::string_view path = "/a?q=1";
    const std::string_view absolute = "http://proxy.example/x";
    const std::string_view otherScheme = "ftp://files.example/";
    EXPECT_EQ(UrlToJudge("h.example", &path), "h.example/a?q=1");
    EXPECT_EQ(UrlToJudge("h.example", &absolute), "http://proxy.example/x");
    EXPECT_EQ(UrlToJudge("h.example", &otherScheme), "h.exampleftp://files.example/");
    EXPECT_EQ(UrlToJudge("h.example", nullptr), "h.example");
}

TEST(HttpRequest, HostNameWithoutPort) {
    EXPECT_EQ(HostName("a.example:8080"), "a.example");
    EXPECT_EQ(HostName("a.example"), "a.example");
    EXPECT_EQ(HostName("a.example:"), "a.example");
    EXPECT_EQ(HostName("[::1]:8080"), "[::1]");
    EXPECT_EQ(HostName("[::1"), "[::1");
    EXPECT_EQ(HostName("::1"), "::1");
    EXPECT_EQ(HostName(""), "");
}
