// Host names as lists write them, URLs as the filter sends them, and public suffixes.
#include "tools/category-server/portable/HostName.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tools/category-server/portable/ListFile.h"
#include "tools/category-server/portable/PublicSuffixes.h"
#include "tools/category-server/portable/Punycode.h"
#include "tools/category-server/portable/UrlParts.h"

namespace {

struct CHostCase {
    const char* szText;
    const char* szHost;  // nullptr: refused
};

TEST(HostNameTest, NamesAreFoldedTrimmedAndChecked) {
    const std::string label63(63, 'a');
    const std::string name253 =
        label63 + "." + label63 + "." + label63 + "." + std::string(61, 'b');
    const CHostCase cases[] = {
        {"example.com", "example.com"},
        {"  WWW.Example.COM\r\n", "www.example.com"},
        {"example.com.", "example.com"},  // the absolute form
        {"ad_server.example", "ad_server.example"},
        {"-odd-.example", "-odd-.example"},
        {"xn--bcher-kva.example", "xn--bcher-kva.example"},
        {"localhost", "localhost"},
        {"127.0.0.1", "127.0.0.1"},
        {"[2001:DB8::1]", "[2001:db8::1]"},
        {"::1", "[::1]"},
        {"", nullptr},
        {"   ", nullptr},
        {".", nullptr},
        {"example.com..", nullptr},
        {".example.com", nullptr},
        {"a..example", nullptr},
        {"bad name.example", nullptr},
        {"*.example.com", nullptr},
        {"example.com:8080", nullptr},
        {"example.com/path", nullptr},
        {"b\xC3\xBC"
         "cher.example",
         nullptr},
        {"[::1", nullptr},
        {"[1:2]", nullptr},  // one colon: no IPv6 address
        {"[fe80::1%eth0]", nullptr},
    };
    for (const CHostCase& c : cases) {
        std::string host;
        const bool bValid = NormaliseHost(c.szText, host);
        EXPECT_EQ(bValid, c.szHost != nullptr) << '"' << c.szText << '"';
        if (bValid && c.szHost != nullptr) {
            EXPECT_EQ(host, c.szHost) << c.szText;
        }
    }
    std::string host;
    EXPECT_FALSE(NormaliseHost(std::string_view("nul\0.example", 12), host));
    EXPECT_TRUE(NormaliseHost(name253, host));
    EXPECT_FALSE(NormaliseHost(name253 + "b", host));
    EXPECT_TRUE(NormaliseHost(label63 + ".example", host));
    EXPECT_FALSE(NormaliseHost(label63 + "a.example", host));
}

TEST(HostNameTest, OnlyFourDecimalPartsAreAnIPv4Literal) {
    for (const char* szHost : {"127.0.0.1", "0.0.0.0", "999.1.1.1", "010.1.1.1"}) {
        EXPECT_TRUE(IsIPv4Literal(szHost)) << szHost;
    }
    for (const char* szHost : {"", "1.2.3", "1.2.3.4.5", "1..3.4", "1.2.3.4.", "1234.1.1.1",
                               "1.2.3.a", "a.1.2.3", "0x7f.0.0.1"}) {
        EXPECT_FALSE(IsIPv4Literal(szHost)) << szHost;
    }
    EXPECT_TRUE(IsIPLiteral("[::1]"));
    EXPECT_FALSE(IsIPLiteral("example.com"));
}

struct CUrlCase {
    const char* szUrl;
    const char* szHost;
    const char* szPath;
};

TEST(UrlPartsTest, EveryFormTheFilterSendsSplits) {
    const CUrlCase cases[] = {
        {"http://news.example/a/b", "news.example", "a/b"},
        {"HTTPS://News.Example:8443/A?b=c", "News.Example", "A?b=c"},
        {"hTtP://news.example", "news.example", ""},
        {"news.example/a", "news.example", "a"},
        {"news.example", "news.example", ""},
        {"news.example/", "news.example", ""},
        {"news.example./a", "news.example", "a"},
        {"news.example..:80/a", "news.example", "a"},
        {"news.example?q=1", "news.example", "?q=1"},
        {"news.example/a#frag", "news.example", "a"},
        {"user:pw@news.example/a", "news.example", "a"},
        {"127.0.0.1:8080/casino", "127.0.0.1", "casino"},
        {"http://[2001:db8::1]:8080/x", "[2001:db8::1]", "x"},
        {"[::1]", "[::1]", ""},
        {"  http://news.example/a \r\n", "news.example", "a"},
        {"ftp://news.example/a", "ftp", "/news.example/a"},  // only http and https are schemes here
        {"", "", ""},
        {"http://", "", ""},
        {"/just/a/path", "", "just/a/path"},
    };
    for (const CUrlCase& c : cases) {
        const CUrlParts parts = SplitUrl(c.szUrl);
        EXPECT_EQ(parts.host, c.szHost) << c.szUrl;
        EXPECT_EQ(parts.path, c.szPath) << c.szUrl;
    }
}

TEST(PunycodeTest, LabelsTakeTheirAsciiForm) {
    const std::pair<const char*, const char*> cases[] = {
        {"b\xC3\xBC"
         "cher",
         "xn--bcher-kva"},
        {"m\xC3\xBCnchen", "xn--mnchen-3ya"},
        {"\xD1\x80\xD1\x84", "xn--p1ai"},            // .rf
        {"\xE4\xB8\xAD\xE5\x9B\xBD", "xn--fiqs8s"},  // .cn in Chinese
        {"plain", "plain"},
        {"", ""},
    };
    for (const auto& [szUtf8, szAscii] : cases) {
        EXPECT_EQ(ToAsciiLabel(szUtf8), std::optional<std::string>(szAscii)) << szAscii;
    }
    EXPECT_EQ(ToAsciiName("b\xC3\xBC"
                          "cher.example"),
              "xn--bcher-kva.example");
    for (const char* szBad : {"\xC3", "\xFF", "\xC0\x80", "\xED\xA0\x80"}) {
        EXPECT_EQ(ToAsciiLabel(szBad), std::nullopt);
    }
}

constexpr const char* kSuffixList =
    "// comment\n"
    "// ===BEGIN ICANN DOMAINS===\n"
    "com\n"
    "uk\n"
    "co.uk\n"
    "*.ck\n"
    "!www.ck\n"
    "*.kawasaki.jp\n"
    "!city.kawasaki.jp\n"
    "\xD1\x80\xD1\x84\n"
    "bad!rule\n"
    "// ===END ICANN DOMAINS===\n"
    "// ===BEGIN PRIVATE DOMAINS===\n"
    "blogspot.com\n"
    "// ===END PRIVATE DOMAINS===\n";

TEST(PublicSuffixesTest, RulesWildcardsAndExceptions) {
    CPublicSuffixes suffixes;
    EXPECT_EQ(suffixes.Parse(kSuffixList), 8U);
    for (const char* szHost : {"com", "uk", "co.uk", "ck", "anything.ck", "kawasaki.jp",
                               "foo.kawasaki.jp", "xn--p1ai"}) {
        EXPECT_TRUE(suffixes.IsPublicSuffix(szHost)) << szHost;
    }
    for (const char* szHost :
         {"example.com", "example.co.uk", "www.ck", "a.b.ck", "city.kawasaki.jp", "blogspot.com",
          "localhost", "jp", "bad", "127.0.0.1", "example.xn--p1ai"}) {
        EXPECT_FALSE(suffixes.IsPublicSuffix(szHost)) << szHost;
    }
}

TEST(PublicSuffixesTest, WithoutSectionsEveryRuleCounts) {
    CPublicSuffixes suffixes;
    EXPECT_TRUE(suffixes.Empty());
    suffixes.Parse("com\nblogspot.com\r\n");
    EXPECT_TRUE(suffixes.IsPublicSuffix("blogspot.com"));
}

TEST(PublicSuffixesTest, DebiansListRefusesTheUsualSuffixes) {
    const std::filesystem::path path = "/usr/share/publicsuffix/public_suffix_list.dat";
    std::string text;
    std::string error;
    if (!ReadListFile(path, text, error)) {
        GTEST_SKIP() << path << " (Debian's publicsuffix) is not installed";
    }
    CPublicSuffixes suffixes;
    EXPECT_GT(suffixes.Parse(text), 5000U);
    for (const char* szHost : {"com", "org", "co.uk", "com.au", "xn--p1ai", "kawasaki.jp"}) {
        EXPECT_TRUE(suffixes.IsPublicSuffix(szHost)) << szHost;
    }
    for (const char* szHost :
         {"example.com", "bbc.co.uk", "blogspot.com", "github.io", "localhost", "example"}) {
        EXPECT_FALSE(suffixes.IsPublicSuffix(szHost)) << szHost;
    }
}

}  // namespace
