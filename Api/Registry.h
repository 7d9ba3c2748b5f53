// The registry copy of the settings file: one subkey per file section under the Content key,
// one REG_SZ value per file key, holding the value exactly as the file stores it (encoded).
// It is the master copy: written on every store write, read back only to rebuild the file.
#pragma once

#include <string>

class CLogFile;
class IniFile;

inline constexpr char kContentKeyPath[] = "Software\\Tarnwell\\Parental Control\\Content";
inline constexpr char kDigestValueName[] = "MD5";

class RegFile {
public:
    static constexpr unsigned kMaxData = 4096;

    explicit RegFile(CLogFile* pLog) : m_pLog(pLog) {}

    // Creates or opens HKLM\szKey and writes szText as REG_SZ. 1/0.
    int SetValue(const char* szKey, const char* szName, const char* szText);
    // Reads HKLM\szKey\szName (at most kMaxData bytes). 1/0.
    int QueryValue(const char* szKey, const char* szName, std::string& strOut);
    // Writes every value of the copy into the file, section by section, unchanged. Keys that
    // exist only in the file are left as they are. 1/0.
    int RestoreIniFile(IniFile& file);

private:
    void Log(const std::string& strText, signed char iLevel);

    CLogFile* m_pLog;
};
