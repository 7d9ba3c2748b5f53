// The one-entry-a-line formats, table by table: each case a list's text and what the reader
// makes of it, line by line ("skip" for a line or rule counted as not imported).
#include "tools/category-server/portable/LineFormats.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/tools/category-server/portable/RecordingSink.h"

namespace {

using Lines = std::vector<std::string>;

struct CFormatCase {
    const char* szName;
    std::string text;
    Lines expected;
};

void RunCases(const std::function<void(std::string_view, CEntrySink&)>& read,
              const std::vector<CFormatCase>& cases) {
    for (const CFormatCase& c : cases) {
        CRecordingSink sink;
        read(c.text, sink);
        EXPECT_EQ(sink.lines, c.expected) << c.szName;
    }
}

TEST(DomainsListTest, OneNameALine) {
    RunCases([](std::string_view text, CEntrySink& sink) { ReadDomainsList(text, "ads", sink); },
             {
                 {"plain", "a.example\nb.example\n", {"a.example ads", "b.example ads"}},
                 {"crlf, blanks, case, dot",
                  " A.Example. \r\n\tb.EXAMPLE\r\n",
                  {"a.example ads", "b.example ads"}},
                 {"cut last line", "a.example\nb.exa", {"a.example ads", "b.exa ads"}},
                 {"byte-order mark",
                  "\xEF\xBB\xBF"
                  "a.example\n",
                  {"a.example ads"}},
                 {"comments and blank lines",
                  "# list\n\n   \na.example # why\n#b.example\n",
                  {"a.example ads"}},
                 {"a hash inside a name is no comment", "a#b.example\n", {"skip"}},
                 {"invalid names",
                  "a b.example\n*.a.example\nhttp://a.example\na.example:80\n",
                  {"skip", "skip", "skip", "skip"}},
                 {"IP addresses", "10.0.0.1\n[::1]\n", {"10.0.0.1 ads", "[::1] ads"}},
                 {"a lone CR line", "\r\n\r", {}},
                 {"empty", "", {}},
             });
}

TEST(UrlsListTest, HostAndPathALine) {
    RunCases(
        [](std::string_view text, CEntrySink& sink) { ReadUrlsList(text, "adult", sink); },
        {
            {"paths keep their case and query",
             "free.example/Adult/\nfree.example/a?b=C\n",
             {"free.example/Adult/ adult", "free.example/a?b=C adult"}},
            {"scheme, port and host case",
             "HTTP://Free.Example:8080/x\r\n",
             {"free.example/x adult"}},
            {"no path: a domain entry",
             "free.example\nfree.example/\n",
             {"free.example adult", "free.example adult"}},
            {"a fragment is no part of a page", "free.example/a#top\n", {"free.example/a adult"}},
            {"blanks inside", "free.example/a b\n", {"skip"}},
            {"bad host", "free example/a\n/a/b\nbad!.example/a\n", {"skip", "skip", "skip"}},
            {"comments", "# urls\nfree.example/a # note\n", {"free.example/a adult"}},
            {"IP host", "10.1.2.3/casino\n", {"10.1.2.3/casino adult"}},
        });
}

TEST(HostsListTest, AddressThenNames) {
    RunCases([](std::string_view text, CEntrySink& sink) { ReadHostsList(text, "Malware", sink); },
             {
                 {"both addresses",
                  "0.0.0.0 a.example\n127.0.0.1\tb.example\n",
                  {"a.example Malware", "b.example Malware"}},
                 {"several names and a comment",
                  "0.0.0.0 a.example B.example # c.example\n",
                  {"a.example Malware", "b.example Malware"}},
                 {"the system's own names pass silently",
                  "127.0.0.1 localhost\n::1 localhost ip6-localhost ip6-loopback\n"
                  "255.255.255.255 broadcasthost\n0.0.0.0 0.0.0.0\nff02::1 ip6-allnodes\n"
                  "127.0.0.1 localhost.localdomain\n",
                  {}},
                 {"IPv6 addresses",
                  ":: a.example\n::1 b.example\n",
                  {"a.example Malware", "b.example Malware"}},
                 {"no address or no name",
                  "a.example\n0.0.0.0\n0.0.0 a.example\n",
                  {"skip", "skip", "skip"}},
                 {"a bad name among good ones",
                  "0.0.0.0 a.example bad_@name b.example\n",
                  {"a.example Malware", "skip", "b.example Malware"}},
                 {"comment lines and CR LF",
                  "# hosts\r\n\r\n0.0.0.0 a.example\r\n",
                  {"a.example Malware"}},
             });
}

TEST(AdblockListTest, OnlyPlainDomainRules) {
    RunCases(
        [](std::string_view text, CEntrySink& sink) { ReadAdblockList(text, "Advertising", sink); },
        {
            {"domain rules",
             "||ads.example^\n||Track.Example^\r\n",
             {"ads.example Advertising", "track.example Advertising"}},
            {"headers and comments are not counted",
             "[Adblock Plus 2.0]\n! Title: list\n# comment\n#\n",
             {}},
            {"rules with options or paths",
             "||ads.example^$third-party\n||ads.example/banner^\n||ads.example^|\n",
             {"skip", "skip", "skip"}},
            {"exceptions and element hiding",
             "@@||good.example^\nexample.com##.ad\n##.banner\n#@#.ad\n",
             {"skip", "skip", "skip", "skip"}},
            {"other syntax",
             "|http://ads.example/\n/banner[0-9]/\nads.example\n||ads.example\n",
             {"skip", "skip", "skip", "skip"}},
            {"wildcards and bad names",
             "||*.ads.example^\n||ad s.example^\n||^\n||a.example.^\n",
             {"skip", "skip", "skip", "skip"}},
            {"IP rule", "||10.0.0.1^\n", {"10.0.0.1 Advertising"}},
        });
}

TEST(CategoryDatabaseTest, HostPathThenCategory) {
    RunCases([](std::string_view text, CEntrySink& sink) { ReadCategoryDatabase(text, sink); },
             {
                 {"the file's own lines",
                  "# db\nnews.example News\nsports.example/betting Gambling\n"
                  "social.example Social Networking\r\n",
                  {"news.example News", "sports.example/betting Gambling",
                   "social.example Social Networking"}},
                 {"blanks around and between",
                  "  news.example \t Search  Engines  \n",
                  {"news.example Search  Engines"}},
                 {"no category", "news.example\nnews.example   \n", {"skip", "skip"}},
                 {"bad host", "bad!host News\n", {"skip"}},
                 {"IP hosts and paths",
                  "127.0.0.1/casino Gambling\nlocalhost/news News\n",
                  {"127.0.0.1/casino Gambling", "localhost/news News"}},
             });
}

}  // namespace
