// The time rules of the profile in force, taken at the reload with the other rules, and the
// decision they make first of all for each request with the strict switch on: outside the
// allowed hours, or with no minutes left today, every request of the profile is blocked.
#pragma once

#include <optional>
#include <string>

#include "filter/core/portable/SocketFilterState.h"

// With the strict switch on, reads the profile's rules from the policy library into memory
// every process of the filter shares. Rules that cannot be read are none.
void LoadTimeRules(const std::string& strProfile);

// True when the time rules block the request: the connection is then blocked with the time
// policy and the reason in matchedWord (the page and the journal name it). Counts the minute
// of an allowed request. Needs no settings file and asks no category.
bool BlockedByTime(SocketFilterState& state, const std::optional<std::string>& requestUri);
