#include "log/LogFile.h"

#include <share.h>
#include <stdio.h>

#include <cstring>
#include <string_view>

#include "win/MutexLock.h"
#include "win/ProductRegistry.h"

namespace {

constexpr std::string_view kLogExtension = ".Log";

}  // namespace

CLogFile::CLogFile(int bTimeStamp) : m_bTimeStamp(bTimeStamp) {}

CLogFile::CLogFile(int bTimeStamp, const char* szName)
    : m_bTimeStamp(bTimeStamp), m_strPendingName(szName) {}

int CLogFile::Level() const {
    int iLevel = m_iLevel.load(std::memory_order_acquire);
    if (iLevel != kLevelUnread) {
        return iLevel;
    }
    bool bOpened = false;
    const auto dwLevel =
        KeptProductKey().Read([](HKEY hKey) { return ReadRegDword(hKey, "LogLevel"); }, &bOpened);
    iLevel = !bOpened ? 4 : dwLevel ? static_cast<int>(*dwLevel) : 0;
    m_iLevel.store(iLevel, std::memory_order_release);
    return iLevel;
}

void CLogFile::NameAtFirstUse() {
    if (!m_strPendingName.empty()) {
        std::call_once(m_named, [this] { SetFileName(m_strPendingName.c_str()); });
    }
}

const char* CLogFile::GetFileName() {
    NameAtFirstUse();
    return m_szPath;
}

int CLogFile::SetFileName(const char* szName) {
    std::string strPath = m_szPath;
    bool bOpened = false;
    const auto folder = KeptProductKey().Read(
        [](HKEY hKey) { return ReadRegString(hKey, "Application"); }, &bOpened);
    if (bOpened) {
        strPath = folder.value_or(std::string());
    }
    if (szName != nullptr) {
        strPath += szName;
    }
    // The first dot of the whole path, so a dotted folder name cuts there too.
    strPath = strPath.substr(0, strPath.find('.'));
    // A path too long for the buffer loses its tail, never its extension.
    const size_t nMaxStem = kPathSize - 1 - kLogExtension.size();
    if (strPath.size() > nMaxStem) {
        strPath.resize(nMaxStem);
    }
    strPath += kLogExtension;
    std::memcpy(m_szPath, strPath.c_str(), strPath.size() + 1);
    return 1;
}

void CLogFile::Write(const char* szText, signed char iLevel) {
    if (!Enabled(iLevel)) {
        return;
    }
    NameAtFirstUse();
    const CMutexLock lock(Mutex());
    FILE* pFile = _fsopen(m_szPath, "a", _SH_DENYNO);
    if (pFile == nullptr) {
        return;
    }
    std::fseek(pFile, 0, SEEK_END);
    if (m_bTimeStamp) {
        SYSTEMTIME st;
        ::GetSystemTime(&st);
        std::fprintf(pFile, "%02d-%02d %02d:%02d:%02d ", st.wDay, st.wMonth, st.wHour, st.wMinute,
                     st.wSecond);
    }
    std::fputs(szText != nullptr ? szText : "", pFile);
    std::fputs("\n", pFile);
    std::fflush(pFile);
    std::fclose(pFile);
}

HANDLE CLogFile::Mutex() {
    // One handle for every writer of the process, opened by the first record and kept to the
    // end of the process (never closed, so records written while the module is torn down stay
    // serialised): the lookup client makes a writer per lookup, which would otherwise open
    // and close it every time.
    static const HANDLE hMutex = ::CreateMutexA(nullptr, FALSE, kMutexName);
    return hMutex;
}

void CLogFile::Write(const std::string& strText, signed char iLevel) {
    Write(strText.c_str(), iLevel);
}
