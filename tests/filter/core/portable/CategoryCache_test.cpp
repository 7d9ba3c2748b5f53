#include "filter/core/portable/CategoryCache.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using std::chrono::seconds;

TEST(CategoryCache, HostOfEveryUrlForm) {
    const struct {
        const char* szUrl;
        const char* szHost;
    } cases[] = {
        {"casino.example/", "casino.example"},
        {"casino.example", "casino.example"},
        {"http://casino.example:8080/a/b", "casino.example"},
        {"HTTPS://casino.example/a", "casino.example"},
        {"casino.example.:80/", "casino.example"},
        {"casino.example../x", "casino.example"},
        {"203.0.113.7:443", "203.0.113.7"},
        {"[2001:db8::1]:8080/x", "[2001:db8::1]"},
        {"[2001:db8::1]/x", "[2001:db8::1]"},
        {"/path", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CacheHostOf(c.szUrl), c.szHost) << c.szUrl;
    }
}

class CategoryCacheTest : public ::testing::Test {
protected:
    void Advance(int iSeconds) { m_now += seconds(iSeconds); }

    CCategoryCache::TimePoint m_now{};
    CCategoryCache m_cache{3, [this] { return m_now; }};
};

TEST_F(CategoryCacheTest, AHostAnswerServesEveryUrlOfTheHostAndAUrlAnswerOnlyItsUrl) {
    m_cache.KeepForHost("casino.example/", "Gambling");
    m_cache.KeepForUrl("sports.example/betting", "Gambling");
    EXPECT_EQ(m_cache.Find("http://casino.example:8080/poker", seconds(60)), "Gambling");
    EXPECT_EQ(m_cache.Find("casino.example.", seconds(60)), "Gambling");
    EXPECT_EQ(m_cache.Find("www.casino.example/", seconds(60)), std::nullopt);
    EXPECT_EQ(m_cache.Find("sports.example/betting", seconds(60)), "Gambling");
    EXPECT_EQ(m_cache.Find("sports.example/news", seconds(60)), std::nullopt);
    // An unknown site's empty answer is an answer.
    m_cache.KeepForHost("new.example/", "");
    EXPECT_EQ(m_cache.Find("new.example/x", seconds(60)), "");
}

TEST_F(CategoryCacheTest, AnswersOlderThanTheAgeAskedForAreNotUsed) {
    m_cache.KeepForHost("casino.example/", "Gambling");
    Advance(59);
    EXPECT_EQ(m_cache.Find("casino.example/", seconds(60)), "Gambling");
    // A shorter age set since then applies at once.
    EXPECT_EQ(m_cache.Find("casino.example/", seconds(30)), std::nullopt);
    EXPECT_EQ(m_cache.Size(), 0u);
    m_cache.KeepForHost("casino.example/", "Gambling");
    Advance(60);
    EXPECT_EQ(m_cache.Find("casino.example/", seconds(60)), std::nullopt);
}

TEST_F(CategoryCacheTest, TheLeastRecentlyUsedGoesWhenFull) {
    m_cache.KeepForHost("a.example/", "A");
    m_cache.KeepForHost("b.example/", "B");
    m_cache.KeepForUrl("c.example/x", "C");
    EXPECT_TRUE(m_cache.Find("a.example/", seconds(60)));  // a is now the most recent
    m_cache.KeepForHost("d.example/", "D");                // b goes
    EXPECT_EQ(m_cache.Find("b.example/", seconds(60)), std::nullopt);
    EXPECT_EQ(m_cache.Find("a.example/", seconds(60)), "A");
    EXPECT_EQ(m_cache.Find("c.example/x", seconds(60)), "C");
    EXPECT_EQ(m_cache.Find("d.example/", seconds(60)), "D");
    // Keeping a key again replaces its answer without taking another place.
    m_cache.KeepForHost("a.example/", "A2");
    EXPECT_EQ(m_cache.Size(), 3u);
    EXPECT_EQ(m_cache.Find("a.example/", seconds(60)), "A2");
    m_cache.Clear();
    EXPECT_EQ(m_cache.Find("a.example/", seconds(60)), std::nullopt);
    EXPECT_EQ(m_cache.Size(), 0u);
}

}  // namespace
