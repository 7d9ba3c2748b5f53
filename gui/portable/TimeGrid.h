// The week of the Time page: 7 days of 48 half-hour cells, allowed or not, and each day's
// minutes. Kept to the minute, so that rules written elsewhere with finer times (07:15-08:00)
// survive an edit of another cell; a cell only part of whose minutes are allowed shows as such.
#pragma once

#include <array>
#include <bitset>
#include <string>
#include <string_view>

#include "Api/portable/TimeRules.h"

class CTimeGrid {
public:
    static constexpr int kDays = TimeRules::kDays;  // 0 Monday .. 6 Sunday
    static constexpr int kSlots = 48;
    static constexpr int kSlotMinutes = 30;
    static constexpr int kDayMinutes = 1440;

    enum class Cell { kForbidden, kAllowed, kPartly };

    // No rules: every cell allowed, no limits.
    CTimeGrid() noexcept;
    explicit CTimeGrid(const TimeRules& rules) noexcept;

    Cell At(int iDay, int iSlot) const noexcept;
    // Every cell of the days iDay1..iDay2 and the slots iSlot1..iSlot2 (either order, both
    // ends included): what a drag from one cell to another covers.
    void Set(int iDay1, int iSlot1, int iDay2, int iSlot2, bool bAllowed) noexcept;
    void Set(int iDay, int iSlot, bool bAllowed) noexcept {
        Set(iDay, iSlot, iDay, iSlot, bAllowed);
    }
    // A partly allowed cell becomes allowed.
    void Toggle(int iDay, int iSlot) noexcept {
        Set(iDay, iSlot, At(iDay, iSlot) != Cell::kAllowed);
    }
    void SetAll(bool bAllowed) noexcept;
    // Monday's hours to Tuesday .. Friday (minutes stay).
    void CopyMondayToWeekdays() noexcept;

    // Minutes a day, TimeRulesDay::kNoLimit for none.
    int Limit(int iDay) const noexcept { return m_limits[static_cast<size_t>(iDay)]; }
    void SetLimit(int iDay, int iMinutes) noexcept {
        m_limits[static_cast<size_t>(iDay)] = iMinutes;
    }

    // The rules the grid shows; false when a day has more separate periods than the rules
    // can hold, with strFault then that day's allow clause written whole (which the rules'
    // own check refuses, naming why).
    bool ToRules(TimeRules& rules, std::string& strFault) const;

private:
    std::array<std::bitset<kDayMinutes>, kDays> m_allowed;
    std::array<int, kDays> m_limits;
};

// A day's minutes field: blank for no limit, else its digits (more than a day is kept, up to
// kMaxFieldMinutes, for the rules' own check to name). False for anything but digits.
inline constexpr int kMaxFieldMinutes = 9999;
bool ParseMinutesField(std::string_view text, int& iMinutes) noexcept;
// The field's text for a limit: "" for none.
std::string MinutesFieldText(int iMinutes);

// Where the grid control draws what, in its client pixels: day names down the left, hours
// across the top, the cells, and a legend under them. Shared with the tests that click it.
struct CTimeGridLayout {
    static constexpr int kLabelWidth = 34;
    static constexpr int kHeaderHeight = 15;
    static constexpr int kLegendHeight = 18;

    int iCellWidth;
    int iRowHeight;

    static CTimeGridLayout ForClient(int cx, int cy) noexcept {
        const int iCellWidth = (cx - kLabelWidth - 1) / CTimeGrid::kSlots;
        const int iRowHeight = (cy - kHeaderHeight - kLegendHeight - 1) / CTimeGrid::kDays;
        return {iCellWidth > 1 ? iCellWidth : 1, iRowHeight > 1 ? iRowHeight : 1};
    }
    int CellLeft(int iSlot) const noexcept { return kLabelWidth + iSlot * iCellWidth; }
    int RowTop(int iDay) const noexcept { return kHeaderHeight + iDay * iRowHeight; }
    int GridRight() const noexcept { return CellLeft(CTimeGrid::kSlots); }
    int GridBottom() const noexcept { return RowTop(CTimeGrid::kDays); }
    // The cell under a point, false outside the cells.
    bool CellAt(int x, int y, int& iDay, int& iSlot) const noexcept {
        if (x < kLabelWidth || y < kHeaderHeight || x >= GridRight() || y >= GridBottom()) {
            return false;
        }
        iSlot = (x - kLabelWidth) / iCellWidth;
        iDay = (y - kHeaderHeight) / iRowHeight;
        return true;
    }
};
