// A parent's "more time" as the settings program offers it: 15, 30 or 60 more minutes today,
// or the internet until a time today, and what the library is asked for each.
#pragma once

#include <optional>
#include <string>
#include <vector>

enum class GrantChoice { kMinutes15, kMinutes30, kMinutes60, kUntil };

struct GrantRequest {
    int iMinutes = 0;      // added to today's allowance
    std::string strUntil;  // "HH:MM": allowed until then whatever the hours say; "" for none
};

// What to ask the library for. "Until" also adds the minutes the allowance lacks to reach
// that time (iLeft: minutes left today, -1 for no limit), so that the day's minutes do not
// stop the internet before it. Nothing when that time has passed (iNowMinute at or after it).
std::optional<GrantRequest> GrantFor(GrantChoice choice, int iUntilMinute, int iNowMinute,
                                     int iLeft);

// The times "until" offers at iNowMinute: each half hour after it, to 24:00.
std::vector<int> UntilChoices(int iNowMinute);
// The one chosen at first: 21:00, or the first offered after it when later.
int FirstUntilChoice(const std::vector<int>& choices);
