// The time decision every judged request of a profile with time rules makes first.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "Api/portable/TimeDecision.h"
#include "Api/portable/TimeUsage.h"

namespace {

// Every day 48 periods and a limit: the most a decision can have to look through.
TimeRules WorstCaseRules() {
    std::string text;
    for (int iDay = 0; iDay < TimeRules::kDays; ++iDay) {
        text += "allow " + std::string(DayName(iDay)) + " ";
        for (int i = 0; i < TimeRulesDay::kMaxPeriods; ++i) {
            text += (i ? "," : "") + MinuteText(i * 30) + "-" + MinuteText(i * 30 + 15);
        }
        text += "; limit " + std::string(DayName(iDay)) + " 600; ";
    }
    return ParseTimeRules(text).rules;
}

// Allowed: the last period of the day, found after all the others.
void BM_TimeDecisionAllowed(benchmark::State& state) {
    const TimeRules rules = WorstCaseRules();
    const LocalMinute now{2, 23 * 60 + 31};
    for (auto _ : state) {
        benchmark::DoNotOptimize(DecideTime(rules, now, 100, {}));
    }
}
BENCHMARK(BM_TimeDecisionAllowed);

// Blocked between the day's last two periods, the next allowed minute searched for.
void BM_TimeDecisionOutsideHours(benchmark::State& state) {
    const TimeRules rules = WorstCaseRules();
    const LocalMinute now{2, 23 * 60 + 20};
    for (auto _ : state) {
        benchmark::DoNotOptimize(DecideTime(rules, now, 100, {}));
    }
}
BENCHMARK(BM_TimeDecisionOutsideHours);

// A blocked request also builds the reason its page and journal entry name.
void BM_TimeDecisionWithReason(benchmark::State& state) {
    const TimeRules rules = WorstCaseRules();
    const LocalMinute now{2, 23 * 60 + 50};
    for (auto _ : state) {
        const TimeDecision decision = DecideTime(rules, now, 100, {});
        benchmark::DoNotOptimize(TimeDecisionReason(decision, now));
    }
}
BENCHMARK(BM_TimeDecisionWithReason);

// What the library adds for a request of a profile with time rules: its record found among
// a full table, the day looked at, the minute recorded, and the decision.
void BM_TimeUsageAndDecision(benchmark::State& state) {
    const TimeRules rules = WorstCaseRules();
    auto pShared = std::make_unique<TimeUsageShared>();
    CTimeUsage usage(pShared.get());
    TimeClock clock;
    clock.llTickMs = 3600000;
    clock.llWallMs = 1800000000000;
    clock.iDate = 20261209;
    clock.local = {2, 23 * 60 + 31};
    clock.llMsToMidnight = 29 * 60000;
    for (std::size_t i = 0; i + 1 < TimeUsageShared::kRecords; ++i) {
        usage.Claim(("profile" + std::to_string(i)).c_str(), {}, clock);
    }
    usage.Claim("sam", {}, clock);
    for (auto _ : state) {
        TimeUsageRecord* pRecord = usage.Find("sam");
        usage.RollDay(*pRecord, clock);
        usage.RecordRequest(*pRecord, clock);
        const TimeUsageDay day = usage.Today(*pRecord);
        benchmark::DoNotOptimize(DecideTime(rules, clock.local, day.iUsed, day.grant));
    }
}
BENCHMARK(BM_TimeUsageAndDecision);

}  // namespace
