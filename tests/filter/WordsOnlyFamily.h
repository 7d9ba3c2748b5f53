// Settings under which every request is decided by a word, never by a category lookup (nothing
// answers at the category server's address): Default allows "pass" and blocks "poker"; the user
// "kid" (password "pw") blocks "chess". Needs a fresh installation with the proof made.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "Api/PolicyApi.h"
#include "tests/support/UrlWords.h"
#include "win/ProductRegistry.h"

inline void SetUpWordsOnlyFamily() {
    const std::string strAddress = "127.0.0.2";
    ::RegSetKeyValueA(HKEY_LOCAL_MACHINE, kProductKeyPath, "TLVServerIP", REG_SZ,
                      strAddress.c_str(), static_cast<DWORD>(strAddress.size() + 1));
    EXPECT_EQ(SetUrlWords("Default", 1, {"pass"}), 1);
    EXPECT_EQ(SetUrlWords("Default", 0, {"poker"}), 1);
    EXPECT_EQ(CreateUser("kid", "pw", USER_TYPE_USER), 1);
    EXPECT_EQ(SetUrlWords("kid", 0, {"chess"}), 1);
}
