// The canonical text of time rules.
#include <string>
#include <vector>

#include "Api/portable/TimeRules.h"

namespace {

bool SameAllow(const TimeRulesDay& a, const TimeRulesDay& b) {
    if (a.allow != b.allow || a.periodCount != b.periodCount) {
        return false;
    }
    for (int i = 0; i < a.periodCount; ++i) {
        if (a.periods[i].start != b.periods[i].start || a.periods[i].end != b.periods[i].end) {
            return false;
        }
    }
    return true;
}

// "all", or the days in order with runs of three or more as ranges: "mon-fri", "sat,sun".
std::string DaysText(const std::vector<int>& days) {
    if (days.size() == static_cast<std::size_t>(TimeRules::kDays)) {
        return "all";
    }
    std::string text;
    for (std::size_t i = 0; i < days.size();) {
        std::size_t j = i;
        while (j + 1 < days.size() && days[j + 1] == days[j] + 1) {
            ++j;
        }
        if (!text.empty()) {
            text += ',';
        }
        if (j - i >= 2) {
            text += DayName(days[i]);
            text += '-';
            text += DayName(days[j]);
            i = j + 1;
        } else {
            text += DayName(days[i]);
            ++i;
        }
    }
    return text;
}

std::string AllowText(const TimeRulesDay& day) {
    if (day.allow == TimeRulesDay::kNone) {
        return "none";
    }
    std::string text;
    for (int i = 0; i < day.periodCount; ++i) {
        if (i > 0) {
            text += ',';
        }
        text += MinuteText(day.periods[i].start) + "-" + MinuteText(day.periods[i].end);
    }
    return text;
}

// One clause per distinct value, for the days that share it, in the order of their first day.
template <class Has, class Same, class Value>
void AppendClauses(std::string& text, const TimeRules& rules, const char* szKeyword, Has has,
                   Same same, Value value) {
    bool taken[TimeRules::kDays] = {};
    for (int i = 0; i < TimeRules::kDays; ++i) {
        if (taken[i] || !has(rules.days[i])) {
            continue;
        }
        std::vector<int> days;
        for (int j = i; j < TimeRules::kDays; ++j) {
            if (!taken[j] && has(rules.days[j]) && same(rules.days[i], rules.days[j])) {
                taken[j] = true;
                days.push_back(j);
            }
        }
        if (!text.empty()) {
            text += "; ";
        }
        text += szKeyword;
        text += ' ';
        text += DaysText(days);
        text += ' ';
        text += value(rules.days[i]);
    }
}

}  // namespace

std::string FormatTimeRules(const TimeRules& rules) {
    std::string text;
    AppendClauses(
        text, rules, "allow",
        [](const TimeRulesDay& day) { return day.allow != TimeRulesDay::kAllDay; }, SameAllow,
        AllowText);
    AppendClauses(
        text, rules, "limit",
        [](const TimeRulesDay& day) { return day.limit != TimeRulesDay::kNoLimit; },
        [](const TimeRulesDay& a, const TimeRulesDay& b) { return a.limit == b.limit; },
        [](const TimeRulesDay& day) { return std::to_string(day.limit); });
    return text;
}
