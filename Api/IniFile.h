// Raw access to the settings file: every value encoded on write and decoded on read, every
// write mirrored into the registry copy, and the digest check that guards the file.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Api/RegFile.h"
#include "Api/SettingsLock.h"
#include "win/CriticalSection.h"

class CCrypto;
class CLogFile;

class IniFile {
public:
    static constexpr int kPathSize = 261;
    static constexpr int kReadBufferSize = 4096;

    // pLibraryLog: the library's log, used by the registry copy.
    explicit IniFile(CLogFile* pLibraryLog);
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;
    ~IniFile();

    void SetPath(const std::string& strPath);
    const char* GetPath() const { return m_szPath; }

    // Decoded value, at most nMax characters. 0 with code 10 for a missing or empty value.
    int ReadText(const char* szSection, const char* szKey, std::string& strOut,
                 size_t nMax = kReadBufferSize - 1);
    // Decoded value into a buffer of iSize bytes (at most iSize - 1 characters and a NUL).
    int ReadString(const char* szSection, const char* szKey, char* szOut, int iSize);
    int ReadInt(const char* szSection, const char* szKey, int* pOut);
    // A decoded value of the registry copy, the master the file is restored from: no digest
    // of the file and no parse of it, for the few values read before every change.
    int ReadCopyText(const char* szSection, const char* szKey, std::string& strOut);

    // Encodes, writes, mirrors. A text the encoding cannot hold is refused with code 9.
    int WriteString(const char* szSection, const char* szKey, const char* szText);
    int WriteInt(const char* szSection, const char* szKey, int n);
    int WriteIdList(const char* szSection, const char* szKey, const std::vector<int>& ids);
    void ClearFile();

    // Held around every sequence that changes the file, its copy or its digest, in whichever
    // process (see CSettingsLock).
    CMutexLock HoldForWrite() { return m_writers.Hold(); }

    // 1 when the file matches its stored digest or was rebuilt from the registry copy.
    int VarifyIniFile();
    // Rewrites the file whole from the registry copy, every value unchanged: keys that exist
    // only in the file go. 0 when the copy cannot be read or holds no accounts, or when the
    // file cannot be written (read-only, held by another process): the file is then not
    // taken for restored.
    int RestoreIniFile();
    void UpdateDigest();

private:
    enum class Digest { kMatches, kDiffers, kMissing };

    // The file's digest against the stored one, under m_csVerify.
    Digest CompareDigest(std::string& strActual, std::string& strStored);
    // This process reads the file through the system's cache of it; a digest this process has
    // not seen means another process changed the file, so the cache is dropped.
    void NoteDigest(const std::string& strDigest);
    // The value decoded into crypto; false when missing, empty or not decodable.
    bool ReadDecoded(const char* szSection, const char* szKey, CCrypto& crypto);
    int WritePlain(const char* szSection, const char* szKey, const char* szStored);
    bool RewriteFile(const std::string& strText);

    char m_szPath[kPathSize] = {};
    std::unique_ptr<CLogFile> m_pLog;
    std::unique_ptr<CLogFile> m_pLog2;
    RegFile m_reg;
    CCriticalSection m_csVerify;
    CSettingsLock m_writers;
    std::string m_strDigestSeen;
};
