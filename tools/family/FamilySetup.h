// The family's accounts and lists, made through PolicyApi.dll before anyone browses, as the
// settings program would make them.
#pragma once

#include <string>
#include <vector>

struct CProfileLists {
    std::vector<std::string> blockedWords;
    std::vector<std::string> allowedWords;
    std::vector<std::string> blockedCategories;
};

// Makes a family member (a plain user) with this password, or gives an existing one the
// password. strError says what failed.
bool MakeFamilyMember(const std::string& strName, const std::string& strPassword,
                      std::string& strError);

// Replaces the profile's blocked and allowed URL words and blocked categories, and has the
// filter in every process reload its rules at its next connect.
bool SetProfileLists(const std::string& strProfile, const CProfileLists& lists,
                     std::string& strError);

// "a,b,c" as its non-empty parts.
std::vector<std::string> SplitList(const std::string& strText);
