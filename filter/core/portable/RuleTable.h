// The filter's rule tables: fixed arrays of NUL-terminated entries, used from index 0 up to
// the first empty entry, as they live in the memory every filtering process shares.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

class CRuleTable {
public:
    // nEntries entries of nEntrySize bytes each (room for nEntrySize - 1 characters).
    CRuleTable(char* pEntries, std::size_t nEntries, std::size_t nEntrySize)
        : m_pEntries(pEntries), m_nEntries(nEntries), m_nEntrySize(nEntrySize) {}

    char* Entry(std::size_t i) const { return m_pEntries + i * m_nEntrySize; }
    // The entry's text, never past the entry: the tables live in memory that any process of
    // the session may write, terminator or not.
    std::string_view Text(std::size_t i) const {
        return {Entry(i), strnlen(Entry(i), m_nEntrySize - 1)};
    }
    std::size_t Size() const { return m_nEntries; }

    // Copies texts[0..count) in order, each cut to fit, at most Size() of them; empty texts
    // are skipped (an empty entry would end the list); every later entry is emptied.
    void Fill(const char* const* texts, std::size_t count) const;

    // The index of the first entry that occurs in lowerUrl, or -1. Entries are lower-cased
    // in place as they are compared, so stored words become lower case once seen.
    int FindWordIn(std::string_view lowerUrl) const {
        return FindWordIn(lowerUrl, [](const char*) {});
    }
    // The same, calling onEntry with each entry before it is compared.
    template <class F>
    int FindWordIn(std::string_view lowerUrl, F&& onEntry) const {
        for (std::size_t i = 0; i < m_nEntries; ++i) {
            char* pEntry = Entry(i);
            onEntry(static_cast<const char*>(pEntry));
            const std::string_view entry = Text(i);
            if (entry.empty()) {
                break;
            }
            LowerInPlace(pEntry, entry.size());
            if (lowerUrl.find(entry) != std::string_view::npos) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    // Whether an entry equals category exactly.
    bool Contains(std::string_view category) const;

private:
    static void LowerInPlace(char* pText, std::size_t nLength);

    char* m_pEntries;
    std::size_t m_nEntries;
    std::size_t m_nEntrySize;
};
