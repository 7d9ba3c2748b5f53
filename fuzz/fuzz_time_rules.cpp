// Time rules come from what a parent types. Reading any text must stay within its bounds, and
// what it reads must come back the same through its canonical form, be decided on any minute
// of the week without fault, and split into stored values that join back to it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "Api/portable/SplitText.h"
#include "Api/portable/TimeDecision.h"
#include "Api/portable/TimeRules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    const std::string_view input(reinterpret_cast<const char*>(pData), nSize);
    const TimeRulesParse parsed = ParseTimeRules(input);
    if (!parsed.ok) {
        if (parsed.fault.empty() || !parsed.rules.Empty()) {
            std::abort();
        }
        return 0;
    }
    const std::string canonical = FormatTimeRules(parsed.rules);
    const TimeRulesParse again = ParseTimeRules(canonical);
    if (!again.ok || FormatTimeRules(again.rules) != canonical) {
        std::abort();
    }
    std::string joined;
    for (const std::string& piece : SplitForValues(canonical, 337)) {
        joined += piece;
    }
    if (joined != canonical) {
        std::abort();
    }
    for (int iDay = 0; iDay < TimeRules::kDays; ++iDay) {
        for (int iMinute = 0; iMinute < 1440; iMinute += 7) {
            const LocalMinute now{iDay, iMinute};
            const TimeDecision decision = DecideTime(parsed.rules, now, iMinute, {5, 600});
            if (decision.verdict != TimeVerdict::kAllowed &&
                TimeDecisionReason(decision, now).empty()) {
                std::abort();
            }
        }
    }
    return 0;
}
