#include "Api/portable/AttemptLimit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr std::int64_t kSecond = 1000;
constexpr std::uint64_t kKid = 11;
constexpr std::uint64_t kMum = 22;

class AttemptLimitTest : public ::testing::Test {
protected:
    // Failures of kKid at the given times (seconds); the seconds locked after each.
    std::vector<int> FailAt(std::initializer_list<double> seconds) {
        std::vector<int> locked;
        for (const double d : seconds) {
            locked.push_back(m_limit.CountFailure(kKid, static_cast<std::int64_t>(d * kSecond)));
        }
        return locked;
    }
    int LockedAt(double dSeconds, std::uint64_t ullKey = kKid) const {
        return m_limit.SecondsLocked(ullKey, static_cast<std::int64_t>(dSeconds * kSecond));
    }

    AttemptRecord m_records[4] = {};
    CAttemptLimit m_limit{m_records, 4};
};

}  // namespace

TEST_F(AttemptLimitTest, FifthFailureWithinAMinuteLocksForThirtySeconds) {
    EXPECT_EQ(FailAt({0, 10, 20, 30, 59.9}), (std::vector<int>{0, 0, 0, 0, 30}));
    EXPECT_EQ(LockedAt(59.9), 30);
    EXPECT_EQ(LockedAt(60), 30);  // rounded up
    EXPECT_EQ(LockedAt(88.9), 1);
    EXPECT_EQ(LockedAt(89.8), 1);
    EXPECT_EQ(LockedAt(89.9), 0);
    EXPECT_EQ(LockedAt(200), 0);
}

// Cases of failure times (seconds) and whether the last one locks.
TEST_F(AttemptLimitTest, OnlyFailuresWithinTheLastMinuteCount) {
    const struct {
        std::vector<double> at;
        bool bLocks;
    } cases[] = {
        {{0, 1, 2, 3}, false},
        {{0, 15, 30, 45, 60}, false},  // the first is a whole minute old
        {{0, 15, 30, 45, 60, 61}, true},
        {{0, 100, 101, 102, 103}, false},
        {{0, 100, 101, 102, 103, 104}, true},
        {{0, 0, 0, 0, 0}, true},
    };
    for (const auto& c : cases) {
        AttemptRecord records[1] = {};
        CAttemptLimit limit(records, 1);
        int iLast = 0;
        for (const double d : c.at) {
            iLast = limit.CountFailure(kKid, static_cast<std::int64_t>(d * kSecond));
        }
        EXPECT_EQ(iLast > 0, c.bLocks) << c.at.size() << " failures up to " << c.at.back();
    }
}

TEST_F(AttemptLimitTest, LockOutRefusesAndEndsWithACleanCount) {
    FailAt({0, 1, 2, 3, 4});
    // Failures while locked neither count nor lengthen it.
    EXPECT_EQ(m_limit.CountFailure(kKid, 10 * kSecond), 24);
    EXPECT_EQ(LockedAt(33.9), 1);
    EXPECT_EQ(LockedAt(34), 0);
    EXPECT_EQ(FailAt({34, 35, 36, 37}), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(FailAt({38}), (std::vector<int>{30}));
}

TEST_F(AttemptLimitTest, SuccessForgetsTheFailures) {
    FailAt({0, 1, 2, 3});
    m_limit.Forget(kKid);
    EXPECT_EQ(FailAt({4, 5, 6, 7}), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(FailAt({8}), (std::vector<int>{30}));
}

TEST_F(AttemptLimitTest, AccountsAreCountedApart) {
    FailAt({0, 1, 2, 3, 4});
    EXPECT_EQ(LockedAt(5, kMum), 0);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(m_limit.CountFailure(kMum, 5 * kSecond), 0);
    }
    EXPECT_EQ(LockedAt(5), 29);
}

TEST_F(AttemptLimitTest, FullTableReusesTheLongestQuietRecordNeverALockedOne) {
    FailAt({0, 1, 2, 3, 4});  // kKid locked until 34
    for (std::uint64_t ullKey = 100; ullKey < 103; ++ullKey) {
        m_limit.CountFailure(ullKey, static_cast<std::int64_t>(ullKey - 95) * kSecond);
    }
    // The table is full: a fifth account takes the record of the quietest unlocked one (100).
    m_limit.CountFailure(200, 9 * kSecond);
    EXPECT_EQ(LockedAt(10), 24);
    for (int i = 0; i < 4; ++i) {
        m_limit.CountFailure(101, 10 * kSecond);
    }
    EXPECT_EQ(LockedAt(10, 101), 30);
}

TEST_F(AttemptLimitTest, ClockThatWentBackLocksNothingForLong) {
    FailAt({1000, 1000, 1000, 1000, 1000});
    EXPECT_EQ(LockedAt(10), 0);
    EXPECT_EQ(FailAt({11, 12, 13, 14}), (std::vector<int>{0, 0, 0, 0}));
}

TEST(AttemptKey, NamesAnAccountOfAnInstallation) {
    EXPECT_EQ(AttemptKey("C:\\ParentalControl\\Content.ini", 2),
              AttemptKey("c:\\parentalcontrol\\CONTENT.INI", 2));
    EXPECT_NE(AttemptKey("C:\\ParentalControl\\Content.ini", 2),
              AttemptKey("C:\\ParentalControl\\Content.ini", 3));
    EXPECT_NE(AttemptKey("C:\\ParentalControl\\Content.ini", 2),
              AttemptKey("C:\\Test\\Content.ini", 2));
    EXPECT_NE(AttemptKey("", 0), 0u);
}

// The records live in memory any process of the session may write: a count beyond the array
// is never followed past it, and the record is taken over as any other.
TEST_F(AttemptLimitTest, ACountBeyondTheRecordIsNeverFollowed) {
    for (std::uint64_t i = 0; i < 4; ++i) {
        m_records[i].ullKey = 100 + i;
        m_records[i].nFailures = 0xFFFFFFFFu;
    }
    EXPECT_EQ(FailAt({0, 1, 2, 3, 4}), (std::vector<int>{0, 0, 0, 0, 30}));
    EXPECT_EQ(LockedAt(5), 29);
}
