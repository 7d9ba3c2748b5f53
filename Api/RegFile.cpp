#include "Api/RegFile.h"

#include <windows.h>

#include "log/LogFile.h"
#include "log/portable/Format.h"
#include "win/RegKey.h"

void RegFile::Log(const std::string& strText, signed char iLevel) {
    if (m_pLog != nullptr) {
        m_pLog->Write(strText, iLevel);
    }
}

int RegFile::SetValue(const char* szKey, const char* szName, const char* szText) {
    const CRegKey key = CreateRegKey(HKEY_LOCAL_MACHINE, szKey, KEY_SET_VALUE);
    if (!key) {
        Log(Format("RegFile :: RegSetValueEx Failed: %s->%s->%s", szKey, szName, kValueNotLogged),
            1);
        return 0;
    }
    if (*szText == '\0') {
        Log(Format("RegFile :: Data is NULL in SetValue: %s->%s", szKey, szName), 3);
    }
    const auto cbData = static_cast<DWORD>(std::char_traits<char>::length(szText) + 1);
    if (::RegSetValueExA(key.Get(), szName, 0, REG_SZ, reinterpret_cast<const BYTE*>(szText),
                         cbData) != ERROR_SUCCESS) {
        Log(Format("RegFile :: RegSetValueEx Failed in SetValue: %s->%s->%s", szKey, szName,
                   kValueNotLogged),
            1);
        return 0;
    }
    return 1;
}

int RegFile::QueryValue(const char* szKey, const char* szName, std::string& strOut) {
    const CRegKey key = OpenRegKey(HKEY_LOCAL_MACHINE, szKey, KEY_QUERY_VALUE);
    if (!key) {
        Log(Format("RegFile :: RegOpenKeyEx in QueryValue Failed: %s->%s", szKey, szName), 1);
        return 0;
    }
    std::vector<char> buffer(kMaxData + 1, '\0');
    DWORD cbData = kMaxData;
    const LONG lResult = ::RegQueryValueExA(key.Get(), szName, nullptr, nullptr,
                                            reinterpret_cast<BYTE*>(buffer.data()), &cbData);
    if (lResult != ERROR_SUCCESS) {
        Log(Format("RegFile :: RegQueryValueEx in QueryValue Failed: %s->%s : errorNo=%ld : "
                   "PreviosBufferSize=%u,Now=%lu",
                   szKey, szName, lResult, kMaxData, cbData),
            1);
        return 0;
    }
    strOut = buffer.data();
    return 1;
}

int RegFile::ReadCopy(std::vector<StoredValue>& values) {
    // The start of a restore: the copy is read only to rebuild the file.
    Log("RegFile :: RestoreIniFileCalled", 1);
    std::vector<std::string> sections;
    {
        const CRegKey content = OpenRegKey(HKEY_LOCAL_MACHINE, kContentKeyPath,
                                           KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE);
        if (!content) {
            Log(Format("RegFile :: RegOpenKeyEx in RestoreIniFile Failed: %s->%s", kContentKeyPath,
                       "(subkeys)"),
                1);
            return 0;
        }
        for (DWORD dwIndex = 0;; ++dwIndex) {
            char szName[256];
            DWORD cchName = sizeof szName;
            if (::RegEnumKeyExA(content.Get(), dwIndex, szName, &cchName, nullptr, nullptr, nullptr,
                                nullptr) != ERROR_SUCCESS) {
                break;
            }
            sections.emplace_back(szName, cchName);
        }
    }
    for (const std::string& strSection : sections) {
        if (!ReadSection(strSection, values)) {
            return 0;
        }
    }
    return 1;
}

bool RegFile::ReadSection(const std::string& strSection, std::vector<StoredValue>& values) {
    const std::string strKey = std::string(kContentKeyPath) + "\\" + strSection;
    const CRegKey key = OpenRegKey(HKEY_LOCAL_MACHINE, strKey.c_str(), KEY_QUERY_VALUE);
    if (!key) {
        Log(Format("RegFile :: RegOpenKeyEx in RestoreIniFile Failed: %s->%s->%s", kContentKeyPath,
                   strSection.c_str(), "(values)"),
            1);
        return false;
    }
    std::vector<char> data(kMaxData + 1);
    for (DWORD dwIndex = 0;; ++dwIndex) {
        char szName[20];
        DWORD cchName = sizeof szName;
        DWORD cbData = kMaxData;
        DWORD dwType = 0;
        const LONG lResult = ::RegEnumValueA(key.Get(), dwIndex, szName, &cchName, nullptr, &dwType,
                                             reinterpret_cast<BYTE*>(data.data()), &cbData);
        if (lResult == ERROR_MORE_DATA || lResult == ERROR_INSUFFICIENT_BUFFER) {
            // No value the library writes is this large; skip the stranger and keep
            // restoring the values after it.
            Log("RegFile :: Buffer is insufficient", 1);
            continue;
        }
        if (lResult != ERROR_SUCCESS) {
            break;
        }
        if (cchName == 0 || dwType != REG_SZ) {
            continue;
        }
        data[cbData] = '\0';
        values.push_back({strSection, std::string(szName, cchName), data.data()});
    }
    return true;
}
