#include "Api/portable/TimeRules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Text, and the canonical form the library keeps of it.
struct ValidCase {
    const char* szText;
    const char* szCanonical;
};

// Text, and the start of its first fault.
struct InvalidCase {
    const char* szText;
    const char* szFault;
};

}  // namespace

TEST(TimeRules, ValidTextsReadToTheirCanonicalForm) {
    const ValidCase cases[] = {
        {"", ""},
        {" ; \n\n;", ""},
        {"allow all 07:00-21:00", "allow all 07:00-21:00"},
        {"ALLOW Mon-Fri 7:00-8:00, 16:00 - 20:30", "allow mon-fri 07:00-08:00,16:00-20:30"},
        {"allow sat,sun 08:00-22:00\nlimit sat,sun 120",
         "allow sat,sun 08:00-22:00; limit sat,sun 120"},
        // A later clause for a day replaces an earlier one of its kind, and only of its kind.
        {"allow all 07:00-21:00; allow sun none; limit all 60; limit sat 90",
         "allow mon-sat 07:00-21:00; allow sun none; limit mon-fri,sun 60; limit sat 90"},
        // Periods sorted; those that overlap or touch are one.
        {"allow mon 18:00-19:00,07:00-08:00,07:30-09:00,09:00-10:00",
         "allow mon 07:00-10:00,18:00-19:00"},
        // Midnight: 24:00 ends a day, a night is two periods on two days.
        {"allow fri 20:00-24:00; allow sat 00:00-01:00",
         "allow fri 20:00-24:00; allow sat 00:00-01:00"},
        // The whole day is no rule at all.
        {"allow all 00:00-12:00,12:00-24:00", ""},
        {"limit all 0", "limit all 0"},
        {"limit mon 1440", "limit mon 1440"},
        {"allow mon,wed,fri none", "allow mon,wed,fri none"},
        {"allow mon-wed,sat-sun none", "allow mon-wed,sat,sun none"},
        {"limit mon,mon,tue 30;", "limit mon,tue 30"},
        {"\tallow\ttue\t09:00-10:00\r\nlimit tue 5\r\n", "allow tue 09:00-10:00; limit tue 5"},
    };
    for (const ValidCase& c : cases) {
        const TimeRulesParse parsed = ParseTimeRules(c.szText);
        ASSERT_TRUE(parsed.ok) << '"' << c.szText << "\": " << parsed.fault;
        const std::string canonical = FormatTimeRules(parsed.rules);
        EXPECT_EQ(canonical, c.szCanonical) << '"' << c.szText << '"';
        // The canonical form reads back to itself.
        const TimeRulesParse again = ParseTimeRules(canonical);
        ASSERT_TRUE(again.ok) << canonical;
        EXPECT_EQ(FormatTimeRules(again.rules), canonical);
        EXPECT_EQ(again.rules.Empty(), canonical.empty());
    }
}

TEST(TimeRules, InvalidTextsNameTheirFirstFault) {
    const InvalidCase cases[] = {
        {"alow mon 08:00-09:00",
         "clause 1 (\"alow mon 08:00-09:00\"): expected \"allow\" or \"limit\", found \"alow\""},
        {"allow all 07:00-21:00; limit all 60; limit sun",
         "clause 3 (\"limit sun\"): expected minutes (0 to 1440), found the end of the clause"},
        {"allow monday 08:00-09:00",
         "clause 1 (\"allow monday 08:00-09:00\"): expected a day (mon..sun or all), found "
         "\"monday\""},
        {"allow 08:00-09:00", "clause 1 (\"allow 08:00-09:00\"): expected a day"},
        {"allow fri-mon none",
         "clause 1 (\"allow fri-mon none\"): the day range fri-mon runs backwards"},
        {"allow mon 22:00-02:00",
         "clause 1 (\"allow mon 22:00-02:00\"): the period 22:00-02:00 does not end after it "
         "starts"},
        {"allow mon 08:00-08:00",
         "clause 1 (\"allow mon 08:00-08:00\"): the period 08:00-08:00 does not end"},
        {"allow mon 24:30-24:45",
         "clause 1 (\"allow mon 24:30-24:45\"): \"24:30\" is not a time of day"},
        {"allow mon 08:60-09:00",
         "clause 1 (\"allow mon 08:60-09:00\"): \"08:60\" is not a time of day"},
        {"allow mon 8-9", "clause 1 (\"allow mon 8-9\"): \"8\" is not a time (HH:MM)"},
        {"allow mon 123:00-124:00",
         "clause 1 (\"allow mon 123:00-124:00\"): \"123:00\" is not a time"},
        {"allow mon 08:00",
         "clause 1 (\"allow mon 08:00\"): expected \"-\" and the end of the period, found the end"},
        {"allow mon 08:00-09:00,",
         "clause 1 (\"allow mon 08:00-09:00,\"): expected a time (HH:MM), found the end"},
        {"allow mon", "clause 1 (\"allow mon\"): expected a time (HH:MM), found the end"},
        {"allow mon none 08:00-09:00",
         "clause 1 (\"allow mon none 08:00-09:00\"): unexpected \"08:00\" after the clause"},
        {"limit all 1441",
         "clause 1 (\"limit all 1441\"): a limit of 1441 minutes is more than a day"},
        {"limit all 99999999999999999999",
         "clause 1 (\"limit all 99999999999999999999\"): a limit of"},
        {"limit all -5", "clause 1 (\"limit all -5\"): expected minutes (0 to 1440), found \"-\""},
        {"limit all 10:00", "clause 1 (\"limit all 10:00\"): expected minutes"},
        {"limit all 60 60", "clause 1 (\"limit all 60 60\"): unexpected \"60\" after the clause"},
        {"allow mon 08:00-09:00 # school", "unexpected \"#\" after the clause"},
    };
    for (const InvalidCase& c : cases) {
        const TimeRulesParse parsed = ParseTimeRules(c.szText);
        EXPECT_FALSE(parsed.ok) << c.szText;
        EXPECT_EQ(parsed.fault.find(c.szFault) == std::string::npos ? parsed.fault : c.szFault,
                  c.szFault)
            << c.szText;
        EXPECT_TRUE(parsed.rules.Empty()) << "a refused text leaves no rules: " << c.szText;
    }
}

TEST(TimeRules, HoldsFortyEightPeriodsADayAndNoMore) {
    std::string periods;
    for (int i = 0; i < 48; ++i) {
        periods += (i ? "," : "") + MinuteText(i * 30) + "-" + MinuteText(i * 30 + 15);
    }
    const TimeRulesParse parsed = ParseTimeRules("allow wed " + periods);
    ASSERT_TRUE(parsed.ok) << parsed.fault;
    EXPECT_EQ(parsed.rules.days[2].periodCount, 48);
    EXPECT_EQ(FormatTimeRules(parsed.rules), "allow wed " + periods);

    const TimeRulesParse tooMany = ParseTimeRules("allow wed " + periods + ",23:50-23:55");
    EXPECT_FALSE(tooMany.ok);
    EXPECT_NE(tooMany.fault.find("more than 48 periods in a day"), std::string::npos)
        << tooMany.fault;
}

TEST(TimeRules, RefusesTextLongerThanItsBound) {
    const std::string text(kMaxTimeRulesText + 1, ';');
    const TimeRulesParse parsed = ParseTimeRules(text);
    EXPECT_FALSE(parsed.ok);
    EXPECT_NE(parsed.fault.find("longer than"), std::string::npos);
    EXPECT_TRUE(ParseTimeRules(std::string(kMaxTimeRulesText, ';')).ok);
}

TEST(TimeRules, FaultQuotesALongClauseCut) {
    const TimeRulesParse parsed = ParseTimeRules("allow mon " + std::string(200, 'x'));
    ASSERT_FALSE(parsed.ok);
    EXPECT_LT(parsed.fault.size(), 200u);
}
