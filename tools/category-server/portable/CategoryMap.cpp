#include "tools/category-server/portable/CategoryMap.h"

#include <algorithm>

#include "tools/category-server/portable/ListText.h"

std::size_t CCategoryMap::Parse(std::string_view text) {
    std::size_t nSkipped = 0;
    ForEachLine(text, [&](std::string_view line) {
        if (line.empty() || line.front() == '#') {
            return;
        }
        const std::string_view listName = TakeField(line);
        for (std::size_t i = 1; i < line.size(); ++i) {
            if (line[i] == '#' && IsAsciiBlank(line[i - 1])) {
                line = TrimAscii(line.substr(0, i));
                break;
            }
        }
        if (line.empty() || m_products.count(std::string(listName)) != 0) {
            ++nSkipped;
            return;
        }
        auto it = std::find(m_ranked.begin(), m_ranked.end(), line);
        if (it == m_ranked.end()) {
            it = m_ranked.insert(m_ranked.end(), std::string(line));
        }
        m_products.emplace(listName, static_cast<std::size_t>(it - m_ranked.begin()));
    });
    return nSkipped;
}

std::string_view CCategoryMap::ProductName(std::string_view listName) const {
    const auto it = m_products.find(std::string(listName));
    return it == m_products.end() ? listName : std::string_view(m_ranked[it->second]);
}
