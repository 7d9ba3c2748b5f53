// The rule set of the profile in force: when to reload it from the policy library into the
// shared state, and the word and category tests against it.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

class FilterRule {
public:
    FilterRule() = default;
    virtual ~FilterRule() = default;

    // True when a reload is due; the profile name, folder and category server are then
    // already refreshed, and the caller loads the lists with GetFilterRules.
    bool IsUpdateRequire();
    bool GetFilterRules();
    bool SetUpdateRequire(std::uint8_t flag);
    // The profile whose rules the last reload read, its name whole.
    const std::string& Profile() const { return m_strProfile; }

    // Lower-cases url in place (ASCII letters), then tests the allowed words and the blocked
    // words; szWord (1025 bytes) receives the word that matched. An allowed word wins, and
    // sets allowed.
    bool IsURLWordBlocked(std::string& url, char* szWord, std::uint8_t& allowed);
    bool IsURLWordInList(const std::string& url, char* szWord, int iAllowedTable);
    bool IsCategoryBlocked(const char* szCategory);
    bool IsCategoryInList(const char* szCategory);
    void DumpFilterRules();

private:
    // Whether the global category list holds szCategory: from the copy taken at this
    // process's last reload, or from the policy library when it has none.
    bool IsKnownCategory(const char* szCategory);
    void LoadKnownCategories();

    std::uint8_t rulesLoaded = 0;
    // The profile name as the library gave it: the shared copy holds only 20 characters, and
    // a cut name would read another profile's lists.
    std::string m_strProfile = "Default";
    // Asking the library reads and verifies the whole settings file, several milliseconds a
    // lookup; the list changes only with a policy change, which also requests a reload.
    std::mutex m_knownLock;
    std::vector<std::string> m_knownCategories;
    bool m_bKnownCategories = false;
};

// The process's rule object.
FilterRule& TheFilterRule();
