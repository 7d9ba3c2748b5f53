// The profile being created or edited, shared by every administration screen for the whole
// run of the program, and who is logged in.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

struct CProfileEditState {
    char loggedInUser[24] = {};
    // One 32-bit word: bits 0-3 the logged-in user's group, bits 4-7 the group chosen for
    // a new user (read as signed when passed on).
    uint32_t loggedInGroup : 4 = 3;
    int32_t newUserGroup : 4 = 3;
    char profileName[21] = {};
    char newPassword[19] = {};
    std::vector<std::string> allowedIPs;
    std::vector<std::string> blockedIPs;
    std::vector<std::string> allowedURLs;
    std::vector<std::string> blockedURLs;
    std::vector<int32_t> selectedWordKeys;
    std::vector<std::string> selectedCategories;
    std::map<int32_t, std::string> words;
    std::vector<std::string> allCategories;
    // The Time page's rules text, written by a commit only once the page changed it (a text
    // that could not be read stays unwritten).
    std::string timeRules;
    bool timeRulesChanged = false;
};

extern CProfileEditState gProfileEditState;
// 1 after any change to an edited list since the editor opened or last committed.
extern int listsChanged;
// 1 while the create-profile wizard holds a freshly reset edit state.
extern int createInProgress;
// The key of the next URL word.
extern int nextWordKey;

// Copies a text into a fixed field, cut to fit with its NUL.
template <size_t N>
void CopyToField(char (&field)[N], const std::string& strText) {
    const size_t n = strText.size() < N - 1 ? strText.size() : N - 1;
    std::memcpy(field, strText.data(), n);
    field[n] = '\0';
}
