// Matching: which entry answers a URL in every form the filter sends, and whether the answer
// holds for the whole host. Then the index against the naive matcher on random lists.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/support/NaiveCategoryMatcher.h"
#include "tools/category-server/portable/CategoryIndexBuilder.h"
#include "tools/category-server/portable/HostName.h"

namespace {

// Ranked: a lower one wins at equal specificity.
const char* const kCategories[] = {"Malware", "Adult", "News", "Sports", "Gambling", "Games"};

struct CEntryLine {
    const char* szHost;
    const char* szPath;
    const char* szCategory;
};

const CEntryLine kEntries[] = {
    {"example.com", "", "News"},
    {"sports.example.com", "", "Sports"},
    {"sports.example.com", "Betting", "Gambling"},
    {"sports.example.com", "betting/free", "Games"},
    {"play.sports.example.com", "", "Games"},
    {"shared.example", "", "News"},
    {"shared.example", "", "Adult"},  // same entry, lower rank: Adult
    {"shared.example", "x", "Sports"},
    {"shared.example", "x", "Malware"},
    {"paths.example", "a", "News"},
    {"paths.example", "ab", "Sports"},
    {"paths.example", "abc/", "Games"},
    {"paths.example", "b", "Adult"},
    {"urlsonly.example", "x", "Adult"},
    {"dual.example", "", "News"},
    {"dual.example", "x", "Adult"},
    {"www.dual.example", "", "Sports"},
    {"news.example", "world", "News"},
    {"sport.news.example", "", "Sports"},
    {"127.0.0.1", "casino", "Gambling"},
    {"10.0.0.1", "", "Malware"},
    {"0.0.1", "", "Adult"},  // a name, not the end of an address
    {"[2001:db8::1]", "", "Malware"},
    {"localhost", "news", "News"},
};

std::unique_ptr<const CCategoryIndex> BuildIndex(std::uint64_t nSeed) {
    CCategoryIndexBuilder builder(nSeed);
    for (const char* szCategory : kCategories) {
        builder.CategoryId(szCategory);
    }
    for (const CEntryLine& entry : kEntries) {
        EXPECT_NE(builder.Add(entry.szHost, entry.szPath, *builder.CategoryId(entry.szCategory)),
                  CCategoryIndexBuilder::Added::kInvalid);
    }
    return builder.Build();
}

struct CLookupCase {
    const char* szUrl;
    const char* szCategory;
    bool bHostScope;
};

const CLookupCase kLookups[] = {
    // Forms of one site.
    {"example.com", "News", true},
    {"http://example.com/", "News", true},
    {"HTTPS://EXAMPLE.COM:8443/Some/Path?q=1", "News", true},
    {"example.com.", "News", true},
    {"example.com../x", "News", true},
    {"Example.Com/x", "News", true},
    {"user@example.com/x", "News", true},
    // Subdomains, and names that only end alike.
    {"www.example.com", "News", true},
    {"a.b.c.example.com/x", "News", true},
    {"notexample.com", "", true},
    {"com", "", true},
    {"example.com.evil.test", "", true},
    // Paths: the longest prefix on the longest host; case folded; a host's other paths.
    {"sports.example.com/", "Sports", false},
    {"sports.example.com/scores", "Sports", false},
    {"sports.example.com/betting", "Gambling", false},
    {"sports.example.com/BETTING/odds", "Gambling", false},
    {"sports.example.com/bettingx", "Gambling", false},
    {"sports.example.com/betting/free/x", "Games", false},
    {"sports.example.com/betting/fre", "Gambling", false},
    {"www.sports.example.com/betting", "Gambling", false},
    {"http://sports.example.com:80/Betting?x", "Gambling", false},
    {"sports.example.com?betting", "Sports", false},
    {"play.sports.example.com/betting", "Games", true},  // the longer host wins
    // Longest prefix among neighbours.
    {"paths.example/abd", "Sports", false},
    {"paths.example/abc", "Sports", false},
    {"paths.example/abc/d", "Games", false},
    {"paths.example/a", "News", false},
    {"paths.example/aa", "News", false},
    {"paths.example/b/c", "Adult", false},
    {"paths.example/c", "", false},
    {"paths.example", "", false},
    // Ranks at equal specificity.
    {"shared.example", "Adult", false},
    {"shared.example/x", "Malware", false},
    // A host with only "urls" entries; subdomains match its paths too.
    {"urlsonly.example/y", "", false},
    {"urlsonly.example/x1", "Adult", false},
    {"a.urlsonly.example/x", "Adult", false},
    {"a.urlsonly.example/y", "", false},
    // The scope: "urls" entries between the queried host and the matched one.
    {"dual.example/y", "News", false},
    {"dual.example/x", "Adult", false},
    {"www.dual.example/x", "Sports", true},
    {"deep.www.dual.example/x", "Sports", true},
    {"sport.news.example/world", "Sports", true},
    {"news.example/world", "News", false},
    {"news.example/", "", false},
    // IP addresses: literal, never by their last numbers.
    {"127.0.0.1/casino/x", "Gambling", false},
    {"http://127.0.0.1:8080/Casino", "Gambling", false},
    {"127.0.0.1/", "", false},
    {"10.0.0.1", "Malware", true},
    {"10.0.0.1:3128/x", "Malware", true},
    {"210.0.0.1", "", true},
    {"x.0.0.1", "Adult", true},
    {"[2001:db8::1]", "Malware", true},
    {"http://[2001:DB8::1]:8080/x", "Malware", true},
    {"[2001:db8::2]", "", true},
    {"localhost/news/today", "News", false},
    {"localhost:8080/newsy", "News", false},
    // Nothing to look up.
    {"", "", true},
    {"http://", "", true},
    {"/path/only", "", true},
    {"...", "", true},
};

TEST(CategoryIndexTest, MatchingTable) {
    const auto index = BuildIndex(1);
    for (const CLookupCase& c : kLookups) {
        const CCategoryAnswer answer = index->Lookup(c.szUrl);
        EXPECT_EQ(answer.category, c.szCategory) << c.szUrl;
        EXPECT_EQ(answer.bHostScope, c.bHostScope) << c.szUrl;
    }
}

TEST(CategoryIndexTest, EntriesAndMemory) {
    const auto index = BuildIndex(2);
    // Repeated host/path pairs merge: 24 lines, 2 repeats.
    EXPECT_EQ(index->EntryCount(), 22U);
    EXPECT_GT(index->MemoryBytes(), 0U);
    EXPECT_LT(index->MemoryBytes(), 2048U);
}

TEST(CategoryIndexTest, LongHostsAndManyLabels) {
    CCategoryIndexBuilder builder(3);
    const std::uint16_t nNews = *builder.CategoryId("News");
    std::string deep = "a";
    for (int i = 0; i < 125; ++i) {
        deep += ".a";
    }
    ASSERT_EQ(deep.size(), 251U);
    EXPECT_EQ(builder.Add(deep, "", nNews), CCategoryIndexBuilder::Added::kNew);
    EXPECT_EQ(builder.Add("b.example", std::string(2048, 'p'), nNews),
              CCategoryIndexBuilder::Added::kNew);
    EXPECT_EQ(builder.Add("b.example", std::string(2049, 'p'), nNews),
              CCategoryIndexBuilder::Added::kInvalid);
    EXPECT_EQ(builder.Add("b.example", "", 7), CCategoryIndexBuilder::Added::kInvalid);
    EXPECT_EQ(builder.Add("", "", nNews), CCategoryIndexBuilder::Added::kInvalid);
    const auto index = builder.Build();
    EXPECT_EQ(index->Lookup("x." + deep).category, "News");
    EXPECT_EQ(index->Lookup(std::string(1000, 'x') + "." + deep).category, "News");
    EXPECT_EQ(index->Lookup(std::string(600, '.') + "a.a").category, "");
    EXPECT_EQ(index->Lookup("b.example/" + std::string(3000, 'P')).category, "News");
    EXPECT_EQ(index->Lookup("b.example/" + std::string(2047, 'p')).category, "");
}

TEST(CategoryIndexTest, EmptyIndexKnowsNothing) {
    CCategoryIndexBuilder builder;
    const auto index = builder.Build();
    EXPECT_EQ(index->EntryCount(), 0U);
    EXPECT_EQ(index->Lookup("example.com").category, "");
    EXPECT_TRUE(index->Lookup("example.com").bHostScope);
}

TEST(CategoryIndexTest, CategoryIdsFollowRegistration) {
    CCategoryIndexBuilder builder;
    EXPECT_EQ(builder.CategoryId("B"), 0);
    EXPECT_EQ(builder.CategoryId("A"), 1);
    EXPECT_EQ(builder.CategoryId("B"), 0);
    for (std::size_t i = 2; i < CCategoryIndexBuilder::kMaxCategories; ++i) {
        ASSERT_TRUE(builder.CategoryId(std::to_string(i)).has_value());
    }
    EXPECT_EQ(builder.CategoryId("one too many"), std::nullopt);
    EXPECT_EQ(builder.CategoryId("A"), 1);
}

// Random lists over a few labels and paths, so that hosts, parents and prefixes overlap a
// lot: the index must answer every query as the naive matcher does, whatever its seed.
TEST(CategoryIndexTest, AgreesWithTheNaiveMatcher) {
    std::mt19937 random(12345);
    const char* const labels[] = {
        "a",   "b",   "ab",
        "www", "x-y", "10",
        "0",   "1",   "a-label-long-enough-to-send-its-name-out-of-the-block"};
    const char* const paths[] = {"", "", "", "p", "pa", "p/q", "P/Q/r", "q", "?x", "pb"};
    const auto pick = [&](auto& items) { return std::string(items[random() % std::size(items)]); };
    const auto randomHost = [&] {
        std::string host = pick(labels);
        for (std::size_t n = random() % 4; n > 0; --n) {
            host += "." + pick(labels);
        }
        return host;
    };
    for (std::uint64_t nSeed : {1U, 2U, 3U}) {
        CCategoryIndexBuilder builder(nSeed);
        CNaiveCategoryMatcher naive;
        for (const char* szCategory : kCategories) {
            builder.CategoryId(szCategory);
        }
        for (int i = 0; i < 300; ++i) {
            std::string host;
            ASSERT_TRUE(NormaliseHost(randomHost(), host));
            const std::string path = pick(paths);
            const std::size_t nRank = random() % std::size(kCategories);
            builder.Add(host, path, static_cast<std::uint16_t>(nRank));
            naive.Add(host, path, nRank, kCategories[nRank]);
        }
        const auto index = builder.Build();
        for (int i = 0; i < 5000; ++i) {
            std::string url = (random() % 3 == 0 ? "HTTP://" : "") + randomHost();
            if (random() % 4 == 0) {
                url += ":8080";
            }
            url += "/" + pick(paths) + pick(paths);
            const CCategoryAnswer expected = naive.Lookup(url);
            const CCategoryAnswer answer = index->Lookup(url);
            ASSERT_EQ(answer.category, expected.category) << url;
            ASSERT_EQ(answer.bHostScope, expected.bHostScope) << url;
        }
    }
}

}  // namespace
