// Plain-text diagnostics log shared by every deliverable. One record per Write; the file is
// opened and closed each time, so it may be moved aside between any two records. A named
// mutex serialises every record of every writer in every process.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>

#include "win/UniqueHandle.h"

class CLogFile {
public:
    static constexpr int kPathSize = 264;
    static constexpr const char* kMutexName = "{6B1E2C47-93D0-4F5A-8C21-7E4A9B3D5F10}";

    // Reads the machine-wide "LogLevel" threshold: 4 when the product key cannot be opened,
    // 0 when the key has no such value.
    explicit CLogFile(int bTimeStamp);
    CLogFile(const CLogFile&) = delete;
    CLogFile& operator=(const CLogFile&) = delete;
    virtual ~CLogFile() = default;

    // Path = installation folder + szName, cut at its first '.', + ".Log". Always 1.
    int SetFileName(const char* szName);

    // Appends szText and a line end when iLevel is at or below the threshold.
    void Write(const char* szText, signed char iLevel);
    void Write(std::string strText, signed char iLevel);

    // Whether a record of this level would be written: callers skip formatting otherwise.
    bool Enabled(signed char iLevel) const { return iLevel <= m_iLevel; }

    const char* GetFileName() const { return m_szPath; }
    int GetLevel() const { return m_iLevel; }

private:
    // The shared mutex, opened by the first record that passes the threshold: writers that
    // never write (the usual case at low thresholds) cost no kernel object.
    HANDLE Mutex();

    int m_bTimeStamp;
    char m_szPath[kPathSize] = {};
    CHandle m_hMutex;
    int m_iLevel = 0;
    std::once_flag m_mutexOpened;
};
