#include "Api/IniFile.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "Api/portable/Crypto.h"
#include "Api/portable/ErrorCodes.h"
#include "Api/portable/FileDigest.h"
#include "Api/portable/IdList.h"
#include "log/LogFile.h"
#include "log/portable/Format.h"
#include "win/UniqueHandle.h"

namespace {

constexpr char kLogName[] = "ApiCallLog";

std::string SectionKeyPath(const char* szSection) {
    return std::string(kContentKeyPath) + "\\" + szSection;
}

// The settings file as the registry copy holds it, section by section.
std::string SettingsText(const std::vector<RegFile::StoredValue>& values) {
    std::string strText;
    const std::string* pSection = nullptr;
    for (const RegFile::StoredValue& value : values) {
        if (pSection == nullptr || *pSection != value.section) {
            pSection = &value.section;
            strText += "[" + value.section + "]\r\n";
        }
        strText += value.key + "=" + value.text + "\r\n";
    }
    return strText;
}

}  // namespace

IniFile::IniFile(CLogFile* pLibraryLog)
    : m_pLog(std::make_unique<CLogFile>(1, kLogName)),
      m_pLog2(std::make_unique<CLogFile>(1, kLogName)),
      m_reg(pLibraryLog) {}

IniFile::~IniFile() = default;

void IniFile::SetPath(const std::string& strPath) {
    const size_t n = std::min(strPath.size(), static_cast<size_t>(kPathSize - 1));
    std::memcpy(m_szPath, strPath.data(), n);
    m_szPath[n] = '\0';
}

bool IniFile::ReadDecoded(const char* szSection, const char* szKey, CCrypto& crypto) {
    char szStored[kReadBufferSize];
    const DWORD nRead =
        ::GetPrivateProfileStringA(szSection, szKey, "", szStored, sizeof szStored, m_szPath);
    return nRead != 0 && crypto.Decode(std::string_view(szStored, nRead));
}

int IniFile::ReadText(const char* szSection, const char* szKey, std::string& strOut, size_t nMax) {
    // Each call has its own encoder: threads of a process share this object.
    CCrypto crypto;
    bool bRead = ReadDecoded(szSection, szKey, crypto);
    if (!bRead) {
        // Another process may have been rewriting the file (a write rewrites it whole): once
        // its writers are done, this process's cache of the file goes and the value is read
        // again.
        const CMutexLock writers = HoldForWrite();
        if (!writers.TimedOut()) {
            ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, m_szPath);
            bRead = ReadDecoded(szSection, szKey, crypto);
        }
    }
    if (!bRead) {
        m_pLog->Write(Format("IniFile :: GetPrivateProfileString Failed: %s->%s->Size=%d",
                             szSection, szKey, static_cast<int>(nMax + 1)),
                      1);
        SetLastErrorCode(ERR_DB_READ);
        return 0;
    }
    // A decoded text ends at its first NUL, as every reader of it takes it.
    strOut.assign(crypto.OutputText(), std::min(std::strlen(crypto.OutputText()), nMax));
    return 1;
}

int IniFile::ReadString(const char* szSection, const char* szKey, char* szOut, int iSize) {
    if (szOut == nullptr || iSize < 1) {
        return 0;
    }
    std::string strValue;
    if (!ReadText(szSection, szKey, strValue, static_cast<size_t>(iSize - 1))) {
        return 0;
    }
    std::memcpy(szOut, strValue.c_str(), strValue.size() + 1);
    return 1;
}

int IniFile::ReadInt(const char* szSection, const char* szKey, int* pOut) {
    char szValue[10];
    if (!ReadString(szSection, szKey, szValue, sizeof szValue)) {
        return 0;
    }
    *pOut = ParseDecimal(szValue);
    return 1;
}

int IniFile::ReadCopyText(const char* szSection, const char* szKey, std::string& strOut) {
    std::string strStored;
    CCrypto crypto;
    if (!m_reg.QueryValue(SectionKeyPath(szSection).c_str(), szKey, strStored) ||
        strStored.empty() || !crypto.Decode(strStored)) {
        SetLastErrorCode(ERR_DB_READ);
        return 0;
    }
    strOut.assign(crypto.OutputText());
    return 1;
}

int IniFile::WriteString(const char* szSection, const char* szKey, const char* szText) {
    if (szText == nullptr) {
        szText = "";
    }
    CCrypto crypto;
    if (!crypto.Encode(szText)) {
        // Refused whole: a cut value would be a different value.
        m_pLog->Write(Format("IniFile :: WritePrivateProfileString Failed: %s->%s->%s", szSection,
                             szKey, kValueNotLogged),
                      1);
        SetLastErrorCode(ERR_DB_WRITE);
        return 0;
    }
    if (!WritePlain(szSection, szKey, crypto.OutputText())) {
        return 0;
    }
    if (!m_reg.SetValue(SectionKeyPath(szSection).c_str(), szKey, crypto.OutputText())) {
        m_pLog->Write("IniFile :: Write String to Registry failed", 1);
        return 0;
    }
    SetLastErrorCode(ERR_SUCCESS);
    return 1;
}

int IniFile::WriteInt(const char* szSection, const char* szKey, int n) {
    return WriteString(szSection, szKey, std::to_string(n).c_str());
}

int IniFile::WriteIdList(const char* szSection, const char* szKey, const std::vector<int>& ids) {
    if (!WriteString(szSection, szKey, FormatIdList(ids).c_str())) {
        m_pLog->Write("IniFile :: WriteString-2 to Registry failed", 1);
        return 0;
    }
    return 1;
}

int IniFile::WritePlain(const char* szSection, const char* szKey, const char* szStored) {
    if (!::WritePrivateProfileStringA(szSection, szKey, szStored, m_szPath)) {
        m_pLog->Write(Format("IniFile :: WritePrivateProfileString Failed: %s->%s->%s", szSection,
                             szKey, kValueNotLogged),
                      1);
        SetLastErrorCode(ERR_DB_WRITE);
        return 0;
    }
    return 1;
}

void IniFile::ClearFile() {
    m_pLog->Write("IniFile :: ClearFile", 3);
}

IniFile::Digest IniFile::CompareDigest(std::string& strActual, std::string& strStored) {
    if (!m_reg.QueryValue(kContentKeyPath, kDigestValueName, strStored)) {
        m_pLog->Write("IniFile :: QueryValue failed in VarifyIniFile", 1);
        return Digest::kMissing;
    }
    strActual = GetFileDigestText(m_szPath);
    NoteDigest(strActual);
    return strActual == strStored ? Digest::kMatches : Digest::kDiffers;
}

void IniFile::NoteDigest(const std::string& strDigest) {
    const CCriticalSectionLock lock(m_csVerify);
    if (strDigest != m_strDigestSeen) {
        ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, m_szPath);
        m_strDigestSeen = strDigest;
    }
}

int IniFile::VarifyIniFile() {
    std::string strActual;
    std::string strStored;
    {
        const CCriticalSectionLock lock(m_csVerify);
        const Digest digest = CompareDigest(strActual, strStored);
        if (digest != Digest::kDiffers) {
            return digest == Digest::kMatches ? 1 : 0;
        }
    }
    // Altered, or another process is between its write and its digest: a restore waits for
    // the writers, then looks again. The lock is always taken before m_csVerify.
    const CMutexLock writers = HoldForWrite();
    if (writers.TimedOut()) {
        m_pLog->Write("IniFile :: Settings lock timed out in VarifyIniFile", 1);
        return 0;
    }
    const CCriticalSectionLock lock(m_csVerify);
    const Digest digest = CompareDigest(strActual, strStored);
    if (digest != Digest::kDiffers) {
        return digest == Digest::kMatches ? 1 : 0;
    }
    m_pLog->Write("IniFile :: MD5 match Failed: Actual=" + strActual + "  Registry=" + strStored,
                  1);
    if (!RestoreIniFile()) {
        m_pLog->Write("IniFile :: File restore failed", 1);
        return 0;
    }
    UpdateDigest();
    return 1;
}

int IniFile::RestoreIniFile() {
    std::vector<RegFile::StoredValue> values;
    if (!m_reg.ReadCopy(values)) {
        return 0;
    }
    // Only logged: the file is rewritten whole below, keys the copy does not know removed.
    ClearFile();
    const bool bHasAccounts = std::any_of(values.begin(), values.end(), [](const auto& value) {
        return _stricmp(value.section.c_str(), "USER") == 0;
    });
    if (!bHasAccounts) {
        // Nothing usable can be made of it.
        m_pLog->Write("IniFile :: Registry copy holds no accounts", 1);
        return 0;
    }
    // Whatever this process cached of the file goes: the file is about to be replaced.
    ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, m_szPath);
    const bool bWritten = RewriteFile(SettingsText(values));
    ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, m_szPath);
    if (!bWritten) {
        m_pLog->Write(
            Format("IniFile :: Settings file cannot be rewritten: error %lu", ::GetLastError()), 1);
    }
    return bWritten ? 1 : 0;
}

bool IniFile::RewriteFile(const std::string& strText) {
    // Fails on a read-only file and on one another process holds without sharing its writes.
    const CFileHandle file(::CreateFileA(m_szPath, GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    DWORD nWritten = 0;
    return ::WriteFile(file.Get(), strText.data(), static_cast<DWORD>(strText.size()), &nWritten,
                       nullptr) &&
           nWritten == strText.size() && ::SetEndOfFile(file.Get());
}

void IniFile::UpdateDigest() {
    const std::string strDigest = GetFileDigestText(m_szPath);
    // This process wrote the file last: its cache of the file is current.
    {
        const CCriticalSectionLock lock(m_csVerify);
        m_strDigestSeen = strDigest;
    }
    if (m_reg.SetValue(kContentKeyPath, kDigestValueName, strDigest.c_str())) {
        m_pLog2->Write("IniFile :: MD5 Written to Registry is " + strDigest, 4);
    } else {
        m_pLog2->Write("IniFile :: Write String to Registry failed", 1);
    }
}
