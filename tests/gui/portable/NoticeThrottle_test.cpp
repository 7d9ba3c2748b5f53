// Which blocks become tray notices, on a clock the test turns.
#include <gtest/gtest.h>

#include "gui/portable/NoticeThrottle.h"

namespace {

class NoticeThrottleTest : public ::testing::Test {
protected:
    void Block(const std::string& strSite, std::uint64_t ullAtMs) {
        m_throttle.Add(strSite, "why " + strSite, ullAtMs);
    }
    // The site of each notice shown while the clock runs from ullFromMs to ullToMs, a tick a
    // second as the program polls, with its count of others.
    std::vector<std::string> Shown(std::uint64_t ullFromMs, std::uint64_t ullToMs) {
        std::vector<std::string> shown;
        for (std::uint64_t ullMs = ullFromMs; ullMs <= ullToMs; ullMs += 1000) {
            if (const auto notice = m_throttle.Next(ullMs)) {
                if (!notice->strTitle.empty()) {
                    shown.push_back(notice->strTitle + ": " + notice->strText);
                    continue;
                }
                EXPECT_EQ(notice->strText, "why " + notice->strSite);
                shown.push_back(notice->strSite + "+" + std::to_string(notice->nMore));
            }
        }
        return shown;
    }

    CNoticeThrottle m_throttle;
};

TEST_F(NoticeThrottleTest, ManyBlocksOfOneSiteGiveOneNoticeThatCountsTheRest) {
    for (std::uint64_t i = 0; i < 20; ++i) {
        Block("casino.example", 1000 + i * 50);
    }
    EXPECT_EQ(Shown(2000, 2000), std::vector<std::string>{"casino.example+19"});
    Block("casino.example", 3000);
    EXPECT_TRUE(Shown(3000, 61000).empty());
    Block("news.example", 62000);
    EXPECT_EQ(Shown(62000, 62000), std::vector<std::string>{"news.example+1"});
}

TEST_F(NoticeThrottleTest, ThreeSitesAtOnceGiveThreeNoticesFiveSecondsApart) {
    Block("a.example", 1000);
    Block("b.example", 1000);
    Block("c.example", 1001);
    Block("b.example", 1002);
    EXPECT_EQ(Shown(1000, 9000), (std::vector<std::string>{"a.example+1", "b.example+0"}));
    EXPECT_EQ(Shown(10000, 30000), std::vector<std::string>{"c.example+0"});
}

TEST_F(NoticeThrottleTest, ASiteIsToldAgainOnlyAfterAMinute) {
    Block("a.example", 0);
    EXPECT_EQ(Shown(0, 0).size(), 1u);
    Block("a.example", 59999);
    EXPECT_TRUE(Shown(59999, 70000).empty());
    Block("a.example", 60000);
    EXPECT_EQ(Shown(70000, 70000), std::vector<std::string>{"a.example+1"});
}

TEST_F(NoticeThrottleTest, AFloodOfSitesKeepsOnlyAFewWaiting) {
    for (int i = 0; i < 10; ++i) {
        Block("site" + std::to_string(i) + ".example", 1000);
    }
    const std::vector<std::string> shown = Shown(1000, 60000);
    ASSERT_EQ(shown.size(), CNoticeThrottle::kMaxWaiting);
    EXPECT_EQ(shown.front(), "site0.example+7");
}

TEST_F(NoticeThrottleTest, ANoticeOfNoBlockGoesFirstAndLeavesTheCountToTheNextBlock) {
    Block("a.example", 1000);
    Block("a.example", 1000);
    Block("b.example", 1000);
    m_throttle.AddFirst("Internet time ends at 20:00", "15 minutes left");
    for (int i = 0; i < 10; ++i) {
        Block("site" + std::to_string(i) + ".example", 1000);
    }
    // Never counted away, however many blocks wait.
    m_throttle.AddFirst("Internet time is over for today", "sam");
    EXPECT_EQ(Shown(1000, 30000),
              (std::vector<std::string>{"Internet time ends at 20:00: 15 minutes left",
                                        "Internet time is over for today: sam", "a.example+10",
                                        "b.example+0", "site0.example+0"}));
}

}  // namespace
