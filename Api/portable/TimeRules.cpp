#include "Api/portable/TimeRules.h"

#include <algorithm>
#include <array>
#include <vector>

#include "base/portable/Ascii.h"

namespace {

constexpr std::array<std::string_view, TimeRules::kDays> kDayNames = {"mon", "tue", "wed", "thu",
                                                                      "fri", "sat", "sun"};
constexpr int kMinutesPerDay = 1440;

enum class TokenKind { kWord, kNumber, kComma, kDash, kOther };

struct Token {
    TokenKind kind;
    std::string_view text;
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsLetter(char c) {
    const char lower = LowerAscii(c);
    return lower >= 'a' && lower <= 'z';
}

// A piece of the text as a fault quotes it: cut where it would fill a screen.
std::string Cut(std::string_view text) {
    constexpr std::size_t kShown = 60;
    return text.size() <= kShown ? std::string(text) : std::string(text.substr(0, kShown)) + "...";
}

// One clause as words, numbers (digits and colons, so "07:30" is one) and punctuation.
std::vector<Token> Tokenize(std::string_view clause) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < clause.size()) {
        const char c = clause[i];
        if (IsBlank(c)) {
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        TokenKind kind = TokenKind::kOther;
        if (IsLetter(c)) {
            kind = TokenKind::kWord;
            while (j < clause.size() && IsLetter(clause[j])) {
                ++j;
            }
        } else if (IsDigit(c)) {
            kind = TokenKind::kNumber;
            while (j < clause.size() && (IsDigit(clause[j]) || clause[j] == ':')) {
                ++j;
            }
        } else if (c == ',') {
            kind = TokenKind::kComma;
        } else if (c == '-') {
            kind = TokenKind::kDash;
        }
        tokens.push_back({kind, clause.substr(i, j - i)});
        i = j;
    }
    return tokens;
}

// Reads the tokens of one clause in order; the first fault found stops the clause.
class CClauseReader {
public:
    explicit CClauseReader(std::vector<Token> tokens) : m_tokens(std::move(tokens)) {}

    bool AtEnd() const { return m_i >= m_tokens.size(); }
    const Token* Peek() const { return AtEnd() ? nullptr : &m_tokens[m_i]; }
    const Token* Next() { return AtEnd() ? nullptr : &m_tokens[m_i++]; }
    bool Take(TokenKind kind) {
        if (!AtEnd() && m_tokens[m_i].kind == kind) {
            ++m_i;
            return true;
        }
        return false;
    }

    bool Fail(std::string text) {
        if (m_fault.empty()) {
            m_fault = std::move(text);
        }
        return false;
    }
    // "found X" or "found the end", for faults about what came instead.
    std::string Found() const {
        return AtEnd() ? "the end of the clause" : "\"" + Cut(m_tokens[m_i].text) + "\"";
    }
    const std::string& Fault() const { return m_fault; }

private:
    std::vector<Token> m_tokens;
    std::size_t m_i = 0;
    std::string m_fault;
};

int DayIndex(std::string_view word) {
    for (int i = 0; i < TimeRules::kDays; ++i) {
        if (EqualsLower(word, kDayNames[static_cast<std::size_t>(i)])) {
            return i;
        }
    }
    return -1;
}

bool ReadDay(CClauseReader& reader, int& iDay) {
    const Token* pToken = reader.Peek();
    if (pToken == nullptr || pToken->kind != TokenKind::kWord ||
        (iDay = DayIndex(pToken->text)) < 0) {
        return reader.Fail("expected a day (mon..sun or all), found " + reader.Found());
    }
    reader.Next();
    return true;
}

// DAYS: items separated by commas, each a day, a range of days or "all".
bool ReadDays(CClauseReader& reader, std::array<bool, TimeRules::kDays>& days) {
    days.fill(false);
    do {
        const Token* pToken = reader.Peek();
        if (pToken != nullptr && pToken->kind == TokenKind::kWord &&
            EqualsLower(pToken->text, "all")) {
            reader.Next();
            days.fill(true);
            continue;
        }
        int iFirst = 0;
        if (!ReadDay(reader, iFirst)) {
            return false;
        }
        int iLast = iFirst;
        if (reader.Take(TokenKind::kDash)) {
            if (!ReadDay(reader, iLast)) {
                return false;
            }
            if (iLast < iFirst) {
                return reader.Fail("the day range " + std::string(DayName(iFirst)) + "-" +
                                   std::string(DayName(iLast)) +
                                   " runs backwards (write it as two)");
            }
        }
        for (int i = iFirst; i <= iLast; ++i) {
            days[static_cast<std::size_t>(i)] = true;
        }
    } while (reader.Take(TokenKind::kComma));
    return true;
}

// H:MM or HH:MM, 00:00 to 24:00.
bool ReadTime(CClauseReader& reader, int& iMinute) {
    const Token* pToken = reader.Peek();
    if (pToken == nullptr || pToken->kind != TokenKind::kNumber) {
        return reader.Fail("expected a time (HH:MM), found " + reader.Found());
    }
    const std::string_view text = pToken->text;
    const std::size_t colon = text.find(':');
    const bool bShape = colon != std::string_view::npos && (colon == 1 || colon == 2) &&
                        text.size() == colon + 3 && text.find(':', colon + 1) == std::string::npos;
    if (!bShape) {
        return reader.Fail("\"" + Cut(text) + "\" is not a time (HH:MM)");
    }
    const int iHours = std::stoi(std::string(text.substr(0, colon)));
    const int iMinutes = std::stoi(std::string(text.substr(colon + 1)));
    if (iHours > 24 || iMinutes > 59 || (iHours == 24 && iMinutes != 0)) {
        return reader.Fail("\"" + std::string(text) + "\" is not a time of day");
    }
    reader.Next();
    iMinute = iHours * 60 + iMinutes;
    return true;
}

// Periods sorted, and those that overlap or touch made one.
std::vector<TimePeriod> Merged(std::vector<TimePeriod> periods) {
    std::sort(periods.begin(), periods.end(),
              [](const TimePeriod& a, const TimePeriod& b) { return a.start < b.start; });
    std::vector<TimePeriod> merged;
    for (const TimePeriod& period : periods) {
        if (!merged.empty() && period.start <= merged.back().end) {
            merged.back().end = std::max(merged.back().end, period.end);
        } else {
            merged.push_back(period);
        }
    }
    return merged;
}

bool ReadPeriods(CClauseReader& reader, TimeRulesDay& day) {
    std::vector<TimePeriod> periods;
    do {
        int iStart = 0;
        int iEnd = 0;
        if (!ReadTime(reader, iStart)) {
            return false;
        }
        if (!reader.Take(TokenKind::kDash)) {
            return reader.Fail("expected \"-\" and the end of the period, found " + reader.Found());
        }
        if (!ReadTime(reader, iEnd)) {
            return false;
        }
        if (iEnd <= iStart) {
            return reader.Fail("the period " + MinuteText(iStart) + "-" + MinuteText(iEnd) +
                               " does not end after it starts (one that crosses midnight is "
                               "written as two)");
        }
        periods.push_back({static_cast<std::uint16_t>(iStart), static_cast<std::uint16_t>(iEnd)});
    } while (reader.Take(TokenKind::kComma));
    const std::vector<TimePeriod> merged = Merged(std::move(periods));
    if (merged.size() > static_cast<std::size_t>(TimeRulesDay::kMaxPeriods)) {
        return reader.Fail("more than " + std::to_string(TimeRulesDay::kMaxPeriods) +
                           " periods in a day");
    }
    day = {};
    if (merged.size() == 1 && merged[0].start == 0 && merged[0].end == kMinutesPerDay) {
        day.allow = TimeRulesDay::kAllDay;
        return true;
    }
    day.allow = TimeRulesDay::kPeriods;
    day.periodCount = static_cast<std::uint8_t>(merged.size());
    std::copy(merged.begin(), merged.end(), day.periods);
    return true;
}

bool ReadLimit(CClauseReader& reader, int& iLimit) {
    const Token* pToken = reader.Peek();
    if (pToken == nullptr || pToken->kind != TokenKind::kNumber ||
        pToken->text.find(':') != std::string_view::npos) {
        return reader.Fail("expected minutes (0 to 1440), found " + reader.Found());
    }
    if (pToken->text.size() > 4 || std::stoi(std::string(pToken->text)) > kMinutesPerDay) {
        return reader.Fail("a limit of " + Cut(pToken->text) +
                           " minutes is more than a day (1440)");
    }
    iLimit = std::stoi(std::string(pToken->text));
    reader.Next();
    return true;
}

// One clause into rules; false with the reader's fault.
bool ReadClause(CClauseReader& reader, TimeRules& rules) {
    const Token* pKeyword = reader.Next();
    const bool bAllow = pKeyword->kind == TokenKind::kWord && EqualsLower(pKeyword->text, "allow");
    const bool bLimit = pKeyword->kind == TokenKind::kWord && EqualsLower(pKeyword->text, "limit");
    if (!bAllow && !bLimit) {
        return reader.Fail("expected \"allow\" or \"limit\", found \"" + Cut(pKeyword->text) +
                           "\"");
    }
    std::array<bool, TimeRules::kDays> days{};
    if (!ReadDays(reader, days)) {
        return false;
    }
    TimeRulesDay allowed{};
    int iLimit = 0;
    if (bAllow) {
        const Token* pToken = reader.Peek();
        if (pToken != nullptr && pToken->kind == TokenKind::kWord &&
            EqualsLower(pToken->text, "none")) {
            reader.Next();
            allowed.allow = TimeRulesDay::kNone;
        } else if (!ReadPeriods(reader, allowed)) {
            return false;
        }
    } else if (!ReadLimit(reader, iLimit)) {
        return false;
    }
    if (!reader.AtEnd()) {
        return reader.Fail("unexpected " + reader.Found() + " after the clause");
    }
    for (int i = 0; i < TimeRules::kDays; ++i) {
        TimeRulesDay& day = rules.days[i];
        if (!days[static_cast<std::size_t>(i)]) {
            continue;
        }
        if (bAllow) {
            const std::int16_t iKeep = day.limit;
            day = allowed;
            day.limit = iKeep;
        } else {
            day.limit = static_cast<std::int16_t>(iLimit);
        }
    }
    return true;
}

std::string Quoted(std::string_view clause) {
    return Cut(TrimAscii(clause));
}

}  // namespace

TimeRules TimeRules::None() noexcept {
    TimeRules rules{};
    for (TimeRulesDay& day : rules.days) {
        day.limit = TimeRulesDay::kNoLimit;
    }
    return rules;
}

bool TimeRules::Empty() const noexcept {
    return std::all_of(std::begin(days), std::end(days), [](const TimeRulesDay& day) {
        return day.allow == TimeRulesDay::kAllDay && day.limit == TimeRulesDay::kNoLimit;
    });
}

std::string_view DayName(int iDay) noexcept {
    return iDay >= 0 && iDay < TimeRules::kDays ? kDayNames[static_cast<std::size_t>(iDay)] : "";
}

std::string MinuteText(int iMinute) {
    const int iHours = iMinute / 60;
    const int iMinutes = iMinute % 60;
    std::string text;
    text += static_cast<char>('0' + iHours / 10);
    text += static_cast<char>('0' + iHours % 10);
    text += ':';
    text += static_cast<char>('0' + iMinutes / 10);
    text += static_cast<char>('0' + iMinutes % 10);
    return text;
}

TimeRulesParse ParseTimeRules(std::string_view text) {
    TimeRulesParse result;
    if (text.size() > kMaxTimeRulesText) {
        result.fault =
            "the rules are longer than " + std::to_string(kMaxTimeRulesText) + " characters";
        return result;
    }
    int iClause = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of(";\n", start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view clause = text.substr(start, end - start);
        start = end + 1;
        CClauseReader reader(Tokenize(clause));
        if (reader.AtEnd()) {
            continue;  // blank lines and a last ';'
        }
        ++iClause;
        if (!ReadClause(reader, result.rules)) {
            result.fault = "clause " + std::to_string(iClause) + " (\"" + Quoted(clause) +
                           "\"): " + reader.Fault();
            result.rules = TimeRules::None();
            return result;
        }
    }
    result.ok = true;
    return result;
}
