#include "filter/core/portable/RuleTable.h"

#include <cstring>

#include "base/portable/Ascii.h"

void CRuleTable::Fill(const char* const* texts, std::size_t count) const {
    std::size_t n = 0;
    for (std::size_t i = 0; i < count && n < m_nEntries; ++i) {
        if (texts[i] == nullptr || texts[i][0] == '\0') {
            continue;
        }
        const std::size_t nLength = strnlen(texts[i], m_nEntrySize - 1);
        std::memcpy(Entry(n), texts[i], nLength);
        Entry(n)[nLength] = '\0';
        ++n;
    }
    for (; n < m_nEntries; ++n) {
        Entry(n)[0] = '\0';
    }
}

void CRuleTable::LowerInPlace(char* pText, std::size_t nLength) {
    for (std::size_t i = 0; i < nLength; ++i) {
        pText[i] = LowerAscii(pText[i]);
    }
}

bool CRuleTable::Contains(std::string_view category) const {
    for (std::size_t i = 0; i < m_nEntries; ++i) {
        const std::string_view entry = Text(i);
        if (entry.empty()) {
            break;
        }
        if (category == entry) {
            return true;
        }
    }
    return false;
}
