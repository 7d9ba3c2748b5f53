#include "gui/portable/TimeGrid.h"

#include <algorithm>

namespace {

int Clamp(int iValue, int iLow, int iHigh) noexcept {
    return std::min(std::max(iValue, iLow), iHigh);
}

}  // namespace

CTimeGrid::CTimeGrid() noexcept {
    SetAll(true);
    m_limits.fill(TimeRulesDay::kNoLimit);
}

CTimeGrid::CTimeGrid(const TimeRules& rules) noexcept : CTimeGrid() {
    for (int iDay = 0; iDay < kDays; ++iDay) {
        const TimeRulesDay& day = rules.days[iDay];
        auto& allowed = m_allowed[static_cast<size_t>(iDay)];
        if (day.allow != TimeRulesDay::kAllDay) {
            allowed.reset();
        }
        if (day.allow == TimeRulesDay::kPeriods) {
            const int nPeriods = std::min<int>(day.periodCount, TimeRulesDay::kMaxPeriods);
            for (int i = 0; i < nPeriods; ++i) {
                const int iEnd = std::min<int>(day.periods[i].end, kDayMinutes);
                for (int iMinute = day.periods[i].start; iMinute < iEnd; ++iMinute) {
                    allowed.set(static_cast<size_t>(iMinute));
                }
            }
        }
        m_limits[static_cast<size_t>(iDay)] = day.limit;
    }
}

CTimeGrid::Cell CTimeGrid::At(int iDay, int iSlot) const noexcept {
    const auto& allowed = m_allowed[static_cast<size_t>(iDay)];
    int nAllowed = 0;
    for (int iMinute = iSlot * kSlotMinutes; iMinute < (iSlot + 1) * kSlotMinutes; ++iMinute) {
        nAllowed += allowed.test(static_cast<size_t>(iMinute)) ? 1 : 0;
    }
    return nAllowed == kSlotMinutes ? Cell::kAllowed
           : nAllowed == 0          ? Cell::kForbidden
                                    : Cell::kPartly;
}

void CTimeGrid::Set(int iDay1, int iSlot1, int iDay2, int iSlot2, bool bAllowed) noexcept {
    const int iFirstDay = Clamp(std::min(iDay1, iDay2), 0, kDays - 1);
    const int iLastDay = Clamp(std::max(iDay1, iDay2), 0, kDays - 1);
    const int iFirstMinute = Clamp(std::min(iSlot1, iSlot2), 0, kSlots - 1) * kSlotMinutes;
    const int iEndMinute = (Clamp(std::max(iSlot1, iSlot2), 0, kSlots - 1) + 1) * kSlotMinutes;
    for (int iDay = iFirstDay; iDay <= iLastDay; ++iDay) {
        for (int iMinute = iFirstMinute; iMinute < iEndMinute; ++iMinute) {
            m_allowed[static_cast<size_t>(iDay)].set(static_cast<size_t>(iMinute), bAllowed);
        }
    }
}

void CTimeGrid::SetAll(bool bAllowed) noexcept {
    for (auto& allowed : m_allowed) {
        bAllowed ? allowed.set() : allowed.reset();
    }
}

void CTimeGrid::CopyMondayToWeekdays() noexcept {
    std::fill(m_allowed.begin() + 1, m_allowed.begin() + 5, m_allowed[0]);
}

bool CTimeGrid::ToRules(TimeRules& rules, std::string& strFault) const {
    rules = TimeRules::None();
    for (int iDay = 0; iDay < kDays; ++iDay) {
        const auto& allowed = m_allowed[static_cast<size_t>(iDay)];
        TimeRulesDay& day = rules.days[iDay];
        day.limit = static_cast<std::int16_t>(m_limits[static_cast<size_t>(iDay)]);
        if (allowed.all()) {
            continue;
        }
        if (allowed.none()) {
            day.allow = TimeRulesDay::kNone;
            continue;
        }
        day.allow = TimeRulesDay::kPeriods;
        std::string strClause = "allow " + std::string(DayName(iDay)) + " ";
        int nPeriods = 0;
        for (int iMinute = 0; iMinute < kDayMinutes;) {
            if (!allowed.test(static_cast<size_t>(iMinute))) {
                ++iMinute;
                continue;
            }
            const int iStart = iMinute;
            while (iMinute < kDayMinutes && allowed.test(static_cast<size_t>(iMinute))) {
                ++iMinute;
            }
            strClause += (nPeriods > 0 ? "," : "") + MinuteText(iStart) + "-" + MinuteText(iMinute);
            if (nPeriods < TimeRulesDay::kMaxPeriods) {
                day.periods[nPeriods] = {static_cast<std::uint16_t>(iStart),
                                         static_cast<std::uint16_t>(iMinute)};
            }
            ++nPeriods;
        }
        if (nPeriods > TimeRulesDay::kMaxPeriods) {
            strFault = strClause;
            return false;
        }
        day.periodCount = static_cast<std::uint8_t>(nPeriods);
    }
    return true;
}

bool ParseMinutesField(std::string_view text, int& iMinutes) noexcept {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    if (text.empty()) {
        iMinutes = TimeRulesDay::kNoLimit;
        return true;
    }
    int iValue = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        iValue = std::min(iValue * 10 + (c - '0'), kMaxFieldMinutes);
    }
    iMinutes = iValue;
    return true;
}

std::string MinutesFieldText(int iMinutes) {
    return iMinutes < 0 ? std::string() : std::to_string(iMinutes);
}
