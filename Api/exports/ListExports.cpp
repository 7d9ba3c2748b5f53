// Policy lists, the word map and the category file.
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <string>

#include "Api/ChangeGuard.h"
#include "Api/Library.h"
#include "Api/ListRecord.h"
#include "Api/PolicyApi.h"
#include "Api/portable/Crypto.h"
#include "Api/portable/ErrorCodes.h"
#include "Api/portable/IdList.h"

namespace {

constexpr char kCategoryFile[] = "C:\\pellorlsp\\output\\category.txt";

bool ValidRecord(char*** list, const int* count) {
    return list != nullptr && count != nullptr;
}

// A Get call releases a list it is handed back before filling it anew.
void ReleaseIncoming(char*** list, int* count) {
    if (*list != nullptr) {
        ReleaseListRecord(*list, *count);
        *list = nullptr;
    }
    *count = 0;
}

// The entry of every per-user list export: its log line, for a setter the rule of who may
// change the settings, the record check (no record at all is a caller's mistake, not an
// empty list) and the user's id; 0 when the call must fail.
int ListExportUser(const char* szLog, const char* szUser, char*** list, int* count,
                   const char* szSetter = nullptr) {
    LogApi(szLog);
    if (szSetter != nullptr && !MayChange(szSetter)) {
        return 0;
    }
    if (!ValidRecord(list, count)) {
        SetLastErrorCode(ERR_FAILURE);
        return 0;
    }
    const int iId = LookUpUser(szUser);
    if (iId == 0) {
        LogApiFailure();
    }
    return iId;
}

int GetUserListExport(const char* szLog, const char* szUser, const char* szKey, char*** list,
                      int* count) {
    const int iId = ListExportUser(szLog, szUser, list, count);
    if (iId == 0) {
        return 0;
    }
    TextList values;
    if (!Store()->GetUserList(iId, szKey, values)) {
        LogApiFailure();
        return 0;
    }
    if (!MakeListRecord(values, list, count)) {
        LogApi("DataStore:: Memory allocation failed", 1);
        return 0;
    }
    SetLastErrorCode(ERR_SUCCESS);
    return 1;
}

int SetUserListExport(const char* szExport, const char* szLog, const char* szUser,
                      const char* szKey, char*** list, int* count) {
    const int iId = ListExportUser(szLog, szUser, list, count, szExport);
    if (iId == 0) {
        return 0;
    }
    if (!Store()->WriteListValues(iId, szKey, ReadListRecord(list, count))) {
        LogApiFailure();
        return 0;
    }
    return 1;
}

int GetAllExport(const char* szSection, char*** list, int* count) {
    if (!ValidRecord(list, count)) {
        SetLastErrorCode(ERR_FAILURE);
        return 0;
    }
    *list = nullptr;
    *count = 0;
    TextList values;
    if (Store() == nullptr || !Store()->GetAllValues(szSection, values)) {
        LogApiFailure();
        return 0;
    }
    if (!MakeListRecord(values, list, count)) {
        LogApi("DataStore:: Memory allocation failed", 1);
        return 0;
    }
    return 1;
}

const char* AllowedKey(int iAllowed, const char* szAllowed, const char* szBlocked) {
    return iAllowed != 0 ? szAllowed : szBlocked;
}

// Replaces the live elements of a global section with `texts`: ids of texts already there are
// kept, new texts are added, and elements whose text is not among them are deleted.
std::vector<int> ReplaceSection(CDataStore& store, const char* szSection, const TextList& texts,
                                bool& bOk) {
    std::vector<int> ids;
    CDataStore::TextMap known;
    bOk = store.GetAllValues(szSection, known) != 0;
    for (size_t i = 0; bOk && i < texts.size(); ++i) {
        const auto found = known.find(texts[i]);
        const int iId = found != known.end() ? found->second
                                             : store.AddElementToList(szSection, texts[i].c_str());
        bOk = iId != 0;
        ids.push_back(iId);
    }
    if (!bOk || !store.GetAllValues(szSection, known)) {
        bOk = false;
        return ids;
    }
    const std::set<std::string> wanted(texts.begin(), texts.end());
    for (const auto& [strText, iId] : known) {
        if (wanted.count(strText) == 0) {
            store.DeleteElement(szSection, iId);
        }
    }
    return ids;
}

}  // namespace

extern "C" int GetIPList(const char* szUser, int iAllowed, char*** list, int* count) {
    return Guarded(0, [&] {
        if (ValidRecord(list, count)) {
            ReleaseIncoming(list, count);
        }
        return GetUserListExport("API :: GetIPList", szUser, AllowedKey(iAllowed, "AIP", "BIP"),
                                 list, count);
    });
}

extern "C" int GetURLList(const char* szUser, int iAllowed, char*** list, int* count) {
    return Guarded(0, [&] {
        if (count != nullptr) {
            *count = 0;
        }
        return GetUserListExport("API :: GetURLList", szUser, AllowedKey(iAllowed, "AURL", "BURL"),
                                 list, count);
    });
}

extern "C" int GetWordCatList(const char* szUser, char*** list, int* count) {
    return Guarded(0, [&] {
        if (ValidRecord(list, count)) {
            ReleaseIncoming(list, count);
        }
        return GetUserListExport("API :: GetWordCatList", szUser, "WCAT", list, count);
    });
}

extern "C" int GetWordList(const char* szUser, char*** list, int* count) {
    return Guarded(0, [&] {
        if (ValidRecord(list, count)) {
            ReleaseIncoming(list, count);
        }
        return GetUserListExport("API :: GetWordList", szUser, "WORD", list, count);
    });
}

extern "C" int GetCategoryList(const char* szUser, char*** list, int* count) {
    return Guarded(0, [&] {
        if (ValidRecord(list, count)) {
            ReleaseIncoming(list, count);
        }
        return GetUserListExport("API :: GetCategoryList", szUser, "CAT", list, count);
    });
}

extern "C" int SetIPList(const char* szUser, int iAllowed, char*** list, int* count) {
    return GuardedWrite(0, [&] {
        return SetUserListExport("SetIPList", "API::SetIPList", szUser,
                                 AllowedKey(iAllowed, "AIP", "BIP"), list, count);
    });
}

extern "C" int SetURLList(const char* szUser, int iAllowed, char*** list, int* count) {
    return GuardedWrite(0, [&] {
        return SetUserListExport("SetURLList", "API::SetURLList", szUser,
                                 AllowedKey(iAllowed, "AURL", "BURL"), list, count);
    });
}

extern "C" int SetWordCatList(const char* szUser, char*** list, int* count) {
    return GuardedWrite(0, [&] {
        return SetUserListExport("SetWordCatList", "API::SetWCatList", szUser, "WCAT", list, count);
    });
}

extern "C" int SetWordList(const char* szUser, char*** list, int* count) {
    return GuardedWrite(0, [&] {
        return SetUserListExport("SetWordList", "API::SetwordList", szUser, "WORD", list, count);
    });
}

extern "C" int SetCategoryList(const char* szUser, char*** list, int* count) {
    return GuardedWrite(0, [&] {
        return SetUserListExport("SetCategoryList", "API::SetCategoryList", szUser, "CAT", list,
                                 count);
    });
}

extern "C" int GetAllIP(char*** list, int* count) {
    return Guarded(0, [&] { return GetAllExport("IP", list, count); });
}

extern "C" int GetAllURL(char*** list, int* count) {
    return Guarded(0, [&] { return GetAllExport("URL", list, count); });
}

extern "C" int GetAllWordCat(char*** list, int* count) {
    return Guarded(0, [&] { return GetAllExport("WCAT", list, count); });
}

extern "C" int GetAllWord(char*** list, int* count) {
    return Guarded(0, [&] { return GetAllExport("WORD", list, count); });
}

extern "C" int GetAllCategory(char*** list, int* count) {
    return Guarded(0, [&] { return GetAllExport("CAT", list, count); });
}

extern "C" int GetAllMap(int** map, int* count) {
    return Guarded(0, [&] {
        if (map == nullptr || count == nullptr) {
            SetLastErrorCode(ERR_FAILURE);
            return 0;
        }
        *map = nullptr;
        *count = 0;
        TextList values;
        if (Store() == nullptr || !Store()->GetAllValues(kMapSection, values)) {
            LogApiFailure();
            return 0;
        }
        if (values.empty()) {
            return 1;
        }
        auto* pMap = static_cast<int*>(::GlobalAlloc(GPTR, values.size() * sizeof(int)));
        if (pMap == nullptr) {
            LogApi("DataStore:: Memory allocation failed", 1);
            return 0;
        }
        for (size_t i = 0; i < values.size(); ++i) {
            pMap[i] = ParseDecimal(values[i]);
        }
        *map = pMap;
        *count = static_cast<int>(values.size());
        return 1;
    });
}

extern "C" int GetAllCatAndWord(char*** cats, char*** words, int** map, int* catCount,
                                int* wordCount) {
    return Guarded(0, [&] {
        LogApi("API :: GetAllCatAndWord");
        int nMap = 0;
        if (!GetAllWordCat(cats, catCount) || !GetAllWord(words, wordCount) ||
            !GetAllMap(map, &nMap)) {
            return 0;
        }
        if (nMap != *wordCount) {
            LogApi("API :: GetAllCatAndWord : map and word counts differ", 1);
            return 0;
        }
        // From category element ids to indexes into `cats`.
        for (int i = 0; i < nMap; ++i) {
            std::string strCategory;
            if (!Store()->ReadValue("WCAT", std::to_string((*map)[i]).c_str(), strCategory,
                                    CCrypto::kMaxClearLength)) {
                LogApi("API :: GetAllCatAndWord : category of a word not found", 1);
                return 0;
            }
            const auto* pFound = std::find_if(*cats, *cats + *catCount,
                                              [&](const char* s) { return strCategory == s; });
            if (pFound == *cats + *catCount) {
                LogApi("API :: GetAllCatAndWord : category of a word not found", 1);
                return 0;
            }
            (*map)[i] = static_cast<int>(pFound - *cats);
        }
        return 1;
    });
}

extern "C" int SetAllCatAndWord(char*** cats, char*** words, int** map, int* catCount,
                                int* wordCount) {
    return GuardedWrite(0, [&] {
        LogApi("API :: SetAllCatAndWordList");
        if (!MayChange("SetAllCatAndWord")) {
            return 0;
        }
        if (cats == nullptr || *cats == nullptr) {
            LogApi("API :: Cat is NULL", 1);
            return 0;
        }
        if (map == nullptr || *map == nullptr) {
            LogApi("API :: Map is NULL", 1);
            return 0;
        }
        CDataStore* pStore = Store();
        if (pStore == nullptr || catCount == nullptr || wordCount == nullptr) {
            return 0;
        }
        const int nWords = words != nullptr && *words != nullptr ? *wordCount : 0;
        bool bOk = false;
        const std::vector<int> catIds =
            ReplaceSection(*pStore, "WCAT", ReadListRecord(cats, catCount), bOk);
        if (!bOk) {
            return 0;
        }
        // Indexes into `cats` become category element ids, each word converted once.
        std::vector<int> marker(static_cast<size_t>(std::max(nWords, 0)), -1);
        for (size_t i = 0; i < catIds.size(); ++i) {
            for (int j = 0; j < nWords; ++j) {
                if (marker[static_cast<size_t>(j)] == -1 && (*map)[j] == static_cast<int>(i)) {
                    (*map)[j] = catIds[i];
                    marker[static_cast<size_t>(j)] = 0;
                }
            }
        }
        if (words == nullptr || *words == nullptr) {
            LogApi("API :: Word is NULL", 1);
            return 0;
        }
        const TextList wordTexts = ReadListRecord(words, wordCount);
        const std::vector<int> wordIds = ReplaceSection(*pStore, "WORD", wordTexts, bOk);
        if (!bOk) {
            return 0;
        }
        for (size_t i = 0; i < wordIds.size(); ++i) {
            pStore->WriteInt("WORD", ("A" + std::to_string(wordIds[i])).c_str(),
                             (*map)[static_cast<int>(i)]);
        }
        LogApi("Finish", 3);
        return 1;
    });
}

extern "C" void FreeListMemory(char*** list, int* count) {
    Guarded(0, [&] {
        if (list == nullptr || *list == nullptr) {
            LogApi("API :: List is already free", 3);
            return 0;
        }
        ReleaseListRecord(*list, count != nullptr ? *count : 0);
        *list = nullptr;
        if (count != nullptr) {
            *count = 0;
        }
        LogApi("API :: FreeListMemory Completed", 4);
        return 0;
    });
}

extern "C" int IsCategoryExists(const char* szCategory) {
    return Guarded(0, [&] {
        TextList categories;
        if (Store() == nullptr || !Store()->GetAllValues("CAT", categories)) {
            SetLastErrorCode(ERR_FAILURE);
            return 0;
        }
        SetLastErrorCode(ERR_SUCCESS);
        return szCategory != nullptr && std::find(categories.begin(), categories.end(),
                                                  szCategory) != categories.end()
                   ? 1
                   : 0;
    });
}

extern "C" int ReadCategoryFile() {
    return GuardedWrite(0, [&] {
        LogApi("API :: ReadCategoryFile");
        if (!MayChange("ReadCategoryFile")) {
            return 0;
        }
        std::string strLine;
        if (std::ifstream file(kCategoryFile); file.is_open()) {
            std::getline(file, strLine);
        }
        TextList known;
        if (Store() == nullptr || !Store()->GetAllValues("CAT", known)) {
            LogApiFailure();
            return 1;
        }
        std::set<std::string> present(known.begin(), known.end());
        for (const std::string& strName : SplitCategoryLine(strLine)) {
            // A name repeated in the file is added once.
            if (present.insert(strName).second) {
                Store()->AddElementToList("CAT", strName.c_str());
            }
        }
        return 1;
    });
}

namespace {

int ClearSection(const char* szExport, const char* szSection) {
    return GuardedWrite(0, [&] {
        if (!MayChange(szExport)) {
            return 0;
        }
        // Pruning runs only while the filter is due to reload its rules anyway.
        if (IsUpdateRequire() != 0 && Store() != nullptr) {
            Store()->ClearList(szSection);
        }
        return 1;
    });
}

}  // namespace

extern "C" int ClearIP() {
    return ClearSection("ClearIP", "IP");
}
extern "C" int ClearURL() {
    return ClearSection("ClearURL", "URL");
}
extern "C" int ClearWord() {
    return ClearSection("ClearWord", "WORD");
}
extern "C" int ClearWCat() {
    return ClearSection("ClearWCat", "WCAT");
}
extern "C" int ClearCat() {
    return ClearSection("ClearCat", "CAT");
}
