#include "filter/core/TimePolicy.h"

#include <cstring>
#include <exception>
#include <vector>

#include "Api/PolicyApi.h"
#include "Api/portable/TimeDecision.h"
#include "filter/core/SharedFilterState.h"
#include "filter/core/SharedTimeRules.h"
#include "filter/core/portable/BlockPage.h"
#include "filter/core/portable/FilterLog.h"
#include "filter/core/portable/HttpRequest.h"

void LoadTimeRules(const std::string& strProfile) {
    SetAnyTimeRules(false);
    if (!StrictFilterOn()) {
        return;  // the older filter knows no time rules
    }
    std::vector<char> text(TIME_RULES_TEXT_SIZE, '\0');
    if (strProfile.size() >= sizeof TheSharedTimeRules().profile ||
        GetTimeRules(strProfile.c_str(), text.data(), TIME_RULES_TEXT_SIZE) != 1) {
        FilterLog().Log("FilterRule :: No time rules read", 2);
        return;
    }
    const TimeRulesParse parsed = ParseTimeRules(text.data());
    if (!parsed.ok || parsed.rules.Empty()) {
        return;
    }
    std::memset(TheSharedTimeRules().profile, 0, sizeof TheSharedTimeRules().profile);
    std::memcpy(TheSharedTimeRules().profile, strProfile.data(), strProfile.size());
    TheSharedTimeRules().rules = parsed.rules;
    SetAnyTimeRules(true);
    FilterLog().Trace(2, "FilterRule :: Time rules: %s", text.data());
}

bool BlockedByTime(SocketFilterState& state, const std::optional<std::string>& requestUri) {
    if (!StrictFilterOn() || TheSharedState().filterOff != 0 || !AnyTimeRules()) {
        return false;
    }
    try {
        char szProfile[sizeof TheSharedTimeRules().profile + 1] = {};
        std::memcpy(szProfile, TheSharedTimeRules().profile, sizeof TheSharedTimeRules().profile);
        TimeUsageNow now{};
        // A count that cannot be had (no room for the profile's) still leaves the hours.
        const bool bCounted = CountInternetMinute(szProfile, TIME_USAGE_PEEK, &now) == 1;
        const LocalMinute local{now.iDay, now.iMinute};
        const TimeDecision decision = DecideTime(TheSharedTimeRules().rules, local, now.iUsed,
                                                 {now.iExtraMinutes, now.iUntilMinute});
        if (decision.verdict == TimeVerdict::kAllowed) {
            if (bCounted) {
                CountInternetMinute(szProfile, TIME_USAGE_SAVE_ALONE, nullptr);
            }
            return false;
        }
        const std::string strReason = TimeDecisionReason(decision, local);
        state.webPageBlocked = 1;
        state.allowed = 0;
        state.policyApplied = POLICY_TIME;
        state.SetMatchedWord(strReason);
        if (requestUri) {
            const std::string_view uri = *requestUri;
            state.url = UrlToJudge(state.host, &uri);
        } else {
            state.url = state.host;
        }
        FilterLog().Trace(1, "WSPSend    :: RuleApplied: Time: %s", strReason.c_str());
        return true;
    } catch (const std::exception&) {
        FilterLog().Log("XXXXXX Exception XXXXXX\n", 1);
        return false;
    }
}
