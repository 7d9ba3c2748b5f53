#include "filter/core/FilterRule.h"

#include <winsock2.h>
#include <windows.h>

#include <cstring>
#include <exception>

#include "Api/PolicyApi.h"
#include "base/portable/Ascii.h"
#include "filter/core/SharedFilterState.h"
#include "filter/core/portable/FilterLog.h"
#include "filter/core/portable/HttpRequest.h"

namespace {

constexpr char kException[] = "XXXXXX Exception XXXXXX\n";

void CopyBounded(char* pOut, std::size_t nSize, const char* szText) {
    const std::size_t n = strnlen(szText, nSize - 1);
    std::memcpy(pOut, szText, n);
    pOut[n] = '\0';
}

// Reads one of the profile's lists into a shared table; false when the library fails.
template <class GetList>
bool LoadTable(const CRuleTable& table, GetList&& getList) {
    char** list = nullptr;
    int count = 0;
    if (!getList(&list, &count)) {
        return false;
    }
    table.Fill(list, count > 0 ? static_cast<std::size_t>(count) : 0);
    FreeListMemory(&list, &count);
    return true;
}

// "TLVServer2", or none when it is missing or not an address.
void ReadSecondServer() {
    char szAddress[16] = {};
    int iPort = 0;
    unsigned long ulAddress = INADDR_NONE;
    if (GetTLVServer2(szAddress, &iPort) == 1) {
        szAddress[sizeof szAddress - 1] = '\0';
        ulAddress = ::inet_addr(szAddress);
    }
    if (ulAddress == INADDR_NONE) {
        SetSecondCategoryServer(0, 0);
        return;
    }
    SetSecondCategoryServer(static_cast<std::uint32_t>(ulAddress), iPort);
}

void DumpTable(const char* szTitle, const CRuleTable& table) {
    IFilterLog& log = FilterLog();
    log.Log(szTitle, 2);
    for (std::size_t i = 0; i < table.Size() && table.Entry(i)[0] != '\0'; ++i) {
        log.Trace(2, "\t%2d-%s", static_cast<int>(i), table.Entry(i));
    }
}

}  // namespace

FilterRule& TheFilterRule() {
    static FilterRule s_rule;
    return s_rule;
}

bool FilterRule::IsUpdateRequire() {
    FilterLog().Log("FilterRule :: IsUpdateRequire", 2);
    bool bReload = false;
    try {
        TheSharedState().filterOff = GetFilterOff() == 1 ? 1 : 0;
        bReload = ::IsUpdateRequire() == 1;
    } catch (const std::exception&) {
        FilterLog().Log(kException, 1);
        bReload = false;
    }
    FilterLog().Log(TheSharedState().filterOff ? "FilterRule :: Filtering is Off"
                                               : "FilterRule :: Filtering is On",
                    2);
    // The sole process with the filter loaded must load the rules once, flag or not.
    if (!bReload && !(ProcessCount() == 1 && rulesLoaded == 0)) {
        return false;
    }

    char szAddress[16] = {};
    try {
        char szUser[LOGGED_IN_NAME_SIZE + 1] = {};
        m_strProfile = GetCurrentUser(szUser) ? szUser : "Default";
        CopyBounded(TheSharedState().currentUser, sizeof TheSharedState().currentUser,
                    m_strProfile.c_str());

        char szPath[1024] = {};
        if (!GetApplicationPath(szPath)) {
            FilterLog().Log("FilterRule :: GetApplicationPath Failed", 1);
            szPath[0] = '\0';
        }
        CopyBounded(TheSharedState().applicationPath, sizeof TheSharedState().applicationPath,
                    szPath);

        int iPort = 0;
        if (!GetTLVServerIP(szAddress, &iPort)) {
            FilterLog().Log("FilterRule :: GetTLVServerIP Failed", 1);
            std::memset(szAddress, 0, sizeof szAddress);
        }
        TheSharedState().categoryServerPort = iPort;
        SetSharedSwitches(GetStrictFilter() == 1, GetTLVTimeout());
        ReadSecondServer();
        SetCategoryCacheSeconds(GetCategoryCacheSeconds());
    } catch (const std::exception&) {
        FilterLog().Log(kException, 1);
    }
    szAddress[sizeof szAddress - 1] = '\0';
    const unsigned long ulAddress = ::inet_addr(szAddress);
    if (ulAddress == INADDR_NONE) {
        FilterLog().Log("FilterRule :: Failed to get correct TLVServerIP", 1);
        TheSharedState().categoryServerAddress = 0;
    } else {
        TheSharedState().categoryServerAddress = static_cast<std::uint32_t>(ulAddress);
    }
    rulesLoaded = 1;
    return true;
}

bool FilterRule::GetFilterRules() {
    FilterLog().Log("FilterRule :: GetFilterRules", 1);
    try {
        const char* szUser = m_strProfile.c_str();
        if (!LoadTable(TheSharedState().AllowedWords(),
                       [&](char*** l, int* c) { return GetURLList(szUser, 1, l, c); })) {
            return false;
        }
        FilterLog().Log("Allow URL list complete", 4);
        if (!LoadTable(TheSharedState().BlockedWords(),
                       [&](char*** l, int* c) { return GetURLList(szUser, 0, l, c); })) {
            return false;
        }
        FilterLog().Log("Block URL list complete", 4);
        if (!LoadTable(TheSharedState().BlockedCategories(),
                       [&](char*** l, int* c) { return GetCategoryList(szUser, l, c); })) {
            return false;
        }
        FilterLog().Log("Word Category list complete", 4);
        LoadKnownCategories();
        DumpFilterRules();
        FilterLog().Log("FilterRule :: GetFilterRules Finished", 3);
        return true;
    } catch (const std::exception&) {
        FilterLog().Log(kException, 1);
        return false;
    }
}

bool FilterRule::SetUpdateRequire(std::uint8_t flag) {
    FilterLog().Log("FilterRule :: SetUpdateRequire", 1);
    try {
        UpdateRequire(flag);
    } catch (const std::exception&) {
        FilterLog().Log(kException, 1);
    }
    return true;
}

void FilterRule::DumpFilterRules() {
    // Up to three thousand lines: built only when they will be written.
    if (!FilterLog().Enabled(2)) {
        return;
    }
    FilterLog().Log("+++++++++++++++++++++++++++", 2);
    DumpTable("Allowed URL word", TheSharedState().AllowedWords());
    DumpTable("Blocked URL word", TheSharedState().BlockedWords());
    DumpTable("Category", TheSharedState().BlockedCategories());
    FilterLog().Log("+++++++++++++++++++++++++++", 2);
}

bool FilterRule::IsURLWordBlocked(std::string& url, char* szWord, std::uint8_t& allowed) {
    FilterLog().Log("FilterRule :: IsURLWordBlocked", 1);
    allowed = 0;
    ToLowerAscii(url);
    if (IsURLWordInList(url, szWord, 1)) {
        allowed = 1;
        return true;
    }
    FilterLog().Log("FilterRule :: Search in Allow list complete", 4);
    if (IsURLWordInList(url, szWord, 0)) {
        return true;
    }
    FilterLog().Log("FilterRule :: Search in host complete for Block complete", 4);
    return false;
}

bool FilterRule::IsURLWordInList(const std::string& url, char* szWord, int iAllowedTable) {
    FilterLog().Log("FilterRule :: IsURLWordInList", 2);
    std::string lower = url;
    ToLowerAscii(lower);
    const CRuleTable table =
        iAllowedTable == 1 ? TheSharedState().AllowedWords() : TheSharedState().BlockedWords();
    IFilterLog& log = FilterLog();
    const bool bTrace = log.Enabled(3);
    const int iFound = table.FindWordIn(lower, [&](const char* szEntry) {
        if (bTrace) {
            log.Trace(3, "FilterRule :: IsURLWordInList: %s,%s", lower.c_str(), szEntry);
        }
    });
    if (iFound < 0) {
        return false;
    }
    CopyBounded(szWord, SharedFilterState::kWordSize,
                table.Entry(static_cast<std::size_t>(iFound)));
    return true;
}

void FilterRule::LoadKnownCategories() {
    char** list = nullptr;
    int count = 0;
    const bool bLoaded = GetAllCategory(&list, &count) != 0;
    std::vector<std::string> known;
    for (int i = 0; bLoaded && i < count; ++i) {
        known.emplace_back(list[i]);
    }
    FreeListMemory(&list, &count);
    const std::lock_guard<std::mutex> lock(m_knownLock);
    m_knownCategories = std::move(known);
    m_bKnownCategories = bLoaded;
}

bool FilterRule::IsKnownCategory(const char* szCategory) {
    {
        const std::lock_guard<std::mutex> lock(m_knownLock);
        if (m_bKnownCategories) {
            for (const std::string& strKnown : m_knownCategories) {
                if (strKnown == szCategory) {
                    return true;
                }
            }
            return false;
        }
    }
    return IsCategoryExists(szCategory) != 0;
}

bool FilterRule::IsCategoryInList(const char* szCategory) {
    FilterLog().Trace(2, "FilterRule :: IsCategoryInList : %s", szCategory);
    return TheSharedState().BlockedCategories().Contains(szCategory);
}

bool FilterRule::IsCategoryBlocked(const char* szCategory) {
    FilterLog().Log("FilterRule :: IsCategoryBlocked", 1);
    try {
        if (IsCategoryInList(szCategory)) {
            FilterLog().Log("FilterRule :: Category found to block", 2);
            return true;
        }
        if (!IsKnownCategory(szCategory)) {
            FilterLog().Trace(2,
                              "FilterRule :: %s Category is not present in our list So cosider "
                              "it as Null",
                              szCategory);
            if (IsCategoryInList("Null")) {
                FilterLog().Log("FilterRule :: Default block applied", 1);
                return true;
            }
        }
        FilterLog().Log("FilterRule :: Category is not blocked", 2);
        return false;
    } catch (const std::exception&) {
        FilterLog().Log(kException, 1);
        return false;
    }
}
