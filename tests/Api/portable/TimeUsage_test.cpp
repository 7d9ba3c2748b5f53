#include "Api/portable/TimeUsage.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr std::int64_t kMinute = 60000;
constexpr std::int64_t kDay = 1440 * kMinute;

// A machine's clocks the test moves: monotonic since start-up, and a wall clock that starts
// on Wednesday 2026-12-09 at 20:00 local time (UTC here) and may be set apart from it.
class CTestClock {
public:
    void Advance(std::int64_t llMs) { m_llTick += llMs; }
    void SetWallBy(std::int64_t llMs) { m_llWallShift += llMs; }

    TimeClock Now() const {
        TimeClock clock;
        clock.llTickMs = m_llTick;
        const std::int64_t llLocal = kStartLocal + (m_llTick - kStartTick) + m_llWallShift;
        clock.llWallMs = llLocal;
        const std::int64_t llDays = llLocal / kDay;
        const std::int64_t llInDay = llLocal % kDay;
        clock.iDate = 20261209 + static_cast<int>(llDays);  // tests stay within the month
        clock.local = {static_cast<int>((2 + llDays) % 7), static_cast<int>(llInDay / kMinute)};
        clock.llMsToMidnight = kDay - llInDay;
        return clock;
    }

private:
    static constexpr std::int64_t kStartTick = 5 * kDay + 123;
    static constexpr std::int64_t kStartLocal = 20 * 60 * kMinute;  // day 0, 20:00
    std::int64_t m_llTick = kStartTick;
    std::int64_t m_llWallShift = 0;
};

class TimeUsageTest : public ::testing::Test {
protected:
    TimeUsageTest() : m_pShared(std::make_unique<TimeUsageShared>()), m_usage(m_pShared.get()) {}

    TimeUsageRecord& Record(const char* szProfile = "sam") {
        if (TimeUsageRecord* pFound = m_usage.Find(szProfile)) {
            return *pFound;
        }
        TimeUsageRecord* pRecord = m_usage.Claim(szProfile, {}, m_clock.Now());
        EXPECT_NE(pRecord, nullptr);
        return *pRecord;
    }
    int Used(const char* szProfile = "sam") { return m_usage.Today(Record(szProfile)).iUsed; }
    void Input() { m_usage.RecordInput(m_clock.Now().llTickMs, m_clock.Now()); }
    // The settings program's look at the input finds none since llIdleMs ago.
    void Idle(std::int64_t llIdleMs) {
        m_usage.RecordInput(m_clock.Now().llTickMs - llIdleMs, m_clock.Now());
    }
    bool Request(const char* szProfile = "sam") {
        TimeUsageRecord& record = Record(szProfile);
        m_usage.RollDay(record, m_clock.Now());
        return m_usage.RecordRequest(record, m_clock.Now());
    }

    std::unique_ptr<TimeUsageShared> m_pShared;
    CTimeUsage m_usage;
    CTestClock m_clock;
};

}  // namespace

TEST_F(TimeUsageTest, AMinuteCountsWithInputAndARequestInEitherOrder) {
    Input();
    EXPECT_TRUE(Request());
    EXPECT_FALSE(Request()) << "once a minute";
    m_clock.Advance(kMinute);
    EXPECT_FALSE(Request()) << "no input yet in this minute";
    Input();
    EXPECT_EQ(Used(), 2) << "the input came after the request";
    m_clock.Advance(kMinute);
    Input();
    EXPECT_EQ(Used(), 2) << "input alone does not count";
    m_clock.Advance(kMinute);
    EXPECT_FALSE(Request()) << "input a minute ago: the person may be away";
    EXPECT_EQ(Used(), 2);
}

TEST_F(TimeUsageTest, WithoutTheSettingsProgramForTwoMinutesRequestsCountAlone) {
    EXPECT_TRUE(Request()) << "no input ever recorded: no settings program";
    m_clock.Advance(kMinute);
    Idle(10 * kMinute);
    EXPECT_FALSE(Request()) << "the person is away";
    m_clock.Advance(2 * kMinute);
    EXPECT_FALSE(Request()) << "the settings program looked two minutes ago";
    m_clock.Advance(1);
    EXPECT_TRUE(Request()) << "and then no more: it was ended";
    EXPECT_EQ(Used(), 2);
}

TEST_F(TimeUsageTest, ProfilesCountApart) {
    Input();
    Request("sam");
    Request("ANNA");
    Request("anna");
    EXPECT_EQ(Used("Sam"), 1);
    EXPECT_EQ(Used("anna"), 1);
}

TEST_F(TimeUsageTest, TheDayStartsAgainAtLocalMidnight) {
    m_usage.Grant(Record(), 30, 22 * 60);
    Request();
    m_clock.Advance(3 * 60 * kMinute + 59 * kMinute);  // 23:59
    Request();
    EXPECT_EQ(Used(), 2);
    m_clock.Advance(kMinute);  // 00:00
    Request();
    const TimeUsageDay day = m_usage.Today(Record());
    EXPECT_EQ(day.iUsed, 1);
    EXPECT_EQ(day.iDate, 20261210);
    EXPECT_EQ(day.grant.iExtraMinutes, 0) << "grants end at midnight";
    EXPECT_EQ(day.grant.iUntilMinute, -1);
}

TEST_F(TimeUsageTest, SavedCountOfAnotherDayStartsAtZero) {
    const TimeClock now = m_clock.Now();
    TimeUsageRecord* pToday = m_usage.Claim("sam", {now.iDate, 42, {10, 1200}}, now);
    ASSERT_NE(pToday, nullptr);
    EXPECT_EQ(m_usage.Today(*pToday).iUsed, 42);
    EXPECT_FALSE(m_usage.NeedsSaving(*pToday));
    TimeUsageRecord* pOld = m_usage.Claim("anna", {now.iDate - 1, 42, {10, 1200}}, now);
    ASSERT_NE(pOld, nullptr);
    EXPECT_EQ(m_usage.Today(*pOld).iUsed, 0);
    EXPECT_EQ(m_usage.Today(*pOld).grant.iExtraMinutes, 0);
    EXPECT_TRUE(m_usage.NeedsSaving(*pOld));
}

TEST_F(TimeUsageTest, AClockJumpIsReportedOnceAndGivesNothingBack) {
    EXPECT_FALSE(m_usage.WallClockJumped(m_clock.Now()));
    Request();
    Request();
    m_clock.Advance(kMinute);
    m_clock.SetWallBy(90 * 1000);
    EXPECT_FALSE(m_usage.WallClockJumped(m_clock.Now())) << "a correction under two minutes";

    m_clock.SetWallBy(5 * 60 * kMinute);  // 20:01 becomes 01:02 tomorrow
    EXPECT_TRUE(m_usage.WallClockJumped(m_clock.Now()));
    EXPECT_FALSE(m_usage.WallClockJumped(m_clock.Now())) << "reported once";
    Request();
    EXPECT_EQ(Used(), 2) << "the new date does not start a new day";

    m_clock.SetWallBy(-3 * kDay);  // and back, before today
    EXPECT_TRUE(m_usage.WallClockJumped(m_clock.Now()));
    m_clock.Advance(4 * 60 * kMinute);  // real midnight passes
    Request();
    EXPECT_EQ(Used(), 3) << "nor does the day end any sooner than it was to";
}

TEST_F(TimeUsageTest, GrantsAddUp) {
    m_usage.Grant(Record(), 15, -1);
    m_usage.Grant(Record(), 20, 21 * 60);
    m_usage.Grant(Record(), 0, 20 * 60 + 30);
    const TimeUsageDay day = m_usage.Today(Record());
    EXPECT_EQ(day.grant.iExtraMinutes, 35);
    EXPECT_EQ(day.grant.iUntilMinute, 21 * 60) << "the later time stands";
}

TEST_F(TimeUsageTest, RecordsRunOutWithoutHarm) {
    for (std::size_t i = 0; i < TimeUsageShared::kRecords; ++i) {
        ASSERT_NE(m_usage.Claim(("p" + std::to_string(i)).c_str(), {}, m_clock.Now()), nullptr);
    }
    EXPECT_EQ(m_usage.Claim("one-more", {}, m_clock.Now()), nullptr);
    EXPECT_EQ(m_usage.Claim("a-name-longer-than-its-field", {}, m_clock.Now()), nullptr);
}

TEST(MinuteBits, KeepTheLast32Minutes) {
    MinuteBits bits = 0;
    EXPECT_FALSE(HasMinuteBit(bits, 0));
    EXPECT_TRUE(SetMinuteBit(bits, 0));
    EXPECT_FALSE(SetMinuteBit(bits, 0));
    EXPECT_TRUE(HasMinuteBit(bits, 0));
    EXPECT_TRUE(SetMinuteBit(bits, 100));
    EXPECT_TRUE(SetMinuteBit(bits, 69));
    EXPECT_TRUE(HasMinuteBit(bits, 69));
    EXPECT_FALSE(HasMinuteBit(bits, 70));
    EXPECT_FALSE(SetMinuteBit(bits, 68)) << "too old to keep";
    EXPECT_TRUE(SetMinuteBit(bits, 131));
    EXPECT_FALSE(HasMinuteBit(bits, 69));
    EXPECT_TRUE(HasMinuteBit(bits, 100));
}
