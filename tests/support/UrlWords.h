// Sets a profile's URL words through the library, as the settings program commits them.
#pragma once

#include <vector>

#include "Api/PolicyApi.h"

// iAllowed: 1 for the allowed words, 0 for the blocked ones. The library's result.
inline int SetUrlWords(const char* szUser, int iAllowed, std::vector<const char*> words) {
    char** list = const_cast<char**>(words.data());
    int count = static_cast<int>(words.size());
    return SetURLList(szUser, iAllowed, &list, &count);
}
