#include "gui/portable/TimeGrant.h"

#include <algorithm>

#include "Api/portable/TimeRules.h"

namespace {

constexpr int kDayMinutes = 1440;
constexpr int kStep = 30;
constexpr int kEvening = 21 * 60;

}  // namespace

std::optional<GrantRequest> GrantFor(GrantChoice choice, int iUntilMinute, int iNowMinute,
                                     int iLeft) {
    switch (choice) {
        case GrantChoice::kMinutes15:
            return GrantRequest{15, ""};
        case GrantChoice::kMinutes30:
            return GrantRequest{30, ""};
        case GrantChoice::kMinutes60:
            return GrantRequest{60, ""};
        case GrantChoice::kUntil:
            break;
    }
    if (iUntilMinute <= iNowMinute || iUntilMinute > kDayMinutes) {
        return std::nullopt;
    }
    const int iLacking = iLeft < 0 ? 0 : std::max(0, iUntilMinute - iNowMinute - iLeft);
    return GrantRequest{iLacking, MinuteText(iUntilMinute)};
}

std::vector<int> UntilChoices(int iNowMinute) {
    std::vector<int> choices;
    for (int iMinute = (std::max(iNowMinute, 0) / kStep + 1) * kStep; iMinute <= kDayMinutes;
         iMinute += kStep) {
        choices.push_back(iMinute);
    }
    return choices;
}

int FirstUntilChoice(const std::vector<int>& choices) {
    // Every list runs to midnight, so one comes at or after the evening.
    const auto it = std::lower_bound(choices.begin(), choices.end(), kEvening);
    return it != choices.end() ? *it : kDayMinutes;
}
