#include "gui/time/TimeTray.h"

#include <windows.h>

#include "Api/PolicyApi.h"
#include "gui/app/GuiLog.h"

std::optional<TimeLook> LookAtTime(const std::string& strProfile) {
    std::string strRules(TIME_RULES_TEXT_SIZE, '\0');
    if (GetTimeRules(strProfile.c_str(), strRules.data(), TIME_RULES_TEXT_SIZE) != 1) {
        return std::nullopt;
    }
    TimeLook look;
    look.strProfile = strProfile;
    // A profile without rules takes none of the library's room for counting time.
    if (strRules[0] == '\0') {
        return look;
    }
    TimeState state{};
    if (GetTimeState(strProfile.c_str(), &state) != 1) {
        return std::nullopt;
    }
    look.bHasRules = state.iHasRules != 0;
    look.bAllowed = state.iAllowed != 0;
    look.bNoMinutesLeft = state.iReason == 1;
    look.strReason = state.szReason;
    look.iAllowance = state.iAllowance;
    look.iLeft = state.iLeft;
    look.iDay = state.iDay;
    look.iMinute = state.iMinute;
    look.iNextDay = state.iNextDay;
    look.iNextMinute = state.iNextMinute;
    // The state tells when a block ends, not when the hours do: that is in the rules.
    const TimeRulesParse parsed = ParseTimeRules(strRules.c_str());
    if (look.bAllowed && parsed.ok) {
        look.iHoursEnd = HoursEnd(parsed.rules, state.iDay, state.iMinute, state.iUntilMinute);
    }
    return look;
}

void CTimeTray::Poll(const std::string& strProfile) {
    const std::uint64_t ullNowMs = ::GetTickCount64();
    if (!m_bLookSoon && strProfile == m_strProfile && ullNowMs - m_ullLastMs < kEveryMs) {
        return;
    }
    m_bLookSoon = false;
    m_ullLastMs = ullNowMs;
    m_strProfile = strProfile;
    try {
        Look(strProfile);
    } catch (...) {
        // Out of memory for a text: the next look tries again.
    }
}

void CTimeTray::Look(const std::string& strProfile) {
    const std::optional<TimeLook> look = LookAtTime(strProfile);
    if (!look) {
        gGuiLog.Write("CTimeTray :: no time state for " + strProfile + ": " + GetLastErrorMessage(),
                      2);
        return;
    }
    const std::string strTip = TimeTooltip(*look);
    if (strTip != m_strTip && m_trayIcon.SetTip(strTip)) {
        m_strTip = strTip;
        gGuiLog.Write("CTimeTray :: tooltip " + strTip, 2);
    }
    if (const auto notice = m_timeNotices.Next(*look)) {
        m_notices.Tell(notice->strTitle, notice->strText);
    }
}
