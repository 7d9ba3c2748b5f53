#include "tools/family/FamilySetup.h"

#include "Api/PolicyApi.h"

namespace {

using ListSetter = int (*)(const char*, char***, int*);

bool SetList(ListSetter pSet, const std::string& strProfile,
             const std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    pointers.reserve(texts.size());
    for (const std::string& strText : texts) {
        // The library copies the texts; it never writes through these pointers.
        pointers.push_back(const_cast<char*>(strText.c_str()));
    }
    char** list = pointers.empty() ? nullptr : pointers.data();
    int count = static_cast<int>(pointers.size());
    return pSet(strProfile.c_str(), &list, &count) == 1;
}

int SetBlockedWords(const char* szUser, char*** list, int* count) {
    return SetURLList(szUser, 0, list, count);
}

int SetAllowedWords(const char* szUser, char*** list, int* count) {
    return SetURLList(szUser, 1, list, count);
}

}  // namespace

bool MakeFamilyMember(const std::string& strName, const std::string& strPassword,
                      std::string& strError) {
    const bool bDone = IsUserExists(strName.c_str()) == 1
                           ? ChangePassword(strName.c_str(), strPassword.c_str()) == 1
                           : CreateUser(strName.c_str(), strPassword.c_str(), USER_TYPE_USER) == 1;
    if (!bDone) {
        strError = "user " + strName + ": " + GetLastErrorMessage();
    }
    return bDone;
}

bool SetProfileLists(const std::string& strProfile, const CProfileLists& lists,
                     std::string& strError) {
    const struct {
        ListSetter pSet;
        const std::vector<std::string>& texts;
        const char* szWhat;
    } steps[] = {
        {SetBlockedWords, lists.blockedWords, "blocked words"},
        {SetAllowedWords, lists.allowedWords, "allowed words"},
        {SetCategoryList, lists.blockedCategories, "blocked categories"},
    };
    for (const auto& step : steps) {
        if (!SetList(step.pSet, strProfile, step.texts)) {
            strError = strProfile + "'s " + step.szWhat + ": " + GetLastErrorMessage();
            return false;
        }
    }
    UpdateRequire(1);
    return true;
}

std::vector<std::string> SplitList(const std::string& strText) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= strText.size()) {
        const size_t comma = std::min(strText.find(',', start), strText.size());
        if (comma > start) {
            parts.push_back(strText.substr(start, comma - start));
        }
        start = comma + 1;
    }
    return parts;
}
