// The library's list of user names (every live account in id order), released when the
// scope ends.
#pragma once

#include "Api/PolicyApi.h"

class CUserNameList {
public:
    CUserNameList() { m_bOk = GetAllUsers(m_list, m_count) == 1; }
    CUserNameList(const CUserNameList&) = delete;
    CUserNameList& operator=(const CUserNameList&) = delete;
    ~CUserNameList() { FreeListMemory(&m_list, &m_count); }

    // False when the library could not read the accounts.
    bool Ok() const noexcept { return m_bOk; }
    int Count() const noexcept { return m_count; }
    const char* operator[](int i) const noexcept { return m_list[i]; }

private:
    char** m_list = nullptr;
    int m_count = 0;
    bool m_bOk = false;
};
