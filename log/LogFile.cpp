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

CLogFile::CLogFile(int bTimeStamp) : m_bTimeStamp(bTimeStamp) {
    bool bOpened = false;
    const auto dwLevel =
        KeptProductKey().Read([](HKEY hKey) { return ReadRegDword(hKey, "LogLevel"); }, &bOpened);
    if (!bOpened) {
        m_iLevel = 4;
    } else if (dwLevel) {
        m_iLevel = static_cast<int>(*dwLevel);
    }
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
    if (m_iLevel < iLevel) {
        return;
    }
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
    std::call_once(m_mutexOpened,
                   [this] { m_hMutex.Reset(::CreateMutexA(nullptr, FALSE, kMutexName)); });
    return m_hMutex.Get();
}

void CLogFile::Write(std::string strText, signed char iLevel) {
    Write(strText.c_str(), iLevel);
}
