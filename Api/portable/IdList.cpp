#include "Api/portable/IdList.h"

#include <climits>

int ParseDecimal(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) {
        ++pos;
    }
    bool bNegative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
        bNegative = text[pos++] == '-';
    }
    long long value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        value = value * 10 + (text[pos] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            value = static_cast<long long>(INT_MAX) + 1;
        }
    }
    if (bNegative) {
        value = -value;
    }
    if (value > INT_MAX) {
        return INT_MAX;
    }
    return static_cast<int>(value);
}

std::vector<int> ParseIdList(std::string_view text) {
    std::vector<int> ids;
    size_t start = 0;
    for (size_t comma = text.find(','); comma != std::string_view::npos;
         comma = text.find(',', start)) {
        ids.push_back(ParseDecimal(text.substr(start, comma - start)));
        start = comma + 1;
    }
    return ids;
}

std::string FormatIdList(const std::vector<int>& ids) {
    std::string text;
    for (const int id : ids) {
        text += std::to_string(id);
        text += ',';
    }
    return text + "-1";
}

std::vector<std::string> SplitCategoryLine(std::string_view line) {
    std::vector<std::string> names;
    size_t start = 0;
    while (start <= line.size()) {
        size_t end = line.find(',', start);
        if (end == std::string_view::npos) {
            end = line.size();
        }
        if (end > start) {
            names.emplace_back(line.substr(start, end - start));
        }
        start = end + 1;
    }
    return names;
}
