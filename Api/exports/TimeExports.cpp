// Time rules: when and how long each profile may use the internet.
#include <algorithm>
#include <cstring>
#include <string>

#include "Api/ChangeGuard.h"
#include "Api/Library.h"
#include "Api/PolicyApi.h"
#include "Api/portable/ErrorCodes.h"
#include "Api/portable/TimeRules.h"

namespace {

constexpr char kTimeRulesKey[] = "TimeRules";

// Copies text into out (size bytes); false, writing only the NUL, when it does not fit.
bool CopyOut(const std::string& strText, char* szOut, int iSize) {
    if (strText.size() >= static_cast<std::size_t>(iSize)) {
        szOut[0] = '\0';
        return false;
    }
    std::memcpy(szOut, strText.c_str(), strText.size() + 1);
    return true;
}

}  // namespace

extern "C" int SetTimeRules(const char* szUser, const char* szRules) {
    return GuardedWrite(0, [&] {
        LogApi("API :: SetTimeRules");
        if (!MayChange("SetTimeRules")) {
            return 0;
        }
        const int iId = LookUpUser(szUser);
        if (iId == 0) {
            LogApiFailure();
            return 0;
        }
        const TimeRulesParse parsed = ParseTimeRules(szRules != nullptr ? szRules : "");
        if (!parsed.ok) {
            SetLastErrorCode(ERR_TIME_RULES);
            LogApi("API :: SetTimeRules refused: " + parsed.fault, 1);
            return 0;
        }
        if (!Store()->WriteSplitText(iId, kTimeRulesKey, FormatTimeRules(parsed.rules))) {
            LogApiFailure();
            return 0;
        }
        // The filter reads the rules at its next reload.
        UpdateRequire(1);
        return 1;
    });
}

extern "C" int GetTimeRules(const char* szUser, char* szOut, int iSize) {
    return Guarded(0, [&] {
        LogApi("API :: GetTimeRules", 3);
        if (szOut == nullptr || iSize < 1) {
            SetLastErrorCode(ERR_FAILURE);
            return 0;
        }
        szOut[0] = '\0';
        const int iId = LookUpUser(szUser);
        std::string strRules;
        if (iId == 0 || !Store()->ReadSplitText(iId, kTimeRulesKey, strRules)) {
            LogApiFailure();
            return 0;
        }
        if (!CopyOut(strRules, szOut, iSize)) {
            SetLastErrorCode(ERR_FAILURE);
            return 0;
        }
        return 1;
    });
}

extern "C" int CheckTimeRules(const char* szRules, char* szOut, int iSize) {
    return Guarded(0, [&] {
        if (szOut == nullptr || iSize < 1) {
            SetLastErrorCode(ERR_FAILURE);
            return 0;
        }
        const TimeRulesParse parsed = ParseTimeRules(szRules != nullptr ? szRules : "");
        if (!parsed.ok) {
            SetLastErrorCode(ERR_TIME_RULES);
            // A fault cut to the buffer still names it.
            const std::size_t n =
                std::min(parsed.fault.size(), static_cast<std::size_t>(iSize - 1));
            std::memcpy(szOut, parsed.fault.data(), n);
            szOut[n] = '\0';
            return 0;
        }
        if (!CopyOut(FormatTimeRules(parsed.rules), szOut, iSize)) {
            SetLastErrorCode(ERR_FAILURE);
            return 0;
        }
        SetLastErrorCode(ERR_SUCCESS);
        return 1;
    });
}
