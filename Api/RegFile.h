// The registry copy of the settings file: one subkey per file section under the Content key,
// one REG_SZ value per file key, holding the value exactly as the file stores it (encoded).
// It is the master copy: written on every store write, read back only to rebuild the file.
#pragma once

#include <string>
#include <vector>

#include "win/ProductRegistry.h"

class CLogFile;

inline constexpr auto kContentKey = SubKeyPath(kProductKeyPath, "Content");
inline constexpr const char* kContentKeyPath = kContentKey.data();
inline constexpr char kDigestValueName[] = "MD5";
// Stands for a value in a log record: no value of the settings, in clear or encoded (which
// anyone can decode), is ever written to a log.
inline constexpr char kValueNotLogged[] = "(value not logged)";

class RegFile {
public:
    static constexpr unsigned kMaxData = 4096;

    // One value of the copy: the file section, key and stored (encoded) text it restores.
    struct StoredValue {
        std::string section;
        std::string key;
        std::string text;
    };

    explicit RegFile(CLogFile* pLog) : m_pLog(pLog) {}

    // Creates or opens HKLM\szKey and writes szText as REG_SZ. 1/0.
    int SetValue(const char* szKey, const char* szName, const char* szText);
    // Reads HKLM\szKey\szName (at most kMaxData bytes). 1/0.
    int QueryValue(const char* szKey, const char* szName, std::string& strOut);
    // Every value of the copy, section by section in index order, for a restore of the file.
    // 0 when a section cannot be opened (values holds those read before it).
    int ReadCopy(std::vector<StoredValue>& values);

private:
    void Log(const std::string& strText, signed char iLevel);
    bool ReadSection(const std::string& strSection, std::vector<StoredValue>& values);

    CLogFile* m_pLog;
};
