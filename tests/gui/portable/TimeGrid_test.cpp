// The Time page's week: from the stored text to cells and back, and its shortcuts.
#include <gtest/gtest.h>

#include "gui/portable/TimeGrid.h"

namespace {

// The canonical text the grid gives, or "fault: ..." when it cannot be written.
std::string TextOf(const CTimeGrid& grid) {
    TimeRules rules;
    std::string strFault;
    return grid.ToRules(rules, strFault) ? FormatTimeRules(rules) : "fault: " + strFault;
}

CTimeGrid GridOf(const std::string& strText) {
    const TimeRulesParse parsed = ParseTimeRules(strText);
    EXPECT_TRUE(parsed.ok) << parsed.fault;
    return CTimeGrid(parsed.rules);
}

// A grid read from stored rules and written back keeps them exactly, finer times included.
TEST(TimeGridTest, StoredRulesReadBackUnchanged) {
    for (const char* szText : {
             "",
             "allow mon-fri 07:00-08:00,16:00-20:30; limit sat,sun 90",
             "allow all none",
             "allow tue 07:15-07:20,23:59-24:00",
             "limit all 0",
             "allow sat 00:00-00:01; limit mon 1440",
         }) {
        EXPECT_EQ(TextOf(GridOf(szText)), szText);
    }
}

TEST(TimeGridTest, CellsShowAllowedForbiddenAndPartlyAllowed) {
    const CTimeGrid grid = GridOf("allow mon 07:15-08:00; allow tue none");
    EXPECT_EQ(grid.At(0, 13), CTimeGrid::Cell::kForbidden);  // 06:30
    EXPECT_EQ(grid.At(0, 14), CTimeGrid::Cell::kPartly);     // 07:00, from 07:15
    EXPECT_EQ(grid.At(0, 15), CTimeGrid::Cell::kAllowed);    // 07:30
    EXPECT_EQ(grid.At(0, 16), CTimeGrid::Cell::kForbidden);  // 08:00, the end excluded
    EXPECT_EQ(grid.At(1, 47), CTimeGrid::Cell::kForbidden);
    EXPECT_EQ(grid.At(6, 0), CTimeGrid::Cell::kAllowed);
}

TEST(TimeGridTest, EditsWriteTheRulesTheyShow) {
    struct Case {
        const char* szName;
        void (*edit)(CTimeGrid&);
        const char* szExpected;
    };
    const Case cases[] = {
        {"nothing", [](CTimeGrid&) {}, ""},
        {"none", [](CTimeGrid& g) { g.SetAll(false); }, "allow all none"},
        {"a drag over two days", [](CTimeGrid& g) { g.SetAll(false), g.Set(1, 33, 0, 32, true); },
         "allow mon,tue 16:00-17:00; allow wed-sun none"},
        {"the last cell off", [](CTimeGrid& g) { g.Set(6, 47, false); }, "allow sun 00:00-23:30"},
        {"a cell in the middle off", [](CTimeGrid& g) { g.Set(2, 24, false); },
         "allow wed 00:00-12:00,12:30-24:00"},
        {"toggled twice", [](CTimeGrid& g) { g.Toggle(3, 5), g.Toggle(3, 5); }, ""},
        {"out of range clamps", [](CTimeGrid& g) { g.SetAll(false), g.Set(-3, -1, 0, 0, true); },
         "allow mon 00:00-00:30; allow tue-sun none"},
        {"Monday copied",
         [](CTimeGrid& g) { g.SetAll(false), g.Set(0, 14, 0, 15, true), g.CopyMondayToWeekdays(); },
         "allow mon-fri 07:00-08:00; allow sat,sun none"},
        {"limits", [](CTimeGrid& g) { g.SetLimit(0, 60), g.SetLimit(5, 0); },
         "limit mon 60; limit sat 0"},
    };
    for (const Case& c : cases) {
        CTimeGrid grid;
        c.edit(grid);
        EXPECT_EQ(TextOf(grid), c.szExpected) << c.szName;
    }
}

TEST(TimeGridTest, ToggleAllowsAPartlyAllowedCellAndKeepsItsNeighboursMinutes) {
    CTimeGrid grid = GridOf("allow mon 07:15-07:45,08:10-09:00");
    grid.Toggle(0, 14);  // 07:00-07:30 partly allowed: now all of it
    EXPECT_EQ(TextOf(grid), "allow mon 07:00-07:45,08:10-09:00");
    grid.Toggle(0, 14);
    EXPECT_EQ(TextOf(grid), "allow mon 07:30-07:45,08:10-09:00");
}

TEST(TimeGridTest, MoreSeparatePeriodsThanADayHoldsIsAFaultNotATruncation) {
    // 48 periods, the most a day holds: two in the first cell, one in each of the next 46,
    // none in the last. Allowing the last cell makes a 49th.
    std::string strText = "allow tue 00:05-00:06,00:10-00:11";
    for (int iSlot = 1; iSlot < 47; ++iSlot) {
        strText += "," + MinuteText(iSlot * 30 + 15) + "-" + MinuteText(iSlot * 30 + 16);
    }
    CTimeGrid grid = GridOf(strText);
    EXPECT_EQ(TextOf(grid), strText);
    grid.Set(1, 47, true);
    const std::string strFault = TextOf(grid);
    EXPECT_EQ(strFault, "fault: " + strText + ",23:30-24:00");
    EXPECT_FALSE(ParseTimeRules(strFault.substr(7)).ok);
    // Allowing the first cell instead merges two: fine.
    grid = GridOf(strText);
    grid.Set(1, 0, true);
    EXPECT_EQ(TextOf(grid).rfind("allow tue 00:00-00:30,00:45-00:46,", 0), 0u);
}

TEST(TimeGridTest, MinutesFields) {
    struct Case {
        const char* szText;
        bool bOk;
        int iMinutes;
    };
    for (const Case& c :
         {Case{"", true, -1}, Case{"  ", true, -1}, Case{"0", true, 0}, Case{" 90 ", true, 90},
          Case{"1440", true, 1440}, Case{"1441", true, 1441}, Case{"99999999999", true, 9999},
          Case{"-5", false, 0}, Case{"1h", false, 0}}) {
        int iMinutes = 7;
        EXPECT_EQ(ParseMinutesField(c.szText, iMinutes), c.bOk) << c.szText;
        if (c.bOk) {
            EXPECT_EQ(iMinutes, c.iMinutes) << c.szText;
            EXPECT_EQ(MinutesFieldText(iMinutes), c.iMinutes < 0 ? "" : std::to_string(c.iMinutes));
        }
    }
    // More than a day is written as typed, for the rules' check to refuse by name.
    CTimeGrid grid;
    grid.SetLimit(2, 1441);
    EXPECT_EQ(TextOf(grid), "limit wed 1441");
    EXPECT_EQ(ParseTimeRules(TextOf(grid)).fault,
              "clause 1 (\"limit wed 1441\"): a limit of 1441 minutes is more than a day (1440)");
}

TEST(TimeGridTest, LayoutFindsTheCellUnderAPointAndNothingOutside) {
    const CTimeGridLayout layout = CTimeGridLayout::ForClient(440, 160);
    int iDay = -1;
    int iSlot = -1;
    ASSERT_TRUE(layout.CellAt(layout.CellLeft(13) + 1, layout.RowTop(4) + 1, iDay, iSlot));
    EXPECT_EQ(iDay, 4);
    EXPECT_EQ(iSlot, 13);
    EXPECT_FALSE(layout.CellAt(5, layout.RowTop(1), iDay, iSlot));    // a day's name
    EXPECT_FALSE(layout.CellAt(layout.CellLeft(3), 2, iDay, iSlot));  // the hours
    EXPECT_FALSE(layout.CellAt(layout.GridRight(), layout.RowTop(0), iDay, iSlot));
    EXPECT_FALSE(layout.CellAt(layout.CellLeft(0), layout.GridBottom(), iDay, iSlot));
    EXPECT_LE(layout.GridRight(), 440);
    EXPECT_LE(layout.GridBottom() + CTimeGridLayout::kLegendHeight, 160);
}

}  // namespace
