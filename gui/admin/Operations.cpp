#include "gui/admin/Operations.h"

#include <windows.h>

#include <cstring>
#include <utility>

#include "Api/PolicyApi.h"
#include "gui/app/GuiLog.h"
#include "gui/controls/CheckButtonList.h"
#include "gui/framework/Controls.h"

namespace {

void Log(const std::string& strText, signed char iLevel) {
    gGuiLog.Write(strText, iLevel);
}

std::string IndexLine(size_t nIndex, const std::string& strValue) {
    return "index=" + std::to_string(nIndex) + " Length=" + std::to_string(strValue.size()) +
           " Value=" + strValue;
}

enum class Sent { kYes, kNotBuilt, kRefused };

// A list record of our own, its blocks from the page allocator, released when it goes.
class CListRecord {
public:
    CListRecord() = default;
    CListRecord(const CListRecord&) = delete;
    CListRecord& operator=(const CListRecord&) = delete;
    ~CListRecord() { FreeList(&m_list, m_count); }

    // False when a block could not be had; szNoMemory is logged for a string's block.
    bool Build(const std::vector<std::string>& entries, const char* szNoMemory) {
        const int count = static_cast<int>(entries.size());
        if (count > 0 && !AllocList(&m_list, count)) {
            return false;
        }
        m_count = count;
        for (int i = 0; i < count; ++i) {
            const std::string& strEntry = entries[static_cast<size_t>(i)];
            void* pBlock = ::VirtualAlloc(nullptr, strEntry.size() + 1, MEM_COMMIT, PAGE_READWRITE);
            if (pBlock == nullptr) {
                Log(szNoMemory, 1);
                return false;
            }
            std::memcpy(pBlock, strEntry.c_str(), strEntry.size() + 1);
            m_list[i] = static_cast<char*>(pBlock);
        }
        return true;
    }

    // The library reads the record through these; its copy of the count is its own.
    char*** List() noexcept { return &m_list; }
    int* Count() noexcept {
        m_countPassed = m_count;
        return &m_countPassed;
    }

private:
    char** m_list = nullptr;
    int m_count = 0;
    int m_countPassed = 0;
};

// Builds one record from entries and hands it to send(list, count).
template <class Send>
Sent SendList(const std::vector<std::string>& entries, const char* szNoMemory, Send send) {
    CListRecord record;
    if (!record.Build(entries, szNoMemory)) {
        return Sent::kNotBuilt;
    }
    return send(record.List(), record.Count()) != 0 ? Sent::kYes : Sent::kRefused;
}

// One list read from the library into entries (replaced only when the read succeeded),
// leaving out those `leaveOut` names.
template <class Read, class LeaveOut>
bool ReadList(Read read, std::vector<std::string>& entries, LeaveOut leaveOut) {
    char** list = nullptr;
    int count = 0;
    if (read(&list, &count) == 0) {
        return false;
    }
    entries.clear();
    for (int i = 0; list != nullptr && i < count; ++i) {
        if (list[i] != nullptr && !leaveOut(list[i])) {
            entries.emplace_back(list[i]);
        }
    }
    FreeListMemory(&list, &count);
    return true;
}

bool KeepAll(const char*) {
    return false;
}

void LogIndexLines(const std::vector<std::string>& entries) {
    for (size_t i = 0; i < entries.size(); ++i) {
        Log(IndexLine(i, entries[i]), 4);
    }
}

}  // namespace

int WriteIP(CProfileEditState& state) {
    Log("Operations :: WriteIP", 1);
    const char* szProfile = state.profileName;
    for (const int iAllowed : {1, 0}) {
        const Sent sent = SendList(
            iAllowed ? state.allowedIPs : state.blockedIPs,
            "Operations :: Memory allocation failed",
            [&](char*** list, int* count) { return SetIPList(szProfile, iAllowed, list, count); });
        if (sent == Sent::kRefused) {
            Log(std::string(iAllowed ? "Operations :: SetIPList TRUE Failed"
                                     : "Operations :: SetIPList FALSE Failed") +
                    GetLastErrorMessage(),
                1);
        }
        if (sent != Sent::kYes) {
            return 0;
        }
    }
    return 1;
}

int WriteURL(CProfileEditState& state) {
    Log("Operations :: WriteURL", 1);
    const char* szProfile = state.profileName;
    const auto send = [&](const std::vector<std::string>& entries, int iAllowed) {
        LogIndexLines(entries);
        return SendList(entries, "Memory allocation failed", [&](char*** list, int* count) {
            return SetURLList(szProfile, iAllowed, list, count);
        });
    };
    Sent sent = send(state.allowedURLs, 1);
    if (sent == Sent::kRefused) {
        Log("SetURLList TRUE Failed", 1);
        Log(GetLastErrorMessage(), 1);
    }
    if (sent != Sent::kYes) {
        return 0;
    }
    Log("After SetURLList", 4);
    sent = send(state.blockedURLs, 0);
    if (sent == Sent::kRefused) {
        Log(std::string("SetURLList FALSE Failed : ") + GetLastErrorMessage(), 1);
    }
    return sent == Sent::kYes ? 1 : 0;
}

int WriteWord(CProfileEditState& state) {
    Log("WriteWord", 1);
    std::vector<std::string> selectedWords;
    for (const int32_t key : state.selectedWordKeys) {
        const auto found = state.words.find(key);
        if (found != state.words.end()) {
            selectedWords.push_back(found->second);
        }
    }
    const char* szProfile = state.profileName;
    const Sent sent =
        SendList(selectedWords, "Memory allocation failed",
                 [&](char*** list, int* count) { return SetWordList(szProfile, list, count); });
    if (sent == Sent::kRefused) {
        Log("SetWordList Failed", 1);
        Log(GetLastErrorMessage(), 1);
    }
    return sent == Sent::kYes ? 1 : 0;
}

int WriteCategory(CProfileEditState& state) {
    LogIndexLines(state.selectedCategories);
    const char* szProfile = state.profileName;
    const Sent sent =
        SendList(state.selectedCategories, "Memory allocation failed",
                 [&](char*** list, int* count) { return SetCategoryList(szProfile, list, count); });
    if (sent == Sent::kRefused) {
        Log("SetCategoryList Failed", 1);
        Log(GetLastErrorMessage(), 1);
    }
    return sent == Sent::kYes ? 1 : 0;
}

int WriteTime(CProfileEditState& state) {
    if (!state.timeRulesChanged) {
        return 1;
    }
    Log("WriteTime", 1);
    if (SetTimeRules(state.profileName, state.timeRules.c_str()) == 0) {
        Log(std::string("SetTimeRules Failed : ") + GetLastErrorMessage(), 1);
        return 0;
    }
    state.timeRulesChanged = false;
    return 1;
}

bool WriteProfileLists(CProfileEditState& state, bool bLogSteps) {
    bool bSaved = true;
    for (const auto& [write, szStep] :
         {std::pair{&WriteIP, "\tWriteIP"}, std::pair{&WriteURL, "\tWriteURL"},
          std::pair{&WriteWord, "\tWriteWord"}, std::pair{&WriteCategory, "\tWriteCategory"},
          std::pair{&WriteTime, "\tWriteTime"}}) {
        bSaved = write(state) == 1 && bSaved;
        if (bLogSteps) {
            Log(szStep, 1);
        }
    }
    return bSaved;
}

// A profile's allowed and blocked lists of one kind, through the library's getter (named in
// the log line when it fails).
static int ReadAllowedAndBlocked(const char* szProfile, int (*get)(const char*, int, char***, int*),
                                 const char* szGetter, std::vector<std::string>& allowed,
                                 std::vector<std::string>& blocked) {
    for (const int iAllowed : {1, 0}) {
        const auto read = [&](char*** list, int* count) {
            return get(szProfile, iAllowed, list, count);
        };
        if (!ReadList(read, iAllowed ? allowed : blocked, KeepAll)) {
            Log(std::string("Operations :: ") + szGetter + " Failed:" + GetLastErrorMessage(), 1);
            return 0;
        }
    }
    return 1;
}

int ReadURLLists(CProfileEditState& state) {
    return ReadAllowedAndBlocked(state.profileName, GetURLList, "GetURLList", state.allowedURLs,
                                 state.blockedURLs);
}

static int ReadIPLists(CProfileEditState& state) {
    return ReadAllowedAndBlocked(state.profileName, GetIPList, "GetIPList", state.allowedIPs,
                                 state.blockedIPs);
}

static int ReadWords(CProfileEditState& state) {
    std::vector<std::string> words;
    const auto read = [&](char*** list, int* count) {
        return GetWordList(state.profileName, list, count);
    };
    if (!ReadList(read, words, KeepAll)) {
        Log(std::string("Operations :: GetWordList Failed:") + GetLastErrorMessage(), 1);
        return 0;
    }
    state.words.clear();
    state.selectedWordKeys.clear();
    for (std::string& strWord : words) {
        state.selectedWordKeys.push_back(nextWordKey);
        state.words.emplace(nextWordKey++, std::move(strWord));
    }
    return 1;
}

void ReadProfile(CProfileEditState& state) {
    ReadURLLists(state);
    ReadIPLists(state);
    ReadWords(state);
    ReadCategories(state);
    ReadTimeRules(state);
}

int ReadCategories(CProfileEditState& state) {
    // "Null" stands for sites of no known category: blocked by default, never offered.
    const auto isNull = [](const char* szName) { return _stricmp(szName, "Null") == 0; };
    if (!ReadList(GetAllCategory, state.allCategories, isNull)) {
        Log("Operations :: GetAllCatgory Failed", 1);
        return 0;
    }
    const char* szProfile = state.profileName;
    const auto read = [&](char*** list, int* count) {
        return GetCategoryList(szProfile, list, count);
    };
    if (!ReadList(read, state.selectedCategories, KeepAll)) {
        Log(std::string("Operations :: GetCategoryList Failed:") + GetLastErrorMessage(), 1);
        return 0;
    }
    return 1;
}

int ReadTimeRules(CProfileEditState& state) {
    state.timeRules.clear();
    state.timeRulesChanged = false;
    std::string strText(TIME_RULES_TEXT_SIZE, '\0');
    if (GetTimeRules(state.profileName, strText.data(), static_cast<int>(strText.size())) == 0) {
        Log(std::string("Operations :: GetTimeRules Failed:") + GetLastErrorMessage(), 1);
        return 0;
    }
    strText.resize(std::strlen(strText.c_str()));
    state.timeRules = std::move(strText);
    return 1;
}

void FillListBox(CListBox& list, const std::vector<std::string>& entries) {
    Log("Operations :: FillListBox", 1);
    for (const std::string& strEntry : entries) {
        list.AddString(strEntry);
    }
}

void FillStringList(std::vector<std::string>& entries, const CListBox& list) {
    Log("Operations :: FillStringList", 1);
    entries.clear();
    const int nCount = list.GetCount();
    for (int i = 0; i < nCount; ++i) {
        entries.push_back(list.GetText(i));
    }
}

void FillCheckList(CCheckButtonList& list, const std::vector<std::string>& entries) {
    Log("Operations :: FillListBox", 1);
    for (const std::string& strEntry : entries) {
        list.AddItem(strEntry);
    }
}

bool AllocList(char*** pList, int count) {
    // Room for the platform's pointers, whatever their width.
    const size_t nBytes = static_cast<size_t>(count > 0 ? count : 0) * sizeof(char*);
    *pList = static_cast<char**>(::VirtualAlloc(nullptr, nBytes, MEM_COMMIT, PAGE_READWRITE));
    if (*pList == nullptr) {
        Log("Operations :: VirtualAlloc failed", 1);
        return false;
    }
    return true;
}

bool FreeList(char*** pList, int count) {
    if (*pList == nullptr) {
        return true;
    }
    // A record whose building stopped half way holds null blocks past that point.
    for (int i = 0; i < count; ++i) {
        if ((*pList)[i] != nullptr && !::VirtualFree((*pList)[i], 0, MEM_RELEASE)) {
            Log("Operations :: VirtualFree failed", 1);
            return false;
        }
    }
    if (!::VirtualFree(*pList, 0, MEM_RELEASE)) {
        Log("Operations :: VirtualFree failed", 1);
        return false;
    }
    *pList = nullptr;
    return true;
}
