// A profile's time rules: on which days and hours the internet is allowed, and how many minutes
// of it a day. Read from the text a parent writes, kept in a plain structure of fixed size (the
// filter holds one in memory shared by its processes), and written back in one canonical form.
//
// The text: clauses separated by ';' or line ends, blanks free, letters in any case.
//     allow DAYS HH:MM-HH:MM[,HH:MM-HH:MM...]   allowed on those days within those periods
//     allow DAYS none                          no internet on those days
//     limit DAYS MINUTES                       at most that many minutes a day (0 to 1440)
// DAYS: mon..sun, lists (sat,sun), ranges (mon-fri) or all. A later clause for a day replaces
// an earlier one of the same kind. A day without an allow clause is allowed all day, one
// without a limit has no allowance; an empty text holds no rules.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Periods of one day, minutes since midnight, start < end <= 1440.
struct TimePeriod {
    std::uint16_t start;
    std::uint16_t end;
};

struct TimeRulesDay {
    static constexpr int kMaxPeriods = 48;
    static constexpr int kNoLimit = -1;

    enum Allow : std::uint8_t { kAllDay = 0, kNone = 1, kPeriods = 2 };

    Allow allow;
    std::uint8_t periodCount;  // with kPeriods: 1..kMaxPeriods, sorted, apart from each other
    std::int16_t limit;        // minutes a day, or kNoLimit
    TimePeriod periods[kMaxPeriods];
};

// Plain data, all zero but the limits when empty: the same in every process and module.
struct TimeRules {
    static constexpr int kDays = 7;  // 0 Monday .. 6 Sunday

    TimeRulesDay days[kDays];

    // No rules: allowed all day, every day, without a limit.
    static TimeRules None() noexcept;
    bool Empty() const noexcept;
};

struct TimeRulesParse {
    bool ok = false;
    TimeRules rules = TimeRules::None();
    std::string fault;  // with ok false: the first fault, naming the clause
};

// The longest text read; a longer one is refused as a whole.
inline constexpr std::size_t kMaxTimeRulesText = 16384;

TimeRulesParse ParseTimeRules(std::string_view text);

// The canonical text: allow clauses, then limits, each for the days that share it, joined by
// "; ". Reads back to the same rules; "" for none.
std::string FormatTimeRules(const TimeRules& rules);

// "mon" .. "sun".
std::string_view DayName(int iDay) noexcept;
// "HH:MM".
std::string MinuteText(int iMinute);
